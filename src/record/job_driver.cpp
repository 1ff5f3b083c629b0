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
#include "formats/list_file_io.h"
#include "formats/playlist_text.h"
#include "formats/printf.h"
#include "medialist/media_list.h"
#include "protocols/http/http_download_client.h"
#include "protocols/net/failure_reason.h"
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

// Brings the file back to what it held when the attempts started (`kept`
// bytes), dropping what a failed attempt added, and the cursor to where
// they start: the next client starts a stream of its own and must not
// append it to another's leftovers.
void RewindTo(FileSink& file, uint64_t kept, uint64_t position)
{
    uint64_t size = 0;
    if (file.Size(&size) && size > kept) {
        // A failure here shows when the file is closed; the cursor below
        // still makes the next client write over the leftovers.
        file.Truncate(kept);
    }
    file.Seek(position);
}

std::string LowerFirst(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

constexpr uint32_t kPlaylistBits = 0x1000 | 0x2000 | 0x4000 | 0x10;

// What a file a job made came to: nothing, an ASF header without a data
// packet, or anything else (a recording, a download, or no regular file).
enum class Made { Empty, HeaderOnly, Other };

Made WhatWasMade(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Made::Other;
    if (st.st_size == 0)
        return Made::Empty;
    AsfFileReader reader;
    return reader.Open(path) && reader.PacketCount() == 0 ? Made::HeaderOnly : Made::Other;
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
    const std::vector<FailedAttempt> attemptsBefore = job.Attempts();
    job.errorFlag = false;
    job.incomplete = false;
    job.SetErrorText({});
    job.SetAttempts({});
    job.bytesWritten = 0;
    job.SetOutputPath({});
    RecordOne(recorded, address, title, depth);
    // A stop ends the job with this entry: the job's end tells of it.
    if (!job.stopRequested) {
        JobEvent e = JobEvent::Of(job.jobId, JobEventKind::EntryFinished);
        e.address = address;
        e.result = job.Result();
        e.bytes = job.bytesWritten;
        e.text = job.OutputPath();
        if (e.result == JobResult::Failed)
            e.errorText = job.ErrorText();
        e.attempts = job.Attempts();
        job.Post(std::move(e));
    }
    // The job's end tells of the failure it keeps, with its attempts.
    if (!job.errorFlag && failedBefore) {
        job.errorFlag = true;
        job.SetErrorText(errorBefore);
        job.SetAttempts(attemptsBefore);
    } else if (!job.errorFlag) {
        job.SetAttempts({});
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
        const bool recordedSomething = RunAttempts(&file, recorded, address, resume.point) != 0;
        const bool refused = job.resumeRefused && !created && !job.stopRequested;

        if (!file->Close() && !job.errorFlag)
            thread_.ReportError("File Write Error");
        // A file this job created that holds no data packet (nothing, or a
        // stream's header alone) is not a recording; left behind it would
        // only push the next try of the same address to a numbered name.
        const std::string path = job.OutputPath();
        const Made made = created ? WhatWasMade(path) : Made::Other;
        if (made != Made::Other)
            ::unlink(path.c_str());
        if (refused && mayResume) {
            thread_.Trace("The file holds another stream: it is not resumed");
            job.errorFlag = false;
            job.SetErrorText({});
            job.SetAttempts({});
            job.bytesWritten = 0;
            mayResume = false;
            continue;
        }
        switch (CheckAsfBody(recorded, created, resume.point.offset)) {
        case BodyCheck::Asf:
            Judge(recorded, resume.point.offset, recordedSomething, made == Made::HeaderOnly);
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
        LooksLikePlaylist(reinterpret_cast<const uint8_t*>(text.data()), text.size());
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
    job.AddAttempt({StreamTransport::Http, lastUrl_, net::kNotWindowsMedia});
    return BodyCheck::NotAsf;
}

void JobDriver::Judge(const std::string& address, uint64_t resumeOffset, bool recorded, bool headerOnly)
{
    RecordJob& job = thread_.job();
    const StreamEnd end = job.streamEnd;
    // A stream client wrote a header and at least one data packet.
    const bool holdsStream = job.dataPackets > 0;
    const bool endedAsItShould = end == StreamEnd::EndOfStream || end == StreamEnd::LimitReached ||
                                 end == StreamEnd::Stopped || end == StreamEnd::ConnectionLost;
    // An on-demand stream that ended before its announced end, marked or not.
    const bool cutShort = end == StreamEnd::Incomplete || end == StreamEnd::Interrupted;

    // A stream that holds packets is a recording however short: whole, or
    // cut short and kept (finalised and resumable) as incomplete. Anything
    // else of a media type this small is a server's refusal (an error page,
    // an empty reply) or a transfer cut short, not a recording. A stop by
    // the user is a cancel, not a failure, and a resumed file counts with
    // what it already held: the clients count only what they add.
    const uint32_t type = AddressTypeBits(address);
    const uint64_t recordedBytes = resumeOffset + job.bytesWritten;
    // The job's message, and the attempt's reason in the words of the others.
    std::string message, reason;
    if (headerOnly && !job.stopRequested) {
        // Whatever the address's type: the file held nothing to keep and is
        // gone, so the job recorded nothing.
        message = kHeaderOnlyText;
        reason = LowerFirst(message);
    } else if (!(holdsStream && (endedAsItShould || cutShort)) && recordedBytes < kTooSmallBytes &&
               !job.stopRequested && ((type & kTypeOtherMedia) || ((type & kTypeAsfFamily) && !job.noNext))) {
        message = cutShort ? kEndedEarlyText : kTooSmallText;
        reason = cutShort ? LowerFirst(message)
                          : Printf("too small to be a recording (%llu bytes)", static_cast<unsigned long long>(recordedBytes));
    }
    if (!message.empty()) {
        if (job.ErrorText().empty())
            job.SetErrorText(message);
        // The attempt that ended the chain counts as failed now; one that
        // brought nothing is listed already.
        if (recorded)
            job.AddAttempt({TransportOf(lastClient_), lastUrl_, reason});
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
                                const std::string& originalAddress, const ResumePoint& resume)
{
    RecordJob& job = thread_.job();
    const uint64_t resumeOffset = resume.offset;
    const bool resuming = resume.packet != 0 || resume.offset != 0;
    // A resumed file keeps all it holds: its last packet is fetched again
    // only as proof, and is not written anew.
    uint64_t keptSize = 0;
    if (resuming && !(*file)->Size(&keptSize))
        keptSize = resumeOffset;
    auto request = [&](ClientKind kind, const std::string& url) {
        RecordRequest r;
        r.out = file->get();
        r.url = url;
        r.playerAgent = job.playerAgent;
        if (resuming) {
            r.keptHeader = resume.header;
            r.repeatedPacket = resume.lastPacket;
        }
        if (kind == ClientKind::MmsTcp || kind == ClientKind::Rtsp) {
            if (resuming)
                r.resume = ResumeAt::Packet(resume.packet);
        } else {
            // The download is never given a resumed file (see below).
            if (resuming)
                r.resume = ResumeAt::Byte(resumeOffset);
            // An address that names an ASF file keeps only an ASF body.
            r.body = kind == ClientKind::HttpDownload && (AddressTypeBits(url) & kTypeAsfFamily)
                         ? RecordRequest::Body::AsfOnly
                         : RecordRequest::Body::ScanPages;
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
        RewindTo(**file, keptSize, resumeOffset);
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
        // The download starts at the beginning of the body: on a resumed
        // file it would write a whole stream behind the kept part.
        if (resuming && row.clients[i] == ClientKind::HttpDownload)
            continue;
        if (i > 0) {
            if (!mayContinue(result))
                return settle(result);
            prepareNext();
        }
        lastClient_ = row.clients[i];
        lastUrl_ = address;
        result = RunWithReconnect(file, row.clients[i], request(row.clients[i], address), resumeOffset);
        if (result == 0)
            thread_.NoteFailedAttempt(row.clients[i], address);
    }
    if (originalAddress != address && mayContinue(result)) {
        prepareNext();
        lastClient_ = ClientKind::Rtsp;
        lastUrl_ = originalAddress;
        result = RunWithReconnect(file, ClientKind::Rtsp, request(ClientKind::Rtsp, originalAddress),
                                  resumeOffset);
        if (result == 0)
            thread_.NoteFailedAttempt(ClientKind::Rtsp, originalAddress);
    }
    return settle(result);
}
