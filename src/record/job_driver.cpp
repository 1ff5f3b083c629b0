#include "record/job_driver.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/asf_file_reader.h"
#include "formats/asf_guids.h"
#include "formats/asf_packet.h"
#include "formats/file_sink.h"
#include "medialist/list_file_io.h"
#include "formats/printf.h"
#include "medialist/media_list.h"
#include "protocols/http/http_download_client.h"
#include "protocols/mmsh/reply_head.h"
#include "record/cmms_thread.h"
#include "record/existing_file.h"
#include "record/fallback_table.h"
#include "record/output_claims.h"
#include "record/output_names.h"

namespace {

bool Contains(const std::string& text, std::string_view what)
{
    return text.find(what) != std::string::npos;
}

// Brings the file back to where the attempts started, dropping what a
// failed attempt wrote: the next client starts a stream of its own and must
// not append it to another's leftovers.
void RewindTo(FileSink& file, uint64_t position)
{
    uint64_t size = 0;
    if (file.Size(&size) && size > position) {
        // A failure here shows when the file is closed; the cursor below
        // still makes the next client write over the leftovers.
        file.Truncate(position);
    }
    file.Seek(position);
}

constexpr uint32_t kPlaylistBits = 0x1000 | 0x2000 | 0x4000 | 0x10;

// The highest send time among a file's last this many packets is taken for
// the latest one (packets of several streams need not be in time order).
constexpr uint64_t kLastPacketsScanned = 64;

bool Droppable(StreamEnd end) { return end == StreamEnd::Interrupted || end == StreamEnd::ConnectionLost; }

// The latest time a packet stands for: its send time, or the media time
// (presentation time less the preroll) of its latest payload when that is
// later (a frame may be sent before its time). False when it has no send time.
bool LatestTimeOf(const std::vector<uint8_t>& packet, uint32_t packetSize, uint64_t prerollMs, uint32_t* time)
{
    asf::PacketLayout layout;
    asf::WalkDataPacket(packet.data(), packet.size(), packetSize, &layout);
    if (layout.sendTimeAt < 0)
        return false;
    uint64_t latest = layout.sendTime;
    for (size_t i = 0; i < layout.payloadCount; ++i) {
        const asf::PacketLayout::Payload& p = layout.payloads[i];
        const uint64_t presentation = p.hasPresentationTime ? p.presentationTime
                                      : p.compressed()      ? p.offsetIntoObject
                                                            : 0;
        if (presentation > prerollMs)
            latest = std::max(latest, presentation - prerollMs);
    }
    *time = static_cast<uint32_t>(std::min<uint64_t>(latest, UINT32_MAX));
    return true;
}

// What a dropped recording's file holds, read back after its client
// finalised it: where the next attempt starts, and for a broadcast how it
// goes on.
struct DroppedFile {
    uint64_t packets = 0;
    uint64_t end = 0;  // where packet `packets` goes: the index object starts there
    std::vector<uint8_t> index;
    std::vector<uint8_t> header;  // as a stream sends it
    AsfFileWriter::Continuation continuation;

    bool Read(const std::string& path, bool live)
    {
        AsfFileReader reader;
        if (!reader.Open(path))
            return false;
        const uint32_t size = reader.Header().packetSize;
        packets = reader.PacketCount();
        end = reader.DataStart() + packets * size;
        if (!reader.ReadIndexObject(&index))
            index.clear();
        header = reader.HeaderBytes();
        if (!live)
            return true;
        continuation.header = header;
        continuation.packets = packets;
        // The new session's media times go on after the latest one written,
        // so that every stream's times keep rising.
        const uint64_t preroll = reader.Header().properties.preroll;
        std::vector<uint8_t> packet;
        uint32_t first = 0, last = 0, t = 0;
        for (uint64_t i = packets - std::min(packets, kLastPacketsScanned); i < packets; ++i) {
            if (reader.ReadPacket(i, &packet) && LatestTimeOf(packet, size, preroll, &t))
                last = std::max(last, t);
        }
        if (packets > 0 && reader.ReadPacket(0, &packet)) {
            asf::PacketLayout layout;
            asf::WalkDataPacket(packet.data(), packet.size(), size, &layout);
            first = layout.sendTime;
        }
        continuation.lastTimeMs = last;
        // The average time from one packet to the next: the outage becomes one of them.
        const uint64_t step = packets > 1 && last > first ? (last - first) / (packets - 1) : 1;
        continuation.stepMs = static_cast<uint32_t>(std::clamp<uint64_t>(step, 1, 60000));
        return true;
    }
};

int64_t SystemNowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}


}  // namespace

void JobDriver::Drive(const std::string& address, const std::string& title, int depth)
{
    RecordJob& job = thread_.job();
    if (job.stopRequested)
        return;

    // rtsp:// goes through the MMS row first; the RTSP client gets the
    // original address only as a last attempt.
    const std::string recorded = Contains(address, "rtsp://") ? RewriteRtspToMms(address) : address;

    if (ClassifyEntry(recorded) & kPlaylistBits) {
        DrivePlaylist(recorded, title, depth);
        return;
    }

    if (!reportEntries_) {
        RecordOne(recorded, address, title, depth);
        return;
    }
    // An entry's result is its own: an earlier entry's failure does not make
    // it fail. The job keeps the worst of them.
    const bool failedBefore = job.errorFlag;
    const bool incompleteBefore = job.incomplete;
    const std::string errorBefore = job.ErrorText();
    job.errorFlag = false;
    job.incomplete = false;
    job.SetErrorText({});
    job.bytesWritten = 0;
    job.SetOutputPath({});
    RecordOne(recorded, address, title, depth);
    // A stop ends the job with this entry: the job's end tells of it.
    if (!job.stopRequested) {
        JobEvent e = JobEvent::Of(job.jobId, kStatusEntryFinished);
        e.address = address;
        e.result = job.Result();
        e.bytes = job.bytesWritten;
        e.text = job.OutputPath();
        if (e.result == JobResult::Failed)
            e.errorText = job.ErrorText();
        job.Post(std::move(e));
    }
    if (!job.errorFlag && failedBefore) {
        job.errorFlag = true;
        job.SetErrorText(errorBefore);
    }
    job.incomplete = job.incomplete || incompleteBefore;
}

void JobDriver::RecordOne(const std::string& recorded, const std::string& address, const std::string& title,
                          int depth)
{
    RecordJob& job = thread_.job();
    job.SetOutputPath(MakeOutputPath(job.settings.m_baseDir, recorded, title));
    // A resume the server's stream turns out not to fit leaves the file as
    // it was; the file is then settled again as one that cannot be resumed.
    bool mayResume = true;
    // A file another recording of this program is writing is never this
    // job's to resume or overwrite: it gets a numbered name of its own.
    OutputClaim claim;
    if (!Claim(claim, job.OutputPath()))
        return;
    for (;;) {
        ExistingFileDecision::Resume resume;
        if (!ExistingFileDecision(job, thread_.prompts(), thread_.resumeScanner()).Decide(&resume, mayResume))
            return;
        // The decision may have named another file (a numbered name, Save As).
        if (claim.path() != job.OutputPath()) {
            if (!claim.Take(job.OutputPath())) {
                resume = {};  // nothing was written to it
                if (!Claim(claim, job.OutputPath()))
                    return;
            }
        }
        std::unique_ptr<FileSink> file = std::move(resume.file);
        const bool created = file == nullptr;
        if (!file) {
            file = OpenOutput(claim);
            if (!file)
                return;
        }

        job.resumeRefused = false;
        firstPath_ = job.OutputPath();
        RunAttempts(&file, recorded, address, resume.packet, resume.offset, resume.header);
        const bool refused = job.resumeRefused && !created && !job.stopRequested;

        if (!file->Close() && !job.errorFlag)
            thread_.ReportError("File Write Error");
        // A file this job created and nothing was written to is not a
        // recording; left behind it would only push the next try of the same
        // address to a numbered name.
        struct stat st;
        const std::string path = job.OutputPath();
        if (created && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
            ::unlink(path.c_str());
        if (refused && mayResume) {
            thread_.Trace("The file holds another stream: it is not resumed");
            job.errorFlag = false;
            job.SetErrorText({});
            job.bytesWritten = 0;
            mayResume = false;
            continue;
        }
        switch (CheckAsfBody(recorded, created, resume.offset)) {
        case BodyCheck::Asf:
            Judge(recorded, resume.offset);
            return;
        case BodyCheck::Playlist:
            // The file is gone; its name is free for the entries.
            claim.Release();
            DrivePlaylist(recorded, title, depth);
            return;
        case BodyCheck::NotAsf:
            return;
        }
        return;
    }
}

bool JobDriver::Claim(OutputClaim& claim, const std::string& path)
{
    if (claim.Take(path))
        return true;
    const std::string numbered = claim.TakeUnique(path);
    if (numbered.empty()) {
        thread_.ReportError(Printf("No free numbered name for %s", path.c_str()));
        return false;
    }
    thread_.job().SetOutputPath(numbered);
    return true;
}

std::unique_ptr<FileSink> JobDriver::OpenOutput(OutputClaim& claim)
{
    RecordJob& job = thread_.job();
    // A name that is taken meanwhile (by a link, say) is never written
    // through: a numbered name moves on to the next free number, anything
    // else ends here.
    for (int tries = 0; tries < 16; ++tries) {
        const std::string path = job.OutputPath();
        int error = 0;
        // What is still at the path is a regular file the user agreed to
        // replace; O_NOFOLLOW and the type check hold even if it changed.
        std::unique_ptr<FileSink> file =
            PathExists(path) ? FileSink::Create(path, &error) : FileSink::CreateNew(path, &error);
        if (file)
            return file;
        const std::string other = NotRegularFile(path);
        if (error == EEXIST && !job.settings.m_overWrite) {
            const std::string next = claim.TakeUnique(path);
            if (next.empty())
                break;
            job.SetOutputPath(next);
            continue;
        }
        if (!other.empty()) {
            thread_.ReportError(NotRegularFileText(path, other));
            return nullptr;
        }
        break;
    }
    std::unique_ptr<FileSink> file = OpenWithSaveAs(LastComponent(job.OutputPath()), claim);
    if (!file)
        thread_.ReportError("File Creation Error");
    return file;
}

JobDriver::BodyCheck JobDriver::CheckAsfBody(const std::string& address, bool created, uint64_t resumeOffset)
{
    RecordJob& job = thread_.job();
    if (lastClient_ != ClientKind::HttpDownload || !(AddressTypeBits(address) & kTypeAsfFamily) ||
        resumeOffset != 0 || job.stopRequested)
        return BodyCheck::Asf;
    const std::string path = job.OutputPath();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return BodyCheck::Asf;  // nothing was kept
    uint8_t head[16] = {};
    const ssize_t n = ::read(fd, head, sizeof(head));
    struct stat st;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!regular || n <= 0 || (n == sizeof(head) && asf::kHeader.Matches(head)))
        return BodyCheck::Asf;

    std::string text;
    const bool playlist =
        LoadPlaylistFile(path, &text) == ReadStatus::Ok &&
        mmsh::LooksLikePlaylist(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (created)
        ::unlink(path.c_str());
    job.errorFlag = false;
    job.SetErrorText({});
    job.bytesWritten = 0;
    if (playlist) {
        thread_.Trace("The address serves a playlist: it is followed");
        return BodyCheck::Playlist;
    }
    thread_.ReportError("Not an ASF stream");
    return BodyCheck::NotAsf;
}

void JobDriver::Judge(const std::string& address, uint64_t resumeOffset)
{
    RecordJob& job = thread_.job();
    const StreamEnd end = job.streamEnd;
    // A stream client wrote a header and at least one data packet, and the
    // stream ended as it should: that is a recording, however short.
    const bool holdsStream = job.dataPackets > 0;
    const bool endedAsItShould = end == StreamEnd::EndOfStream || end == StreamEnd::LimitReached ||
                                 end == StreamEnd::Stopped || end == StreamEnd::ConnectionLost;
    // An on-demand stream that ended before its announced end, marked or not.
    const bool cutShort = end == StreamEnd::Incomplete || end == StreamEnd::Interrupted;

    // Anything else of a media type this small is a server's refusal (an
    // error page, an empty reply) or a transfer cut short, not a recording.
    // A stop by the user is a cancel, not a failure, and a resumed file
    // counts with what it already held: the clients count only what they
    // add.
    const uint32_t type = AddressTypeBits(address);
    const uint64_t recordedBytes = resumeOffset + job.bytesWritten;
    if (!(holdsStream && endedAsItShould) && recordedBytes < kTooSmallBytes && !job.stopRequested &&
        ((type & kTypeOtherMedia) || ((type & kTypeAsfFamily) && !job.noNext))) {
        if (holdsStream && cutShort && job.ErrorText().empty())
            job.SetErrorText(kEndedEarlyText);
        job.errorFlag = true;
    }

    // An on-demand stream the server ended before its announced end: the
    // file is finalised and can be resumed, but it is not the whole stream.
    if (!job.errorFlag && !job.stopRequested && cutShort)
        job.incomplete = true;
}

std::unique_ptr<FileSink> JobDriver::OpenWithSaveAs(const std::string& name, OutputClaim& claim)
{
    std::string path = name;
    if (!ExistingFileDecision(thread_.job(), thread_.prompts(), thread_.resumeScanner()).AskSaveAs(path))
        return nullptr;
    if (!claim.Take(path)) {
        path = claim.TakeUnique(path);
        if (path.empty())
            return nullptr;
    }
    thread_.job().SetOutputPath(path);
    if (const std::string other = NotRegularFile(path); !other.empty()) {
        thread_.ReportError(NotRegularFileText(path, other));
        return nullptr;
    }
    return FileSink::Create(path);
}

uint64_t JobDriver::RunAttempts(std::unique_ptr<FileSink>* file, const std::string& address,
                                const std::string& originalAddress, uint64_t resumePacket,
                                uint64_t resumeOffset, const std::vector<uint8_t>& keptHeader)
{
    RecordJob& job = thread_.job();
    auto request = [&](ClientKind kind, const std::string& url) {
        RecordRequest r;
        r.out = file->get();
        r.url = url;
        r.playerAgent = job.playerAgent;
        if (resumePacket != 0 || resumeOffset != 0)
            r.keptHeader = keptHeader;
        if (kind == ClientKind::MmsTcp || kind == ClientKind::Rtsp) {
            r.resume = resumePacket;
        } else {
            r.resume = resumeOffset;
            // An address that names an ASF file keeps only an ASF body.
            r.extra = kind == ClientKind::HttpDownload && (AddressTypeBits(url) & kTypeAsfFamily)
                          ? HttpDownloadClient::kAsfBody
                          : 0;
            // The job's credentials belong to the address it was given; an
            // address of another server (a playlist entry) gets them only
            // when it asks and the user answers.
            if (MayGetJobCredentials(url, job.url)) {
                r.user = job.User();
                r.password = job.Password();
            }
        }
        return r;
    };
    auto mayContinue = [&](uint64_t previous) {
        return previous == 0 && !job.noNext && !job.stopRequested && !job.resumeRefused;
    };
    // The last error text any attempt gave, for a last attempt that fails
    // without a word.
    std::string lastError;
    auto prepareNext = [&]() {
        if (job.errorFlag)
            lastError = job.ErrorText();
        job.errorFlag = false;
        job.SetErrorText({});
        RewindTo(**file, resumeOffset);
    };
    // A count of 0 is a failure even when the client said nothing: the job
    // must not show it as completed.
    auto settle = [&](uint64_t result) {
        if (result == 0 && !job.stopRequested && !job.errorFlag && !job.resumeRefused)
            thread_.ReportError(lastError.empty() ? std::string("Recording failed") : lastError);
        return result;
    };

    const FallbackRow& row = FallbackRowFor(RecordFallbackTable(), AddressTypeBits(address));
    uint64_t result = 0;
    for (int i = 0; i < row.count; ++i) {
        if (job.stopRequested)
            return result;
        if (i > 0) {
            if (!mayContinue(result))
                return settle(result);
            prepareNext();
        }
        lastClient_ = row.clients[i];
        result = RunWithReconnect(file, row.clients[i], request(row.clients[i], address), resumeOffset);
    }
    if (originalAddress != address && mayContinue(result)) {
        prepareNext();
        lastClient_ = ClientKind::Rtsp;
        result = RunWithReconnect(file, ClientKind::Rtsp, request(ClientKind::Rtsp, originalAddress),
                                  resumeOffset);
    }
    return settle(result);
}

uint64_t JobDriver::RunWithReconnect(std::unique_ptr<FileSink>* file, ClientKind kind,
                                     const RecordRequest& request, uint64_t resumeOffset)
{
    RecordJob& job = thread_.job();
    thread_.SetProgressBase(0);
    uint64_t written = thread_.RunClient(kind, request);
    if (job.settings.m_reconnect <= 0 || kind == ClientKind::HttpDownload)
        return written;
    uint64_t packets = job.dataPackets;
    StreamEnd end = job.streamEnd;
    while (Droppable(end) && !job.stopRequested && !job.errorFlag) {
        const Outage outage = Reconnect(file, kind, request, resumeOffset, &written);
        if (outage == Outage::GaveUp) {
            // The job ends as the drop left it (a broadcast as recorded, an
            // on-demand stream incomplete), not with the refusals since.
            job.errorFlag = false;
            job.SetErrorText({});
        }
        if (outage != Outage::Over)
            break;
        packets += job.dataPackets;
        end = job.streamEnd;
    }
    // Judge sees the job's recording as a whole.
    job.streamEnd = end;
    job.dataPackets = packets;
    return written;
}

JobDriver::Outage JobDriver::Reconnect(std::unique_ptr<FileSink>* file, ClientKind kind,
                                       const RecordRequest& first, uint64_t resumeOffset, uint64_t* written)
{
    using Clock = std::chrono::steady_clock;
    RecordJob& job = thread_.job();
    const ReconnectTimings& timings = thread_.reconnectTimings();
    const auto lostAt = Clock::now();
    const int64_t lostAtMs = SystemNowMs();
    const auto limit = std::chrono::seconds(job.settings.m_reconnect);
    const bool live = job.streamEnd == StreamEnd::ConnectionLost;

    for (uint32_t attempt = 1;; ++attempt) {
        const size_t i = attempt - 1;
        const int waitMs = i < timings.backoffMs.size() ? timings.backoffMs[i] : timings.thenEveryMs;
        if (Clock::now() + std::chrono::milliseconds(waitMs) - lostAt > limit)
            return Outage::GaveUp;
        // The attempt goes on where the file ends; a file that cannot be
        // read back as a recording is left as it is.
        FileSink& out = **file;
        DroppedFile dropped;
        if (!out.Flush())
            return Outage::Failed;
        if (!dropped.Read(job.OutputPath(), live))
            return Outage::GaveUp;
        JobEvent e = JobEvent::Of(job.jobId, kStatusReconnecting);
        e.attempt = attempt;
        job.Post(std::move(e));
        const auto due = Clock::now() + std::chrono::milliseconds(waitMs);
        while (Clock::now() < due) {
            if (job.stopRequested)
                return Outage::Stopped;
            std::this_thread::sleep_for(std::min<Clock::duration>(due - Clock::now(), std::chrono::milliseconds(50)));
        }
        if (job.stopRequested)
            return Outage::Stopped;

        RecordRequest request = first;
        request.out = &out;
        request.continuation.reset();
        if (live) {
            request.resume = 0;
            request.continuation = std::make_shared<const AsfFileWriter::Continuation>(dropped.continuation);
            out.Seek(dropped.end);
        } else {
            // Packets by number for MMS over TCP and RTSP, the offset for MMS
            // over HTTP; the index object goes and comes back if nothing follows.
            request.resume = kind == ClientKind::Mmsh ? dropped.end : dropped.packets;
            request.keptHeader = dropped.header;
            out.Truncate(dropped.end);
            out.Seek(dropped.end);
        }
        job.errorFlag = false;
        job.SetErrorText({});
        thread_.SetProgressBase(dropped.end > resumeOffset ? dropped.end - resumeOffset : 0);
        thread_.ArmReconnected(attempt, lostAtMs, lostAt);
        *written += thread_.RunClient(kind, request);
        uint64_t size = 0;
        if (!live && out.Size(&size) && size <= dropped.end) {
            out.WriteAt(dropped.end, dropped.index.data(), dropped.index.size());
            out.Seek(dropped.end + dropped.index.size());
        }
        if (job.resumeRefused) {
            // The server serves another stream now: the file stays as it was.
            job.resumeRefused = false;
            thread_.DisarmReconnected();
            return Outage::GaveUp;
        }
        if (job.streamEnd == StreamEnd::HeaderChanged) {
            // Other streams: the file stays as it was, and the broadcast goes
            // on in a file of its own.
            thread_.DisarmReconnected();
            if (!NextFile(file))
                return Outage::Failed;
            request = first;
            request.out = file->get();
            request.resume = 0;
            request.keptHeader.clear();
            thread_.SetProgressBase(0);
            thread_.ArmReconnected(attempt, lostAtMs, lostAt);
            *written += thread_.RunClient(kind, request);
        }
        if (thread_.DisarmReconnected())
            return Outage::Over;
        if (job.stopRequested)
            return Outage::Stopped;
    }
}

bool JobDriver::NextFile(std::unique_ptr<FileSink>* file)
{
    RecordJob& job = thread_.job();
    const std::string path = MakeUniqueName(firstPath_);
    std::unique_ptr<FileSink> next = path.empty() ? nullptr : FileSink::CreateNew(path);
    if (!next) {
        thread_.ReportError("File Creation Error");
        return false;
    }
    const bool closed = (*file)->Close();
    *file = std::move(next);
    job.SetOutputPath(path);
    if (!closed) {
        thread_.ReportError("File Write Error");
        return false;
    }
    return true;
}
