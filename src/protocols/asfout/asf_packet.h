#pragma once

#include <cstddef>
#include <cstdint>

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

// Position of the first File Properties object identifier in buffer, or -1.
int FindFilePropertiesObject(const uint8_t* buffer, size_t length);

}  // namespace asfout
