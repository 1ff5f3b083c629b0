#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

// Reading and rewriting ASF data packets. Every function takes the number
// of bytes really present and never looks past them, whatever the packet's
// own fields claim.
namespace asf {

// Where the fields of one data packet lie, as far as the packet parsed.
struct PacketLayout {
    // Six bits of payload count: never more than this.
    static constexpr size_t kMaxPayloads = 64;

    struct Payload {
        uint8_t streamNumber = 0;  // the low 7 bits
        bool keyFrame = false;
        uint32_t mediaObjectNumber = 0;
        // The offset into the media object; a compressed payload
        // (replicated length 1) keeps its presentation time here.
        uint32_t offsetIntoObject = 0;
        size_t offsetAt = 0;
        unsigned offsetType = 0;  // 0..3: the field is 0, 1, 2 or 4 bytes
        uint32_t replicatedLength = 0;
        size_t replicatedAt = 0;
        // Replicated data of 8 bytes or more: media object size, then the
        // presentation time.
        bool hasPresentationTime = false;
        uint32_t presentationTime = 0;
        // The payload data; it need not all be present in the bytes given.
        size_t dataAt = 0;
        uint32_t dataLength = 0;
        bool compressed() const { return replicatedLength == 1; }
    };

    int sendTimeAt = -1;  // -1: the packet does not reach its send time
    uint32_t sendTime = 0;
    uint16_t duration = 0;
    uint32_t packetLength = 0;  // the packet's own length field, or the stream's packet size
    uint32_t sequence = 0;
    uint32_t padding = 0;
    std::array<Payload, kMaxPayloads> payloads{};
    size_t payloadCount = 0;  // payloads whose replicated data is present
    // Where parsing ended: after the last payload, or where the field or
    // payload that did not fit would have ended.
    size_t reached = 0;
    // Where the payloads should end: the packet length minus the padding.
    size_t payloadsEnd = 0;
    bool whole = false;  // every field and payload boundary parsed
};

// Walks a data packet: the error-correction data, the length type and
// property flags, the sized fields, the send time and duration, then every
// payload. packetSize is the stream's, used when the packet does not give
// its own length. False when the packet is not whole (see PacketLayout:
// what parsed before the fault is filled in all the same).
bool WalkDataPacket(const uint8_t* packet, size_t length, uint32_t packetSize, PacketLayout* out);

// Position of the 32-bit send time, or -1 when the packet does not have the
// usual layout or is too short to hold it.
int SendTimeOffset(const uint8_t* packet, size_t length);

// Subtracts base from the packet's send time and from the presentation
// time of each payload (a value below base becomes 0), then adds `add`, and
// zeroes the padding. Returns 0 when the whole packet parsed, 1 when it did
// not (the fields met before the fault are rewritten all the same). layout,
// when given, receives where the fields lie.
int RebasePacketTimes(uint8_t* packet, size_t length, uint32_t base, uint32_t packetSize,
                      PacketLayout* layout = nullptr, uint32_t add = 0);

// True when two data packets of packetSize bytes each carry the same
// payloads: as many, each of the same stream and media object, at the same
// offset into it (compressed payloads: that field is a time), with the same
// data. The packet's own fields (send time, duration, length, sequence,
// padding) and the payloads' replicated data (where presentation times lie)
// are not compared: a server may fill them in otherwise when it sends the
// packet again. Packets that do not parse whole are compared byte for byte.
bool SamePayloads(const uint8_t* a, const uint8_t* b, uint32_t packetSize);

// Removes from a whole packet of several payloads each payload for which
// drop(index, payload) is true (index counts from 0 in the packet): the payloads after it move up, the payload count
// falls and the padding grows by the bytes removed, which become zeros (a
// packet without a padding length field, or with a byte too narrow for the
// new padding, gets a 16-bit one). False, with the
// packet unchanged, when the packet is not whole or not all present, holds a
// single payload, would keep none, or its padding would not fit the field.
bool DropPayloads(uint8_t* packet, size_t length, uint32_t packetSize,
                  const std::function<bool(size_t index, const PacketLayout::Payload&)>& drop);

}  // namespace asf
