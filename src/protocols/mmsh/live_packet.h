#pragma once

#include <cstdint>

namespace mmsh {

class MessageLog;

// Where the send time of a data packet stands, from its length type flags
// (byte 3): 5 to 9 for the layouts servers use, -1 for any other (then
// "unknown format type: $%02x\n" is noted by the caller).
int SendTimeOffset(uint8_t lengthTypeFlags);

// A live time rebased onto the recording's start: the difference when the
// time is later than the first send time, else 0.
inline uint32_t RebaseTime(uint32_t time, uint32_t firstSendTime)
{
    return time > firstSendTime ? time - firstSendTime : 0;
}

// Rewrites one data packet of a live broadcast so that the recording
// starts at time 0: the send time, the presentation times of the payloads
// (replicated data of 8 bytes, or the time field of a compressed payload)
// and the padding bytes. packet holds packetSize bytes; nothing outside
// them is read or written. sequence is only used in messages.
void RebaseLivePacket(uint8_t* packet, uint32_t firstSendTime, uint32_t sequence,
                      uint32_t packetSize, MessageLog& log);

}  // namespace mmsh
