#include "formats/asf_stream_header.h"

#include <algorithm>
#include <cstring>

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
