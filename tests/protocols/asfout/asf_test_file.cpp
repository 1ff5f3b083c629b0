#include "asf_test_file.h"

#include <stdexcept>

#include "formats/asf_guids.h"

namespace asftest {

namespace {

std::string GuidBytes(const Guid& g) { return std::string(reinterpret_cast<const char*>(g.data()), 16); }

size_t FindGuid(const std::string& s, const Guid& g, size_t from = 0)
{
    return s.find(GuidBytes(g), from);
}

size_t TypeSize(unsigned type) { return type == 3 ? 4 : type; }

uint32_t GetByType(const std::string& s, size_t at, unsigned type)
{
    uint8_t b0 = static_cast<uint8_t>(s[at]);
    switch (type) {
    case 1: return b0;
    case 2: return b0 | static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8;
    case 3: return Get32(s, at);
    default: return 0;
    }
}

}  // namespace

uint32_t Get32(const std::string& s, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(s.at(at + static_cast<size_t>(i)));
    return v;
}

uint64_t Get64(const std::string& s, size_t at)
{
    return Get32(s, at) | static_cast<uint64_t>(Get32(s, at + 4)) << 32;
}

void Put32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s.at(at + static_cast<size_t>(i)) = static_cast<char>(v >> (8 * i));
}

void Put64(std::string& s, size_t at, uint64_t v)
{
    Put32(s, at, static_cast<uint32_t>(v));
    Put32(s, at + 4, static_cast<uint32_t>(v >> 32));
}

size_t FilePropertiesAt(const std::string& header) { return FindGuid(header, asf::kFileProperties); }

AsfParts SplitAsf(const std::string& file)
{
    AsfParts parts;
    if (file.size() < 30 || file.compare(0, 16, GuidBytes(asf::kHeader)) != 0)
        throw std::runtime_error("not an ASF file");
    const size_t headerSize = static_cast<size_t>(Get64(file, 16));
    if (file.compare(headerSize, 16, GuidBytes(asf::kData)) != 0)
        throw std::runtime_error("no Data object after the header");
    parts.header = file.substr(0, headerSize + 50);
    size_t fp = FilePropertiesAt(parts.header);
    parts.packetSize = Get32(parts.header, fp + 92);
    const uint64_t count = Get64(file, headerSize + 40);
    for (uint64_t i = 0; i < count; ++i)
        parts.packets.push_back(file.substr(headerSize + 50 + i * parts.packetSize, parts.packetSize));
    return parts;
}

AsfFields ReadFields(const std::string& file)
{
    AsfFields f;
    if (file.size() < 30 || file.compare(0, 16, GuidBytes(asf::kHeader)) != 0)
        return f;
    f.headerSize = Get64(file, 16);
    size_t fp = FindGuid(file.substr(0, f.headerSize), asf::kFileProperties);
    if (fp == std::string::npos || f.headerSize + 50 > file.size())
        return f;
    f.fileSize = Get64(file, fp + 40);
    f.packetCount = Get64(file, fp + 56);
    f.playDuration = Get64(file, fp + 64);
    f.sendDuration = Get64(file, fp + 72);
    f.preroll = Get32(file, fp + 80);
    f.flags = Get32(file, fp + 88);
    f.minPacket = Get32(file, fp + 92);
    f.maxPacket = Get32(file, fp + 96);
    f.dataSize = Get64(file, f.headerSize + 16);
    f.dataPackets = Get64(file, f.headerSize + 40);
    if (f.minPacket > 0) {
        size_t packetsEnd = f.headerSize + 50 +
                            (file.size() - f.headerSize - 50) / f.minPacket * f.minPacket;
        f.endsWithIndex = file.size() - packetsEnd == 62 &&
                          file.compare(packetsEnd, 16, GuidBytes(asf::kSimpleIndex)) == 0 &&
                          Get64(file, packetsEnd + 16) == 62;
    }
    f.valid = true;
    return f;
}

bool FindPacketTimes(const std::string& p, uint32_t packetSize, PacketTimes* out)
{
    *out = {};
    if (p.size() < 8 || static_cast<uint8_t>(p[0]) != 0x82 || p[1] != 0 || p[2] != 0)
        return false;
    const uint8_t flags = static_cast<uint8_t>(p[3]);
    const uint8_t props = static_cast<uint8_t>(p[4]);
    size_t at = 5;
    uint32_t packetLength = GetByType(p, at, (flags >> 5) & 3);
    at += TypeSize((flags >> 5) & 3);
    at += TypeSize((flags >> 1) & 3);
    uint32_t padding = GetByType(p, at, (flags >> 3) & 3);
    at += TypeSize((flags >> 3) & 3);
    if (((flags >> 5) & 3) == 0)
        packetLength = packetSize;
    out->sendTimeAt = at;
    at += 6;
    const bool multiple = flags & 1;
    unsigned count = 1;
    if (multiple)
        count = static_cast<uint8_t>(p.at(at++)) & 0x3F;
    const size_t end = packetLength - padding;
    for (unsigned i = 0; i < count; ++i) {
        if (multiple || i == 0)
            at += TypeSize(props >> 6);  // stream number (the single payload's is that byte too)
        at += TypeSize((props >> 4) & 3);
        at += TypeSize((props >> 2) & 3);
        uint32_t replicated = GetByType(p, at, props & 3);
        at += TypeSize(props & 3);
        if (replicated >= 8)
            out->presentationAt.push_back(at + 4);
        at += replicated;
        uint32_t length = 0;
        if (multiple) {
            length = GetByType(p, at, 2);
            at += 2;
        } else {
            length = static_cast<uint32_t>(end - at);
        }
        at += length;
        if (at > end)
            return false;
    }
    return true;
}

uint32_t SendTime(const std::string& packet, uint32_t packetSize)
{
    PacketTimes t;
    if (!FindPacketTimes(packet, packetSize, &t))
        throw std::runtime_error("packet does not parse");
    return Get32(packet, t.sendTimeAt);
}

std::string ShiftTimes(const std::string& packet, uint32_t packetSize, uint32_t delta)
{
    PacketTimes t;
    if (!FindPacketTimes(packet, packetSize, &t))
        throw std::runtime_error("packet does not parse");
    std::string out = packet;
    Put32(out, t.sendTimeAt, Get32(out, t.sendTimeAt) + delta);
    for (size_t at : t.presentationAt)
        Put32(out, at, Get32(out, at) + delta);
    return out;
}

std::string MakeLiveHeader(const std::string& header)
{
    std::string h = header;
    size_t fp = FilePropertiesAt(h);
    Put64(h, fp + 40, 0);   // file size
    Put64(h, fp + 56, 0);   // packets
    Put64(h, fp + 64, 0);   // play duration
    Put64(h, fp + 72, 0);   // send duration
    Put32(h, fp + 88, 1);   // broadcast
    size_t data = h.size() - 50;
    Put64(h, data + 16, 50);
    Put64(h, data + 40, 0);
    return h;
}

std::string MakeResumableFile(uint32_t headerSize, uint32_t packetSize, uint32_t declared,
                              uint32_t wholePackets, uint32_t extraBytes)
{
    std::string f(headerSize, '\0');
    f.replace(0, 16, GuidBytes(asf::kHeader));
    Put64(f, 16, headerSize);
    Put32(f, 24, 2);
    f[28] = 1;
    f[29] = 2;
    size_t fp = 30;
    f.replace(fp, 16, GuidBytes(asf::kFileProperties));
    Put64(f, fp + 16, 104);
    Put64(f, fp + 56, declared);
    Put32(f, fp + 92, packetSize);
    Put32(f, fp + 96, packetSize);
    // Fill the rest with an object nobody knows.
    size_t other = fp + 104;
    f.replace(other, 16, std::string(16, '\x5A'));
    Put64(f, other + 16, headerSize - other);
    std::string data(50, '\0');
    data.replace(0, 16, GuidBytes(asf::kData));
    Put64(data, 16, 50 + uint64_t{declared} * packetSize);
    Put64(data, 40, declared);
    f += data;
    f += std::string(size_t{wholePackets} * packetSize + extraBytes, '\x11');
    return f;
}

}  // namespace asftest
