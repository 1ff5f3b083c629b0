// The job driver's reconnects: a stream whose connection drops is taken up
// again with the same client, in the same file when it goes on as before.

#include <algorithm>
#include <chrono>
#include <thread>

#include <unistd.h>

#include "formats/asf_file_reader.h"
#include "formats/asf_packet.h"
#include "formats/file_sink.h"
#include "record/cmms_thread.h"
#include "record/job_driver.h"
#include "record/output_names.h"

namespace {

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
    uint64_t dataStart = 0;  // where packet 0 lies
    uint32_t packetSize = 0;
    uint64_t end = 0;  // where packet `packets` goes: the index object starts there
    std::vector<uint8_t> index;
    std::vector<uint8_t> header;  // as a stream sends it
    std::vector<uint8_t> lastPacket;  // empty when there is none
    AsfFileWriter::Continuation continuation;

    bool Read(const std::string& path, bool live)
    {
        AsfFileReader reader;
        if (!reader.Open(path))
            return false;
        packetSize = reader.Header().packetSize;
        packets = reader.PacketCount();
        dataStart = reader.DataStart();
        end = dataStart + packets * packetSize;
        if (!reader.ReadIndexObject(&index))
            index.clear();
        header = reader.HeaderBytes();
        if (!live)
            return packets == 0 || reader.ReadPacket(packets - 1, &lastPacket);
        continuation.header = header;
        continuation.packets = packets;
        // The new session's media times go on after the latest one written,
        // so that every stream's times keep rising.
        const uint64_t preroll = reader.Header().properties.preroll;
        std::vector<uint8_t> packet;
        uint32_t first = 0, last = 0, t = 0;
        for (uint64_t i = packets - std::min(packets, kLastPacketsScanned); i < packets; ++i) {
            if (reader.ReadPacket(i, &packet) && LatestTimeOf(packet, packetSize, preroll, &t))
                last = std::max(last, t);
        }
        if (packets > 0 && reader.ReadPacket(0, &packet)) {
            asf::PacketLayout layout;
            asf::WalkDataPacket(packet.data(), packet.size(), packetSize, &layout);
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
        const Outage outage = Reconnect(file, kind, request, resumeOffset, &written, &packets);
        if (outage == Outage::GaveUp) {
            // The job ends as the drop left it (a broadcast as recorded, an
            // on-demand stream incomplete), not with the refusals since.
            job.errorFlag = false;
            job.SetErrorText({});
        }
        if (outage != Outage::Over)
            break;
        end = job.streamEnd;
    }
    // Judge sees the job's recording as a whole.
    job.streamEnd = end;
    job.dataPackets = packets;
    return written;
}

JobDriver::Outage JobDriver::Reconnect(std::unique_ptr<FileSink>* file, ClientKind kind,
                                       const RecordRequest& first, uint64_t resumeOffset, uint64_t* written,
                                       uint64_t* packets)
{
    using Clock = std::chrono::steady_clock;
    RecordJob& job = thread_.job();
    const ReconnectTimings& timings = thread_.reconnectTimings();
    const auto lostAt = Clock::now();
    const int64_t lostAtMs = SystemNowMs();
    const auto limit = std::chrono::seconds(job.settings.m_reconnect);
    const bool live = job.streamEnd == StreamEnd::ConnectionLost;
    // Attempts in a row that reached the stream and brought no new packet.
    int fruitless = 0;

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
        JobEvent e = JobEvent::Of(job.jobId, JobEventKind::Reconnecting);
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
        request.repeatedPacket.clear();
        if (live) {
            // A broadcast repeats nothing: its new session must describe the
            // same streams (SameStreams), and its packets follow the kept ones.
            request.resume = {};
            request.continuation = std::make_shared<const AsfFileWriter::Continuation>(dropped.continuation);
            out.Seek(dropped.end);
        } else {
            // The stream starts again with the file's last packet, which it
            // must send unchanged before anything is added: by packet number
            // for MMS over TCP and RTSP, by its offset for MMS over HTTP. The
            // index object goes, and comes back if nothing follows.
            const uint64_t from = dropped.packets > 0 ? dropped.packets - 1 : 0;
            const uint64_t at = dropped.dataStart + from * dropped.packetSize;
            request.resume = kind == ClientKind::Mmsh ? ResumeAt::Byte(at) : ResumeAt::Packet(from);
            request.keptHeader = dropped.header;
            request.repeatedPacket = dropped.lastPacket;
            out.Truncate(dropped.end);
            out.Seek(at);
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
            thread_.Trace("The server sends another stream now: the recording ends here");
            return Outage::GaveUp;
        }
        if (job.streamEnd == StreamEnd::HeaderChanged) {
            // Other streams: the file stays as it was, and the broadcast goes
            // on in a file of its own.
            thread_.DisarmReconnected();
            if (!GoOnInNextFile(file, kind, first, attempt, lostAtMs, lostAt, written))
                return Outage::Failed;
        }
        const StreamEnd end = job.streamEnd;
        const uint64_t added = job.dataPackets;
        *packets += added;
        // A stream that reached its end (or a limit) ends the outage too,
        // whatever it brought.
        if (end == StreamEnd::EndOfStream || end == StreamEnd::LimitReached)
            thread_.EndOutage();
        if (thread_.DisarmReconnected())
            return Outage::Over;
        if (job.stopRequested)
            return Outage::Stopped;
        // The server marked the end early: asking again changes nothing.
        if (end == StreamEnd::Incomplete)
            return Outage::GaveUp;
        // A server that answers with its stream but brings nothing new (a
        // header alone, or the same packets up to the same place) is not
        // asked for ever.
        if (end != StreamEnd::Unknown)
            fruitless = added > 0 ? 0 : fruitless + 1;
        if (fruitless >= kMaxFruitlessAttempts) {
            thread_.Trace("The stream brings nothing new: the recording ends here");
            return Outage::GaveUp;
        }
    }
}

bool JobDriver::GoOnInNextFile(std::unique_ptr<FileSink>* file, ClientKind kind, const RecordRequest& first,
                               uint32_t attempt, int64_t lostAtMs, std::chrono::steady_clock::time_point lostAt,
                               uint64_t* written)
{
    RecordJob& job = thread_.job();
    const std::string path = MakeUniqueName(firstPath_);
    std::unique_ptr<FileSink> next = path.empty() ? nullptr : FileSink::CreateNew(path);
    if (!next) {
        thread_.ReportError("File Creation Error");
        return false;
    }
    const std::string previous = job.OutputPath();
    job.SetOutputPath(path);
    RecordRequest request = first;
    request.out = next.get();
    request.resume = {};
    request.keptHeader.clear();
    request.repeatedPacket.clear();
    request.continuation.reset();
    thread_.SetProgressBase(0);
    // The new file is announced with its first data packet: one that gets
    // none goes again, and the list never learns of it.
    thread_.HoldHeaderEvent(true);
    thread_.ArmReconnected(attempt, lostAtMs, lostAt);
    const uint64_t got = thread_.RunClient(kind, request);
    thread_.HoldHeaderEvent(false);
    if (job.dataPackets == 0) {
        next->Close();
        ::unlink(path.c_str());
        job.SetOutputPath(previous);
        return true;
    }
    *written += got;
    const bool closed = (*file)->Close();
    *file = std::move(next);
    if (!closed) {
        thread_.ReportError("File Write Error");
        return false;
    }
    return true;
}
