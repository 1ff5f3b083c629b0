#include "protocols/mmsh/live_packet.h"

#include <cstring>

#include "formats/le.h"
#include "protocols/mmsh/message_log.h"

namespace mmsh {

namespace {

// Reads fields of a packet without ever leaving it: a read that would run
// past the end fails and leaves the position past the end, so that the
// caller can report by how much.
class PacketCursor {
public:
    PacketCursor(uint8_t* data, uint32_t size) : data_(data), size_(size) {}

    bool Fits(uint32_t n) const { return pos_ <= size_ && n <= size_ - pos_; }
    bool ReadByType(unsigned type, uint32_t* value)
    {
        uint32_t n = le::LengthTypeSize(type);
        if (!Fits(n)) {
            pos_ += n;
            return false;
        }
        *value = le::LoadByType(data_ + pos_, type);
        pos_ += n;
        return true;
    }
    bool Read16(uint32_t* value) { return ReadByType(2, value); }
    bool Read8(uint32_t* value) { return ReadByType(1, value); }
    // Rebases a 32-bit time in place.
    bool RebaseTime32(uint32_t first)
    {
        if (!Fits(4)) {
            pos_ += 4;
            return false;
        }
        le::Store32(data_ + pos_, RebaseTime(le::Load32(data_ + pos_), first));
        pos_ += 4;
        return true;
    }
    void Skip(uint64_t n) { pos_ = n > UINT32_MAX - pos_ ? UINT32_MAX : pos_ + static_cast<uint32_t>(n); }
    uint32_t pos() const { return pos_; }

private:
    uint8_t* data_;
    uint32_t size_;
    uint32_t pos_ = 0;
};

}  // namespace

int SendTimeOffset(uint8_t flags)
{
    switch (flags) {
    case 0x00:
    case 0x01: return 5;
    case 0x08:
    case 0x09: return 6;
    case 0x10:
    case 0x11: return 7;
    case 0x48:
    case 0x49: return 8;
    case 0x50:
    case 0x51: return 9;
    default: return -1;
    }
}

void RebaseLivePacket(uint8_t* packet, uint32_t firstSendTime, uint32_t sequence,
                      uint32_t packetSize, MessageLog& log)
{
    if (packetSize < 5 || packet[0] != 0x82 || packet[1] != 0 || packet[2] != 0) {
        log.Note("Illegal header bytes in chunk %u!", sequence);
        return;
    }
    const uint8_t lengthFlags = packet[3];
    const uint8_t propertyFlags = packet[4];
    if (lengthFlags & 0x80) {
        log.Note("Chunks carrying error correction information are not supported yet!");
        return;
    }
    PacketCursor c(packet, packetSize);
    c.Skip(5);
    uint32_t packetLength = 0, sequenceField = 0, padding = 0;
    const unsigned packetLengthType = (lengthFlags >> 5) & 3;
    bool ok = c.ReadByType(packetLengthType, &packetLength) &&
              c.ReadByType((lengthFlags >> 1) & 3, &sequenceField) &&
              c.ReadByType((lengthFlags >> 3) & 3, &padding) && c.RebaseTime32(firstSendTime);
    if (packetLengthType == 0)
        packetLength = packetSize;
    if (ok && (packetLength > packetSize || padding > packetLength))
        ok = false;  // lengths that do not fit the packet: leave the rest alone
    if (!ok) {
        log.Note("WARNING! buffer pointer %u bytes after packet!",
                 c.pos() > packetSize ? c.pos() - packetSize : 0);
        return;
    }
    if (padding > 0)
        std::memset(packet + packetLength - padding, 0, padding);

    const uint32_t end = packetSize - padding;
    uint32_t countByte = 0;
    c.Skip(2);  // duration
    if (!c.Read8(&countByte)) {
        log.Note("WARNING! buffer pointer %u bytes after packet!", c.pos() - packetSize);
        return;
    }
    const bool multiple = lengthFlags & 1;
    const uint32_t payloads = multiple ? (countByte & 0x1F) : 1;
    const unsigned objectType = (propertyFlags >> 4) & 3;
    const unsigned offsetType = (propertyFlags >> 2) & 3;
    const unsigned replicatedType = propertyFlags & 3;
    for (uint32_t i = 0; i < payloads; ++i) {
        uint32_t stream = 0, object = 0, replicated = 0, length = 0;
        bool fits = !multiple || c.ReadByType((propertyFlags >> 6) & 3, &stream);
        fits = fits && c.ReadByType(objectType, &object);
        const uint32_t offsetField = c.pos();
        fits = fits && c.ReadByType(offsetType, &object);
        fits = fits && c.ReadByType(replicatedType, &replicated);
        if (fits && replicated == 8 && c.Fits(8)) {
            // Media object size, then the presentation time.
            PacketCursor time(packet + c.pos() + 4, 4);
            time.RebaseTime32(firstSendTime);
        } else if (fits && replicated == 1 && offsetType == 3) {
            // A compressed payload keeps its presentation time where the
            // offset into the media object would be.
            PacketCursor time(packet + offsetField, 4);
            time.RebaseTime32(firstSendTime);
        }
        if (fits) {
            c.Skip(replicated);
            if (multiple) {
                fits = c.Read16(&length);
            } else {
                length = c.pos() < packetLength - padding ? packetLength - padding - c.pos() : 0;
            }
            c.Skip(length);
        }
        if (!fits || c.pos() > packetSize) {
            log.Note("WARNING! buffer pointer %u bytes after packet!",
                     c.pos() > packetSize ? c.pos() - packetSize : 0);
            return;
        }
        if (c.pos() > end) {
            log.Note("WARNING! buffer pointer %u bytes after packet-padlen!", c.pos() - end);
            return;
        }
    }
    if (c.pos() < end)
        log.Note("NOTE: %u bytes not covered by payload", end - c.pos());
}

}  // namespace mmsh
