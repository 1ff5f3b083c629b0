#include "formats/asf_stream_header.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/asf_guids.h"
#include "formats/le.h"

namespace {

// The Header object's own fields: object count and two reserved bytes.
constexpr size_t kHeaderObjectFixed = asf::kObjectHeaderSize + 6;

}  // namespace

uint32_t StreamDurationMs(uint64_t playDuration, uint64_t prerollMs)
{
    if (playDuration == 0)
        return 0;
    const uint64_t playMs = playDuration / 10000;
    // The unsigned difference would wrap to some 49 days.
    if (playMs <= prerollMs)
        return 1;
    return static_cast<uint32_t>(std::min<uint64_t>(playMs - prerollMs, UINT32_MAX));
}

long FindFilePropertiesObject(const uint8_t* buffer, size_t length)
{
    const uint8_t* guid = asf::kFileProperties.data();
    for (size_t pos = 0; pos + 16 <= length; ++pos) {
        if (buffer[pos] == guid[0] && std::memcmp(buffer + pos, guid, 16) == 0)
            return static_cast<long>(pos);
    }
    return -1;
}

AsfHeaderCheck ParseStreamHeader(const uint8_t* data, size_t length, AsfStreamHeader* out)
{
    *out = AsfStreamHeader{};
    if (length < kHeaderObjectFixed + asf::kDataObjectPrefix || !asf::kHeader.Matches(data))
        return AsfHeaderCheck::Malformed;
    const size_t objectEnd = length - asf::kDataObjectPrefix;
    if (le::Load64(data + 16) != objectEnd || !asf::kData.Matches(data + objectEnd))
        return AsfHeaderCheck::Malformed;
    // The File Properties object is one of the Header object's children.
    const long fp = FindFilePropertiesObject(data + kHeaderObjectFixed, objectEnd - kHeaderObjectFixed);
    if (fp < 0)
        return AsfHeaderCheck::Malformed;
    const size_t at = kHeaderObjectFixed + static_cast<size_t>(fp);
    if (objectEnd - at < AsfFileProperties::kObjectSize ||
        le::Load64(data + at + 16) < AsfFileProperties::kObjectSize)
        return AsfHeaderCheck::Malformed;

    out->length = length;
    out->filePropertiesAt = at;
    out->dataObjectAt = objectEnd;
    out->properties = AsfFileProperties::Decode(data + at + asf::kObjectHeaderSize);
    const AsfFileProperties& p = out->properties;
    out->declaredPackets = p.dataPacketsCount != 0
                               ? p.dataPacketsCount
                               : le::Load64(data + objectEnd + AsfDataObjectInfo::kPacketCountAt);
    out->durationMs = StreamDurationMs(p.playDuration, p.preroll);
    out->packetSize = p.minDataPacketSize;
    if (p.minDataPacketSize != p.maxDataPacketSize || p.minDataPacketSize == 0 ||
        p.minDataPacketSize >= 0xFFFF)
        return AsfHeaderCheck::UnsupportedPacketSize;
    return AsfHeaderCheck::Ok;
}

namespace {

// One stream as a header describes it: its number, its type and its
// type-specific data (the codec and its settings).
struct StreamIdentity {
    uint32_t number = 0;
    std::vector<uint8_t> type;
    std::vector<uint8_t> specific;
    bool operator<(const StreamIdentity& other) const { return number < other.number; }
    bool operator==(const StreamIdentity& other) const
    {
        return number == other.number && type == other.type && specific == other.specific;
    }
};

// The streams of the Header object's Stream Properties children, by
// number; false when the header does not parse or an object overruns it.
bool StreamsOf(const uint8_t* data, size_t length, std::vector<StreamIdentity>* out)
{
    AsfStreamHeader header;
    if (ParseStreamHeader(data, length, &header) == AsfHeaderCheck::Malformed)
        return false;
    const size_t end = header.dataObjectAt;
    for (size_t at = kHeaderObjectFixed; at + asf::kObjectHeaderSize <= end;) {
        const uint64_t size = le::Load64(data + at + 16);
        if (size < asf::kObjectHeaderSize || size > end - at)
            return false;
        if (asf::kStreamProperties.Matches(data + at)) {
            const size_t fixedEnd = asf::kObjectHeaderSize + asf::kStreamPropertiesFixed;
            if (size < fixedEnd)
                return false;
            const uint8_t* o = data + at;
            const uint64_t specificLength = le::Load32(o + 64);
            if (specificLength > size - fixedEnd)
                return false;
            StreamIdentity s;
            s.number = le::Load16(o + 72) & 0x7F;
            s.type.assign(o + 24, o + 40);
            s.specific.assign(o + fixedEnd, o + fixedEnd + specificLength);
            out->push_back(std::move(s));
        }
        at += static_cast<size_t>(size);
    }
    std::sort(out->begin(), out->end());
    return true;
}

}  // namespace

bool SameStreams(const uint8_t* a, size_t aLength, const uint8_t* b, size_t bLength)
{
    AsfStreamHeader ha, hb;
    if (ParseStreamHeader(a, aLength, &ha) != AsfHeaderCheck::Ok ||
        ParseStreamHeader(b, bLength, &hb) != AsfHeaderCheck::Ok || ha.packetSize != hb.packetSize)
        return false;
    std::vector<StreamIdentity> sa, sb;
    return StreamsOf(a, aLength, &sa) && StreamsOf(b, bLength, &sb) && sa == sb;
}
