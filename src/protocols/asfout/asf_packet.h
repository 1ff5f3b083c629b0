#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/asf_layouts.h"

// Reading and rewriting the times of streamed ASF data packets. Every
// function takes the number of bytes really present and never looks past
// them, whatever the packet's own fields claim.
namespace asfout {

// Position of the 32-bit send time in a data packet, or -1 when the packet
// does not have the usual layout (error-correction bytes, then the length
// type and property flags, then the packet length, sequence and padding
// fields sized by those flags).
int SendTimeOffset(const uint8_t* packet, size_t length);

// Subtracts base from the packet's send time and from the presentation time
// of each payload (a value below base becomes 0) and zeroes the padding.
// packetSize is the stream's packet size, used when the packet does not
// give its own length. Returns 0 when the whole packet parsed, 1 when it did
// not (the fields met before the fault are rewritten all the same).
int RebasePacketTimes(uint8_t* packet, size_t length, uint32_t base, uint32_t packetSize);

// How far RebasePacketTimes got, for callers that report damaged packets.
struct RebaseReach {
    // Where parsing ended: after the last payload, or where the field or
    // payload that did not fit would have ended (then past payloadsEnd).
    size_t reached = 0;
    // Where the payloads should end: the packet length minus the padding.
    size_t payloadsEnd = 0;
};
// The same, also telling how far it got (reach may be null).
int RebasePacketTimes(uint8_t* packet, size_t length, uint32_t base, uint32_t packetSize,
                      RebaseReach* reach);

// Position of the first File Properties object identifier in buffer, or -1.
int FindFilePropertiesObject(const uint8_t* buffer, size_t length);

// Offsets from the start of the File Properties object (kFpObjectSize bytes
// in all) and of the Data object of the fields a recorder reads or rewrites,
// and the flags of a finished file: seekable, not a broadcast.
constexpr size_t kFpObjectSize = 104;
constexpr size_t kFpFileSize = 40;
constexpr size_t kFpPacketCount = 56;
constexpr size_t kFpPlayDuration = 64;
constexpr size_t kFpSendDuration = 72;
constexpr size_t kFpFlags = 88;
constexpr size_t kDataObjectSize = 16;
constexpr size_t kDataPacketCount = 40;
constexpr uint32_t kSeekableFlags = 2;

// The fields of the File Properties object at object (kFpObjectSize bytes).
AsfFileProperties ReadFileProperties(const uint8_t* object);

}  // namespace asfout
