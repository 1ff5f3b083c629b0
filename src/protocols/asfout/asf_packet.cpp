#include "protocols/asfout/asf_packet.h"

#include <cstring>

#include "formats/asf_guids.h"
#include "formats/le.h"

namespace asfout {

namespace {

// Where the payload parsing information starts: after the error-correction
// flags and their data when that byte says they are present, otherwise at
// the first byte. -1 for an error-correction layout we do not know.
int ParsingStart(const uint8_t* p, size_t length)
{
    if (length < 1)
        return -1;
    if (!(p[0] & 0x80))
        return 0;
    // Opaque data or a length type other than 0 are not used by any stream.
    if (p[0] & 0x70)
        return -1;
    return 1 + (p[0] & 0x0F);
}

// A bounded cursor: every read checks that the bytes are there.
class Cursor {
public:
    Cursor(uint8_t* data, size_t length, size_t pos) : data_(data), length_(length), pos_(pos) {}

    bool Has(size_t n) const { return pos_ <= length_ && n <= length_ - pos_; }
    size_t pos() const { return pos_; }
    uint8_t* here() { return data_ + pos_; }

    // Where the last failed read or skip would have ended.
    size_t wanted() const { return wanted_; }

    bool ReadByType(unsigned type, uint32_t* value)
    {
        size_t n = le::LengthTypeSize(type);
        if (!Skip(n))
            return false;
        *value = le::LoadByType(data_ + pos_ - n, type);
        return true;
    }
    // Moves on without a check: the next read checks.
    void Advance(size_t n) { pos_ += n; }
    bool Skip(size_t n)
    {
        if (!Has(n)) {
            wanted_ = pos_ + n;
            return false;
        }
        pos_ += n;
        return true;
    }

private:
    uint8_t* data_;
    size_t length_;
    size_t pos_;
    size_t wanted_ = 0;
};

uint32_t Rebased(uint32_t value, uint32_t base) { return value > base ? value - base : 0; }

void StoreByType(uint8_t* p, unsigned type, uint32_t value)
{
    switch (type) {
    case 1: p[0] = static_cast<uint8_t>(value); break;
    case 2: le::Store16(p, static_cast<uint16_t>(value)); break;
    case 3: le::Store32(p, value); break;
    default: break;
    }
}

}  // namespace

int SendTimeOffset(const uint8_t* packet, size_t length)
{
    int start = ParsingStart(packet, length);
    if (start < 0 || length < static_cast<size_t>(start) + 2)
        return -1;
    uint8_t flags = packet[start];
    if (flags & 0x80)
        return -1;
    size_t offset = static_cast<size_t>(start) + 2 + le::LengthTypeSize((flags >> 5) & 3) +
                    le::LengthTypeSize((flags >> 1) & 3) + le::LengthTypeSize((flags >> 3) & 3);
    if (offset + 4 > length)
        return -1;
    return static_cast<int>(offset);
}

int RebasePacketTimes(uint8_t* packet, size_t length, uint32_t base, uint32_t packetSize)
{
    return RebasePacketTimes(packet, length, base, packetSize, nullptr);
}

int RebasePacketTimes(uint8_t* packet, size_t length, uint32_t base, uint32_t packetSize,
                      RebaseReach* reach)
{
    RebaseReach unused;
    if (!reach)
        reach = &unused;
    int start = ParsingStart(packet, length);
    if (start < 0 || length < static_cast<size_t>(start) + 2)
        return 1;
    const uint8_t flags = packet[start];
    const uint8_t props = packet[start + 1];
    if (flags & 0x80)
        return 1;
    const bool multiple = flags & 0x01;
    const unsigned sequenceType = (flags >> 1) & 3;
    const unsigned paddingType = (flags >> 3) & 3;
    const unsigned packetLengthType = (flags >> 5) & 3;
    const unsigned replicatedType = props & 3;
    const unsigned offsetType = (props >> 2) & 3;
    const unsigned objectNumberType = (props >> 4) & 3;
    const unsigned streamNumberType = (props >> 6) & 3;

    Cursor c(packet, length, static_cast<size_t>(start) + 2);
    uint32_t packetLength = 0, sequence = 0, padding = 0;
    // A field that does not fit: how far it would have reached.
    auto cut = [&] {
        reach->reached = c.wanted();
        return 1;
    };
    if (!c.ReadByType(packetLengthType, &packetLength) || !c.ReadByType(sequenceType, &sequence) ||
        !c.ReadByType(paddingType, &padding) || !c.Skip(4))
        return cut();
    uint8_t* sendTime = c.here() - 4;
    le::Store32(sendTime, Rebased(le::Load32(sendTime), base));
    if (packetLengthType == 0)
        packetLength = packetSize;

    // The padding bytes that arrived are zeroed; the writer pads the rest.
    if (padding != 0 && padding <= packetLength) {
        size_t from = packetLength - padding;
        size_t to = packetLength < length ? packetLength : length;
        if (from < to)
            std::memset(packet + from, 0, to - from);
    }
    const size_t limit = packetLength >= padding ? packetLength - padding : 0;
    reach->payloadsEnd = limit;

    uint32_t payloadFlags = 0;
    if (!c.Skip(2) || !c.ReadByType(1, &payloadFlags))
        return cut();
    // Six bits of payload count; the length field's type is in the top bits
    // and is a 16-bit word in every stream seen.
    const unsigned payloadCount = multiple ? (payloadFlags & 0x3F) : 1;
    unsigned payloadLengthType = multiple ? (payloadFlags >> 6) & 3 : 0;
    if (multiple && payloadLengthType == 0)
        payloadLengthType = 2;

    for (unsigned i = 0; i < payloadCount; ++i) {
        uint32_t value = 0, replicated = 0;
        if (multiple && !c.ReadByType(streamNumberType, &value))
            return cut();
        if (!c.ReadByType(objectNumberType, &value))
            return cut();
        uint8_t* offsetField = c.here();
        uint32_t offsetValue = 0;
        if (!c.ReadByType(offsetType, &offsetValue) || !c.ReadByType(replicatedType, &replicated))
            return cut();
        if (!c.Has(replicated)) {
            c.Skip(replicated);
            return cut();
        }
        if (replicated >= 8) {
            // Media object size, then the presentation time.
            uint8_t* time = c.here() + 4;
            le::Store32(time, Rebased(le::Load32(time), base));
        } else if (replicated == 1) {
            // A compressed payload carries its presentation time in the
            // offset field.
            StoreByType(offsetField, offsetType, Rebased(offsetValue, base));
        }
        c.Skip(replicated);
        uint32_t payloadLength = 0;
        if (multiple) {
            if (!c.ReadByType(payloadLengthType, &payloadLength))
                return cut();
        } else {
            if (c.pos() > limit) {
                reach->reached = c.pos();
                return 1;
            }
            payloadLength = static_cast<uint32_t>(limit - c.pos());
        }
        if (c.pos() + payloadLength > limit) {
            reach->reached = c.pos() + payloadLength;
            return 1;
        }
        // The payload data need not all be present (a server may drop the
        // padding, and the last payload may end in it); only fields are read.
        c.Advance(payloadLength);
    }
    reach->reached = c.pos();
    return 0;
}

AsfFileProperties ReadFileProperties(const uint8_t* object)
{
    // The fields follow the 24-byte object head.
    return AsfFileProperties::Decode(object + 24);
}

int FindFilePropertiesObject(const uint8_t* buffer, size_t length)
{
    const uint8_t* guid = asf::kFileProperties.data();
    for (size_t pos = 0; pos + 16 <= length; ++pos) {
        if (buffer[pos] == guid[0] && std::memcmp(buffer + pos, guid, 16) == 0)
            return static_cast<int>(pos);
    }
    return -1;
}

}  // namespace asfout
