#include "tools/asf_cut.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

#include "formats/asf_file_info.h"
#include "formats/asf_file_reader.h"
#include "formats/asf_file_writer.h"
#include "formats/asf_guids.h"
#include "formats/asf_packet.h"
#include "formats/file_sink.h"
#include "formats/le.h"
#include "formats/printf.h"

namespace {

using u128 = unsigned __int128;

// Simple Index object: header, file id, entry interval (100 ns units),
// largest packet count, entry count, then 6-byte entries (packet number,
// packet count).
constexpr size_t kIndexIntervalAt = 40;
constexpr size_t kIndexMaxCountAt = 48;
constexpr size_t kIndexCountAt = 52;
constexpr size_t kIndexEntriesAt = 56;
constexpr size_t kIndexEntrySize = 6;

// Progress is reported about this often.
constexpr uint64_t kProgressEvery = 256;
// Bytes read, re-timed and written at once: more than the file sink
// gathers, so that a batch goes from the read buffer to the file.
constexpr size_t kReadBatch = 1024 * 1024;
// How far back the start may move to the key frame it needs.
constexpr uint64_t kMaxKeyFrameSearch = 16384;

std::string ErrnoText(int err) { return err ? std::strerror(err) : "unknown error"; }

std::string Dirname(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Basename(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The temporary file the cut is written to, removed unless it was renamed.
class TempFile {
public:
    ~TempFile()
    {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    // A new file beside target with the given permission bits, less the
    // umask as for any new file.
    int Create(const std::string& target, mode_t mode, int* error)
    {
        const std::string dir = Dirname(target);
        const std::string base = Basename(target);
        const auto seed = static_cast<unsigned long>(
            std::chrono::steady_clock::now().time_since_epoch().count());
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            std::string path = Printf("%s/.%s.%lx%02x.part", dir.c_str(), base.c_str(),
                                      (seed ^ static_cast<unsigned long>(::getpid())) & 0xFFFFFFul, attempt);
            int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd >= 0) {
                path_ = path;
                return fd;
            }
            if (errno != EEXIST) {
                *error = errno;
                return -1;
            }
        }
        *error = EEXIST;
        return -1;
    }
    // Gives the file its name; false with errno in *error (EEXIST: the name
    // is taken and overwrite is off).
    bool MoveTo(const std::string& target, bool overwrite, int* error)
    {
        int rc;
        if (overwrite) {
            rc = ::rename(path_.c_str(), target.c_str());
        } else {
            rc = ::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
            if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
                // A file system without the no-replace rename: a hard link
                // fails just the same when the name is taken.
                rc = ::link(path_.c_str(), target.c_str());
                if (rc == 0)
                    ::unlink(path_.c_str());
            }
        }
        if (rc != 0) {
            *error = errno;
            return false;
        }
        path_.clear();
        return true;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Why the output name cannot take the cut, or empty. Only a regular file
// is ever replaced: renaming over a device, a pipe, a socket or a link would
// swap the special file (or the link) for a plain one, and writing through
// it is not what a cut is for. A folder cannot be replaced at all.
std::string OutputRefusal(const std::string& output, const struct stat& source, bool overwrite)
{
    struct stat st {};
    if (::lstat(output.c_str(), &st) != 0)
        return {};
    const char* kind = S_ISDIR(st.st_mode)                            ? "a folder"
                       : S_ISLNK(st.st_mode)                          ? "a symbolic link"
                       : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)   ? "a device"
                       : S_ISFIFO(st.st_mode)                         ? "a named pipe"
                       : S_ISSOCK(st.st_mode)                         ? "a socket"
                       : !S_ISREG(st.st_mode)                         ? "not a regular file"
                                                                      : nullptr;
    if (kind)
        return output + ": is " + std::string(kind) + "; only a regular file is replaced";
    if (st.st_dev == source.st_dev && st.st_ino == source.st_ino)
        return output + ": is the file being cut";
    if (!overwrite)
        return output + ": exists";
    return {};
}

bool IsVideo(uint8_t stream, const std::vector<int>& videoStreams)
{
    return std::find(videoStreams.begin(), videoStreams.end(), stream) != videoStreams.end();
}

bool IsKeyFrameStart(const asf::PacketLayout::Payload& payload, const std::vector<int>& videoStreams)
{
    return payload.keyFrame && !payload.compressed() && payload.offsetIntoObject == 0 &&
           IsVideo(payload.streamNumber, videoStreams);
}

// The packet, at or before first, in which a key frame of a video stream
// begins: a cut that starts there shows a picture from its first packet
// instead of undecodable frames until the next key frame. first itself when
// the file has no video stream or no such packet lies within reach.
uint64_t KeyFrameStart(const AsfFileReader& reader, const std::vector<int>& videoStreams, uint64_t first)
{
    if (videoStreams.empty())
        return first;
    std::vector<uint8_t> packet;
    asf::PacketLayout layout;
    const uint64_t lowest = first > kMaxKeyFrameSearch ? first - kMaxKeyFrameSearch : 0;
    for (uint64_t p = first + 1; p-- > lowest;) {
        if (!reader.ReadPacket(p, &packet))
            break;
        asf::WalkDataPacket(packet.data(), packet.size(), reader.Header().packetSize, &layout);
        for (size_t i = 0; i < layout.payloadCount; ++i)
            if (IsKeyFrameStart(layout.payloads[i], videoStreams))
                return p;
    }
    return first;
}

// In the cut's first packet, the video payloads before the first key frame
// (frames, or ends of frames, that depend on packets left out) go: the
// decoder would otherwise start with a frame it cannot show.
void DropFramesBeforeKeyFrame(uint8_t* packet, uint32_t packetSize, const std::vector<int>& videoStreams)
{
    if (videoStreams.empty())
        return;
    asf::PacketLayout layout;
    asf::WalkDataPacket(packet, packetSize, packetSize, &layout);
    size_t key = 0;
    while (key < layout.payloadCount && !IsKeyFrameStart(layout.payloads[key], videoStreams))
        ++key;
    if (key == 0 || key == layout.payloadCount)
        return;
    asf::DropPayloads(packet, packetSize, packetSize,
                      [&](size_t index, const asf::PacketLayout::Payload& p) {
                          return index < key && IsVideo(p.streamNumber, videoStreams);
                      });
}

}  // namespace

bool PlanCut(uint64_t declaredPackets, uint64_t playDuration, uint64_t prerollMs, uint64_t packetsInFile,
             int64_t startSeconds, int64_t endSeconds, CutPlan* plan, std::string* error)
{
    *plan = CutPlan{};
    const uint64_t playMs = playDuration / 10000;
    if (playMs <= prerollMs) {
        *error = "the file does not give its duration (a broadcast recording that was not finished?)";
        return false;
    }
    const uint64_t durationMs = playMs - prerollMs;
    if (declaredPackets == 0) {
        *error = "the file does not give its packet count";
        return false;
    }
    if (startSeconds < 0 || endSeconds < startSeconds) {
        *error = Printf("the range %lld to %lld s is empty", static_cast<long long>(startSeconds),
                        static_cast<long long>(endSeconds));
        return false;
    }
    if (packetsInFile == 0) {
        *error = "the file holds no whole data packet";
        return false;
    }
    // Seconds past the end name no packets; bounding them keeps the products
    // below in range.
    const uint64_t lastSecond = durationMs / 1000 + 1;
    const uint64_t start = static_cast<uint64_t>(startSeconds);
    const uint64_t end = std::min(static_cast<uint64_t>(endSeconds), lastSecond);
    const u128 first = start > lastSecond ? ~u128{0} : u128{start} * 1000 * declaredPackets / durationMs;
    if (first >= packetsInFile) {
        *error = Printf("the range starts at %lld s, after the end of the file (%llu packets, %llu s)",
                        static_cast<long long>(startSeconds), static_cast<unsigned long long>(packetsInFile),
                        static_cast<unsigned long long>(durationMs / 1000));
        return false;
    }
    u128 last = u128{end + 1} * 1000 * declaredPackets / durationMs;
    // A file of fewer packets than seconds still gives the packet that
    // covers the range.
    last = std::max(last, first + 1);
    plan->firstPacket = static_cast<uint64_t>(first);
    plan->endPacket = static_cast<uint64_t>(std::min<u128>(last, packetsInFile));
    return true;
}

std::vector<uint8_t> CutIndexObject(const std::vector<uint8_t>& source, uint64_t firstPacket,
                                    uint64_t packetCount, uint32_t baseMs, uint32_t highestMs,
                                    uint64_t prerollMs)
{
    if (source.size() < kIndexEntriesAt || !asf::kSimpleIndex.Matches(source.data()) || packetCount == 0)
        return {};
    const uint64_t interval = le::Load64(source.data() + kIndexIntervalAt);
    const uint64_t count = le::Load32(source.data() + kIndexCountAt);
    if (interval == 0 || count == 0 || count > (source.size() - kIndexEntriesAt) / kIndexEntrySize)
        return {};
    // Entry k of the cut is for its time k * interval, which is the
    // source's time k * interval + base.
    const u128 base = u128{baseMs} * 10000;
    const uint64_t skip = static_cast<uint64_t>(base / interval);
    if (skip >= count)
        return {};
    const u128 span = (u128{highestMs} + prerollMs) * 10000;
    const uint64_t wanted = static_cast<uint64_t>(std::min<u128>(span / interval + 1, count - skip));

    std::vector<uint8_t> out(source.begin(), source.begin() + kIndexEntriesAt);
    out.resize(kIndexEntriesAt + wanted * kIndexEntrySize);
    uint32_t largest = 0;
    for (uint64_t k = 0; k < wanted; ++k) {
        const uint64_t j = static_cast<uint64_t>((u128{k} * interval + base) / interval);
        const uint8_t* entry = source.data() + kIndexEntriesAt + std::min(j, count - 1) * kIndexEntrySize;
        const uint64_t packet = le::Load32(entry);
        const uint16_t spanned = le::Load16(entry + 4);
        const uint64_t relative = packet < firstPacket ? 0 : std::min(packet - firstPacket, packetCount - 1);
        uint8_t* to = out.data() + kIndexEntriesAt + k * kIndexEntrySize;
        le::Store32(to, static_cast<uint32_t>(relative));
        le::Store16(to + 4, spanned);
        largest = std::max<uint32_t>(largest, spanned);
    }
    le::Store64(out.data() + 16, out.size());
    le::Store32(out.data() + kIndexMaxCountAt, largest);
    le::Store32(out.data() + kIndexCountAt, static_cast<uint32_t>(wanted));
    return out;
}

std::string DefaultCutPath(const std::string& source)
{
    const size_t slash = source.rfind('/');
    const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = source.rfind('.');
    if (dot == std::string::npos || dot <= nameAt)
        return source + "_cut";
    return source.substr(0, dot) + "_cut" + source.substr(dot);
}

CutResult CutAsfFile(const CutRequest& request, const std::atomic<bool>& stop,
                     const std::function<void(uint64_t, uint64_t)>& progress)
{
    using Status = CutResult::Status;
    CutResult result;
    auto end = [&result](Status status, std::string message) {
        result.status = status;
        result.message = std::move(message);
        return result;
    };
    const std::string output = request.output.empty() ? DefaultCutPath(request.source) : request.output;

    AsfFileReader reader;
    if (!reader.Open(request.source))
        return end(Status::Refused, request.source + ": " + reader.Error());
    const AsfStreamHeader& header = reader.Header();
    std::string why;
    if (!PlanCut(header.declaredPackets, header.properties.playDuration, header.properties.preroll,
                 reader.PacketCount(), request.startSeconds, request.endSeconds, &result.plan, &why))
        return end(Status::Refused, request.source + ": " + why);

    // The start moves back to the key frame it needs (video only).
    AsfFileInfo info;
    std::vector<int> videoStreams;
    if (info.Parse(request.source))
        for (const AsfStreamRecord& stream : info.Streams())
            if (stream.type == asf::kVideoMedia)
                videoStreams.push_back(stream.number);
    result.plan.firstPacket = KeyFrameStart(reader, videoStreams, result.plan.firstPacket);

    struct stat source {};
    if (::stat(request.source.c_str(), &source) != 0)
        return end(Status::Refused, request.source + ": " + ErrnoText(errno));
    if (std::string refusal = OutputRefusal(output, source, request.overwrite); !refusal.empty())
        return end(Status::Refused, refusal);

    TempFile temp;
    int error = 0;
    // The cut is as private (or as open) as its source.
    int fd = temp.Create(output, source.st_mode & 0777, &error);
    if (fd < 0)
        return end(Status::Failed, Printf("%s: cannot create a file there: %s", Dirname(output).c_str(),
                                          ErrnoText(error).c_str()));
    FileSink sink(fd);
    AsfFileWriter writer;
    AsfFileWriter::Options options;
    options.retime = AsfFileWriter::Retime::All;
    options.patch = AsfFileWriter::Patch::Always;
    writer.Begin(&sink, options);
    const std::vector<uint8_t>& head = reader.HeaderBytes();
    if (writer.WriteHeader(head.data(), head.size()) != AsfFileWriter::HeaderResult::Written)
        return end(Status::Failed, Printf("%s: cannot write: %s", output.c_str(), ErrnoText(sink.Error()).c_str()));

    const uint64_t total = result.plan.Count();
    const uint32_t packetSize = header.packetSize;
    // Packets are read in batches of about kReadBatch bytes, and never more
    // than come between two progress reports (a stop is seen between batches).
    const size_t batch = std::clamp<size_t>(kReadBatch / packetSize, 1, kProgressEvery);
    std::vector<uint8_t> packets;
    std::optional<uint32_t> baseMs;
    if (progress)
        progress(0, total);
    for (uint64_t i = 0; i < total;) {
        const uint64_t number = result.plan.firstPacket + i;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(batch, total - i));
        if (!reader.ReadPackets(number, n, &packets))
            return end(Status::Failed, Printf("%s: cannot read data packets %llu to %llu", request.source.c_str(),
                                              static_cast<unsigned long long>(number),
                                              static_cast<unsigned long long>(number + n - 1)));
        if (stop.load(std::memory_order_relaxed))
            return end(Status::Stopped, "stopped");
        if (i == 0)
            DropFramesBeforeKeyFrame(packets.data(), packetSize, videoStreams);
        // The source's time of the first timed packet, read before the
        // writer moves the times back.
        for (size_t k = 0; k < n && !baseMs; ++k) {
            const uint8_t* packet = packets.data() + k * packetSize;
            const int at = asf::SendTimeOffset(packet, packetSize);
            if (at >= 0)
                baseMs = le::Load32(packet + at);
        }
        size_t written = 0;
        if (!writer.WritePackets(packets.data(), n, &written).Wrote() || written != n)
            return end(Status::Failed,
                       Printf("%s: cannot write: %s", output.c_str(), ErrnoText(sink.Error()).c_str()));
        const uint64_t before = i;
        i += n;
        if (progress && (i / kProgressEvery != before / kProgressEvery || i == total))
            progress(i, total);
    }

    std::vector<uint8_t> index;
    std::vector<uint8_t> sourceIndex;
    if (reader.ReadIndexObject(&sourceIndex))
        index = CutIndexObject(sourceIndex, result.plan.firstPacket, total, baseMs.value_or(0),
                               writer.HighestTime(), header.properties.preroll);
    result.sourceIndexUsed = !index.empty();
    if (!writer.Finalise(index.empty() ? nullptr : &index) || !sink.Size(&result.fileSize) || !sink.Close())
        return end(Status::Failed, Printf("%s: cannot write: %s", output.c_str(), ErrnoText(sink.Error()).c_str()));
    if (stop.load(std::memory_order_relaxed))
        return end(Status::Stopped, "stopped");
    // The name may have been taken by something else while the cut ran.
    if (std::string refusal = OutputRefusal(output, source, request.overwrite); !refusal.empty())
        return end(Status::Refused, refusal);
    if (!temp.MoveTo(output, request.overwrite, &error))
        return end(error == EEXIST ? Status::Refused : Status::Failed,
                   output + (error == EEXIST ? ": exists" : ": cannot be written: " + ErrnoText(error)));
    result.packets = writer.PacketsWritten();
    result.durationMs = writer.HighestTime();
    return end(Status::Done, "");
}
