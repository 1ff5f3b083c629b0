#include "formats/asf_packet.h"

#include <cstring>
#include <vector>

#include "formats/le.h"

namespace asf {

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
    Cursor(const uint8_t* data, size_t length, size_t pos) : data_(data), length_(length), pos_(pos) {}

    bool Has(size_t n) const { return pos_ <= length_ && n <= length_ - pos_; }
    size_t pos() const { return pos_; }

    // Where the last failed read or skip would have ended.
    size_t wanted() const { return wanted_; }

    bool ReadByType(unsigned type, uint32_t* value)
    {
        const size_t n = le::LengthTypeSize(type);
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
    const uint8_t* data_;
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
    const int start = ParsingStart(packet, length);
    if (start < 0 || length < static_cast<size_t>(start) + 2)
        return -1;
    const uint8_t flags = packet[start];
    if (flags & 0x80)
        return -1;
    const size_t offset = static_cast<size_t>(start) + 2 + le::LengthTypeSize((flags >> 5) & 3) +
                          le::LengthTypeSize((flags >> 1) & 3) + le::LengthTypeSize((flags >> 3) & 3);
    if (offset + 4 > length)
        return -1;
    return static_cast<int>(offset);
}

bool WalkDataPacket(const uint8_t* packet, size_t length, uint32_t packetSize, PacketLayout* out)
{
    *out = PacketLayout{};
    const int start = ParsingStart(packet, length);
    if (start < 0 || length < static_cast<size_t>(start) + 2)
        return false;
    const uint8_t flags = packet[start];
    const uint8_t props = packet[start + 1];
    if (flags & 0x80)
        return false;
    const bool multiple = flags & 0x01;
    const unsigned sequenceType = (flags >> 1) & 3;
    const unsigned paddingType = (flags >> 3) & 3;
    const unsigned packetLengthType = (flags >> 5) & 3;
    const unsigned replicatedType = props & 3;
    const unsigned offsetType = (props >> 2) & 3;
    const unsigned objectNumberType = (props >> 4) & 3;
    const unsigned streamNumberType = (props >> 6) & 3;

    Cursor c(packet, length, static_cast<size_t>(start) + 2);
    // A field that does not fit: how far it would have reached.
    auto cut = [&] {
        out->reached = c.wanted();
        return false;
    };
    uint32_t packetLength = 0;
    if (!c.ReadByType(packetLengthType, &packetLength) || !c.ReadByType(sequenceType, &out->sequence) ||
        !c.ReadByType(paddingType, &out->padding) || !c.Skip(4))
        return cut();
    out->sendTimeAt = static_cast<int>(c.pos() - 4);
    out->sendTime = le::Load32(packet + out->sendTimeAt);
    out->packetLength = packetLengthType == 0 ? packetSize : packetLength;
    const uint32_t padding = out->padding;
    const size_t limit = out->packetLength >= padding ? out->packetLength - padding : 0;
    out->payloadsEnd = limit;

    uint32_t payloadFlags = 0;
    if (!c.Skip(2))
        return cut();
    out->duration = le::Load16(packet + c.pos() - 2);
    // With multiple payloads the payload flags, otherwise the one payload's
    // stream number.
    if (!c.ReadByType(1, &payloadFlags))
        return cut();
    // Six bits of payload count; the length field's type is in the top bits
    // and is a 16-bit word in every stream seen.
    const unsigned payloadCount = multiple ? (payloadFlags & 0x3F) : 1;
    unsigned payloadLengthType = multiple ? (payloadFlags >> 6) & 3 : 0;
    if (multiple && payloadLengthType == 0)
        payloadLengthType = 2;

    for (unsigned i = 0; i < payloadCount; ++i) {
        PacketLayout::Payload payload;
        uint32_t streamByte = payloadFlags;
        if (multiple && !c.ReadByType(streamNumberType, &streamByte))
            return cut();
        payload.streamNumber = static_cast<uint8_t>(streamByte & 0x7F);
        payload.keyFrame = (streamByte & 0x80) != 0;
        if (!c.ReadByType(objectNumberType, &payload.mediaObjectNumber))
            return cut();
        payload.offsetAt = c.pos();
        payload.offsetType = offsetType;
        if (!c.ReadByType(offsetType, &payload.offsetIntoObject) ||
            !c.ReadByType(replicatedType, &payload.replicatedLength))
            return cut();
        if (!c.Has(payload.replicatedLength)) {
            c.Skip(payload.replicatedLength);
            return cut();
        }
        payload.replicatedAt = c.pos();
        if (payload.replicatedLength >= 8) {
            payload.hasPresentationTime = true;
            payload.presentationTime = le::Load32(packet + payload.replicatedAt + 4);
        }
        c.Skip(payload.replicatedLength);
        // Its times are known from here on, whatever follows.
        out->payloads[out->payloadCount++] = payload;
        PacketLayout::Payload& kept = out->payloads[out->payloadCount - 1];

        uint32_t payloadLength = 0;
        if (multiple) {
            if (!c.ReadByType(payloadLengthType, &payloadLength))
                return cut();
        } else {
            if (c.pos() > limit) {
                out->reached = c.pos();
                return false;
            }
            payloadLength = static_cast<uint32_t>(limit - c.pos());
        }
        kept.dataAt = c.pos();
        kept.dataLength = payloadLength;
        if (c.pos() + payloadLength > limit) {
            out->reached = c.pos() + payloadLength;
            return false;
        }
        // The payload data need not all be present (a server may drop the
        // padding, and the last payload may end in it); only fields are read.
        c.Advance(payloadLength);
    }
    out->reached = c.pos();
    out->whole = true;
    return true;
}

bool SamePayloads(const uint8_t* a, const uint8_t* b, uint32_t packetSize)
{
    // A packet may claim a length past the bytes there are: its payloads
    // must lie inside them to be compared one by one.
    auto walk = [packetSize](const uint8_t* packet, PacketLayout* layout) {
        if (!WalkDataPacket(packet, packetSize, packetSize, layout))
            return false;
        for (size_t i = 0; i < layout->payloadCount; ++i) {
            const PacketLayout::Payload& p = layout->payloads[i];
            if (p.dataAt > packetSize || p.dataLength > packetSize - p.dataAt)
                return false;
        }
        return true;
    };
    PacketLayout x, y;
    if (!walk(a, &x) || !walk(b, &y))
        return std::memcmp(a, b, packetSize) == 0;
    if (x.payloadCount != y.payloadCount)
        return false;
    for (size_t i = 0; i < x.payloadCount; ++i) {
        const PacketLayout::Payload& p = x.payloads[i];
        const PacketLayout::Payload& q = y.payloads[i];
        if (p.streamNumber != q.streamNumber || p.mediaObjectNumber != q.mediaObjectNumber ||
            p.compressed() != q.compressed() || (!p.compressed() && p.offsetIntoObject != q.offsetIntoObject) ||
            p.dataLength != q.dataLength)
            return false;
        if (std::memcmp(a + p.dataAt, b + q.dataAt, p.dataLength) != 0)
            return false;
    }
    return true;
}

int RebasePacketTimes(uint8_t* packet, size_t length, uint32_t base, uint32_t packetSize,
                      PacketLayout* layout, uint32_t add)
{
    PacketLayout local;
    PacketLayout& l = layout ? *layout : local;
    const bool whole = WalkDataPacket(packet, length, packetSize, &l);
    if (l.sendTimeAt < 0)
        return 1;
    le::Store32(packet + l.sendTimeAt, Rebased(l.sendTime, base) + add);

    // The padding bytes that arrived are zeroed; the writer pads the rest.
    if (l.padding != 0 && l.padding <= l.packetLength) {
        const size_t from = l.packetLength - l.padding;
        const size_t to = l.packetLength < length ? l.packetLength : length;
        if (from < to)
            std::memset(packet + from, 0, to - from);
    }
    for (size_t i = 0; i < l.payloadCount; ++i) {
        const PacketLayout::Payload& p = l.payloads[i];
        if (p.hasPresentationTime)
            le::Store32(packet + p.replicatedAt + 4, Rebased(p.presentationTime, base) + add);
        else if (p.compressed())
            StoreByType(packet + p.offsetAt, p.offsetType, Rebased(p.offsetIntoObject, base) + add);
    }
    return whole ? 0 : 1;
}

bool DropPayloads(uint8_t* packet, size_t length, uint32_t packetSize,
                  const std::function<bool(size_t index, const PacketLayout::Payload&)>& drop)
{
    PacketLayout layout;
    if (!WalkDataPacket(packet, length, packetSize, &layout) || layout.payloadsEnd > length)
        return false;
    const size_t start = static_cast<size_t>(ParsingStart(packet, length));
    const uint8_t flags = packet[start];
    if (!(flags & 0x01))
        return false;
    // The payload flags follow the send time and duration; the first payload
    // follows them, each next one the data of the one before.
    const size_t sendAt = static_cast<size_t>(layout.sendTimeAt);
    const size_t payloadFlagsAt = sendAt + 6;
    std::vector<uint8_t> kept;
    size_t keptCount = 0;
    size_t from = payloadFlagsAt + 1;
    for (size_t i = 0; i < layout.payloadCount; ++i) {
        const PacketLayout::Payload& p = layout.payloads[i];
        const size_t end = p.dataAt + p.dataLength;
        if (!drop(i, p)) {
            kept.insert(kept.end(), packet + from, packet + end);
            ++keptCount;
        }
        from = end;
    }
    const size_t removed = layout.payloadsEnd - (payloadFlagsAt + 1) - kept.size();
    if (keptCount == 0 || removed == 0)
        return keptCount != 0;
    // A packet without a padding length field, or with one byte too narrow
    // for the new padding, gets a 16-bit one in front of the send time, from
    // the bytes freed.
    const unsigned paddingType = (flags >> 3) & 3;
    const size_t oldSize = le::LengthTypeSize(paddingType);
    const bool widen = paddingType == 0 || (paddingType == 1 && uint64_t{layout.padding} + removed > 0xFF);
    const unsigned newType = widen ? 2 : paddingType;
    const size_t growth = le::LengthTypeSize(newType) - oldSize;
    if (removed < growth)
        return false;
    const uint64_t padding = uint64_t{layout.padding} + removed - growth;
    if (newType == 2 && padding > 0xFFFF)
        return false;

    const size_t fieldAt = sendAt - oldSize;
    std::vector<uint8_t> out(packet, packet + fieldAt);
    out.resize(fieldAt + le::LengthTypeSize(newType), 0);
    uint8_t* field = out.data() + fieldAt;
    if (newType == 1)
        field[0] = static_cast<uint8_t>(padding);
    else if (newType == 2)
        le::Store16(field, static_cast<uint16_t>(padding));
    else
        le::Store32(field, static_cast<uint32_t>(padding));
    out.insert(out.end(), packet + sendAt, packet + payloadFlagsAt + 1);
    out.insert(out.end(), kept.begin(), kept.end());
    out[start] = static_cast<uint8_t>((flags & ~0x18) | (newType << 3));
    out[payloadFlagsAt + growth] = static_cast<uint8_t>((packet[payloadFlagsAt] & 0xC0) | keptCount);
    std::memcpy(packet, out.data(), out.size());
    std::memset(packet + out.size(), 0, layout.payloadsEnd - out.size());
    return true;
}

}  // namespace asf
