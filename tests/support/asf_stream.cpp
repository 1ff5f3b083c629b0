#include "asf_stream.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <stdexcept>

namespace asfstream {

namespace {

const std::string kHeaderId("\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c", 16);
const std::string kDataId("\x36\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c", 16);
const std::string kFilePropsId("\xa1\xdc\xab\x8c\x47\xa9\xcf\x11\x8e\xe4\x00\xc0\x0c\x20\x53\x65", 16);
const std::string kSimpleIndexId("\x90\x08\x00\x33\xb1\xe5\xcf\x11\x89\xf4\x00\xa0\xc9\x03\x49\xcb", 16);

// Fields of the File Properties object, from its start.
constexpr size_t kFileSize = 40, kPackets = 56, kPlay = 64, kSend = 72, kPreroll = 80, kFlags = 88;

size_t TypeSize(unsigned type) { return type == 3 ? 4 : type; }
uint32_t GetByType(const std::string& s, size_t at, unsigned type)
{
    const uint32_t v = type == 3 ? Get32(s, at) : type ? uint8_t(s.at(at)) : 0;
    return type == 2 ? v | uint8_t(s.at(at + 1)) << 8 : v;
}

}  // namespace

uint32_t Get32(const std::string& s, size_t at)
{
    return uint8_t(s.at(at)) | uint8_t(s.at(at + 1)) << 8 | uint8_t(s.at(at + 2)) << 16 |
           uint32_t{uint8_t(s.at(at + 3))} << 24;
}

uint64_t Get64(const std::string& s, size_t at) { return Get32(s, at) | uint64_t{Get32(s, at + 4)} << 32; }

void Put32(std::string& s, size_t at, uint32_t v)
{
    for (size_t i = 0; i < 4; ++i)
        s.at(at + i) = static_cast<char>(v >> (8 * i));
}

void Put64(std::string& s, size_t at, uint64_t v) { Put32(s, at, uint32_t(v)), Put32(s, at + 4, uint32_t(v >> 32)); }

const Parts& Split(const std::string& path)
{
    static std::mutex mutex;
    static std::map<std::string, Parts> cache;
    std::lock_guard lock(mutex);
    if (auto it = cache.find(path); it != cache.end())
        return it->second;
    const std::string file = testsupport::ReadFile(path);
    const size_t headerSize = file.size() > 30 ? Get64(file, 16) : 0;
    if (file.compare(0, 16, kHeaderId) != 0 || file.compare(headerSize, 16, kDataId) != 0)
        throw std::runtime_error("not an ASF file with a Data object: " + path);
    Parts p;
    p.header = file.substr(0, headerSize + 50);
    p.fileProps = p.header.find(kFilePropsId);
    p.packetSize = Get32(p.header, p.fileProps + 92);
    for (size_t at = p.header.size(); at + p.packetSize <= file.size() && p.packetSize; at += p.packetSize) {
        if (p.packets.size() == Get64(file, headerSize + 40) && p.packets.size())
            break;  // the index follows
        p.packets.push_back(file.substr(at, p.packetSize));
    }
    return cache.emplace(path, std::move(p)).first->second;
}

const std::string& Sample() { static const std::string path = testsupport::MakeSampleAsf(); return path; }
const std::string& SmallSample()
{
    static const std::string path = testsupport::MakeSampleAsf({1.0, false, 1000, 0});
    return path;
}

std::string LiveOf(const std::string& path)
{
    static std::map<std::string, std::string> made;
    static testsupport::TempDir* dir = new testsupport::TempDir();  // lives until the process ends
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    if (auto found = made.find(path); found != made.end())
        return found->second;
    const Parts& src = Split(path);
    std::string file = src.header;
    for (size_t field : {kFileSize, kPackets, kPlay, kSend})
        Put64(file, src.fileProps + field, 0);
    Put32(file, src.fileProps + kFlags, 1);
    Put64(file, file.size() - 50 + 16, 50);
    Put64(file, file.size() - 50 + 40, 0);
    for (const std::string& p : src.packets)
        file += ShiftTimes(p, src.packetSize, kLiveShift);
    const std::string out = dir->File("live" + std::to_string(made.size()) + ".asf");
    testsupport::WriteFile(out, file);
    return made[path] = out;
}

const std::string& LiveSample() { static const std::string path = LiveOf(Sample()); return path; }

std::vector<size_t> TimeOffsets(const std::string& p, uint32_t packetSize)
{
    if (p.size() < 8 || p.compare(0, 3, "\x82\0\0", 3) != 0)
        throw std::runtime_error("not a data packet");
    const uint8_t flags = static_cast<uint8_t>(p[3]), props = static_cast<uint8_t>(p[4]);
    const uint32_t length = (flags >> 5) & 3 ? GetByType(p, 5, (flags >> 5) & 3) : packetSize;
    size_t at = 5 + TypeSize((flags >> 5) & 3) + TypeSize((flags >> 1) & 3);
    const size_t end = length - GetByType(p, at, (flags >> 3) & 3);
    at += TypeSize((flags >> 3) & 3);
    std::vector<size_t> offsets{at};
    at += 6;
    const uint8_t payloads = flags & 1 ? uint8_t(p.at(at++)) : 1;
    for (unsigned i = 0; i < (flags & 1 ? payloads & 0x3Fu : 1u); ++i) {
        at += TypeSize(props >> 6) + TypeSize((props >> 4) & 3) + TypeSize((props >> 2) & 3);
        const uint32_t replicated = GetByType(p, at, props & 3);
        at += TypeSize(props & 3);
        if (replicated >= 8)
            offsets.push_back(at + 4);
        at += replicated;
        at += flags & 1 ? TypeSize(payloads >> 6) + GetByType(p, at, payloads >> 6) : end - at;
        if (at > end)
            throw std::runtime_error("payloads run past the packet");
    }
    return offsets;
}

uint32_t SendTime(const std::string& p, uint32_t packetSize) { return Get32(p, TimeOffsets(p, packetSize).at(0)); }

std::string ShiftTimes(std::string packet, uint32_t packetSize, uint32_t delta)
{
    for (size_t at : TimeOffsets(packet, packetSize))
        Put32(packet, at, Get32(packet, at) + delta);
    return packet;
}

std::string PacketOf(const std::string& file, const Parts& src, size_t i)
{
    return file.substr(src.header.size() + i * src.packetSize, src.packetSize);
}

Repeated Repeat(const Parts& src, uint64_t passes)
{
    Repeated r{&src, passes, 0, {}};
    const size_t fp = src.fileProps, data = src.header.size() - 50;
    r.span = static_cast<uint32_t>(Get64(src.header, fp + kPlay) / 10000 - Get64(src.header, fp + kPreroll) + 100);
    r.header = src.header;
    if (passes > 1) {
        const uint64_t count = r.Count(), extra = (passes - 1) * r.span * 10000ull;
        Put64(r.header, fp + kFileSize, src.header.size() + count * src.packetSize);
        Put64(r.header, fp + kPackets, count);
        Put64(r.header, fp + kPlay, Get64(src.header, fp + kPlay) + extra);
        Put64(r.header, fp + kSend, Get64(src.header, fp + kSend) + extra);
        Put64(r.header, data + 16, 50 + count * src.packetSize);
        Put64(r.header, data + 40, count);
    }
    return r;
}

std::string Repeated::Packet(uint64_t i) const
{
    const size_t n = src->packets.size();
    return ShiftTimes(src->packets[i % n], src->packetSize, static_cast<uint32_t>(i / n * span));
}

Parts Repeated::First(size_t count) const
{
    Parts p = *src;
    p.header = header;
    p.packets.clear();
    for (size_t i = 0; i < count; ++i)
        p.packets.push_back(Packet(i));
    return p;
}

testing::AssertionResult IsRecordingOf(const std::string& path, const Parts& src, size_t count,
                                       bool patched)
{
    const std::string file = testsupport::ReadFile(path);
    const size_t packetsEnd = src.header.size() + count * src.packetSize;
    if (file.size() != packetsEnd + 62)
        return testing::AssertionFailure() << file.size() << " bytes, not " << packetsEnd + 62;
    std::string header = src.header;
    const size_t fp = src.fileProps, data = src.header.size() - 50;
    Put64(header, fp + kFileSize, file.size());
    Put32(header, fp + kFlags, 2);
    if (patched) {
        uint32_t highest = 0;
        for (size_t i = 0; i < count; ++i)
            highest = std::max(highest, SendTime(src.packets[i], src.packetSize));
        Put64(header, fp + kPackets, count);
        Put64(header, fp + kPlay, (uint64_t{highest} + Get32(header, fp + kPreroll)) * 10000);
        Put64(header, fp + kSend, uint64_t{highest} * 10000);
        Put64(header, data + 16, 50 + count * src.packetSize);
        Put64(header, data + 40, count);
    }
    if (file.compare(0, header.size(), header) != 0)
        return testing::AssertionFailure() << "the header differs at byte "
                                           << std::mismatch(header.begin(), header.end(), file.begin()).first - header.begin();
    for (size_t i = 0; i < count; ++i)
        if (PacketOf(file, src, i) != src.packets[i])
            return testing::AssertionFailure() << "packet " << i << " differs";
    if (file.compare(packetsEnd, 16, kSimpleIndexId) != 0 || Get64(file, packetsEnd + 16) != 62)
        return testing::AssertionFailure() << "no Simple Index object after the packets";
    return testing::AssertionSuccess();
}

testing::AssertionResult Decodes(const std::string& path, double seekTo)
{
    std::string said;
    if (seekTo <= 0 && testsupport::DecodesCleanly(path, &said))
        return testing::AssertionSuccess();
    if (seekTo <= 0)
        return testing::AssertionFailure() << said;
    const testsupport::ProcessResult r = testsupport::RunProcess(
        {"ffmpeg", "-nostdin", "-v", "error", "-xerror", "-ss", std::to_string(seekTo), "-i", path, "-f", "null", "-"},
        std::chrono::seconds(120));
    if (r.exitCode == 0 && r.out.empty() && r.err.empty())
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "exit " << r.exitCode << ": " << r.out << r.err;
}

bool StartServer(testsupport::FakeServer& server, const std::string& script, const std::string& file,
                 std::vector<std::string> options)
{
    options.insert(options.begin(), {"--file", file});
    return server.Start(script, options);
}

int NextClientPort(testsupport::FakeServer& server)
{
    std::string line;
    while (server.process().ReadLine(&line, std::chrono::seconds(5)))
        if (line.rfind("CONNECTION ", 0) == 0)
            return std::stoi(line.substr(11));
    return -1;
}

}  // namespace asfstream
