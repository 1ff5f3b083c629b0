#pragma once

#include <cstdint>

namespace mmsh {

// What one exchange turned out to be.
enum class TransferKind : uint32_t {
    None = 0,          // ended before a reply was read
    HttpError = 1,     // a status other than 200 and 401 (0 without a status line)
    Unauthorised = 2,  // 401
    Unusable = 3,      // neither stream nor playlist, or packets of varying size
    Live = 4,
    OnDemand = 5,
    Playlist = 6,
};

// What one exchange learnt; all zero at its start.
struct TransferStatus {
    TransferKind kind = TransferKind::None;
    uint32_t bodyLength = 0;            // playlist replies: body bytes in the buffer
    uint32_t filePropertiesOffset = 0;  // inside the received header
    uint64_t fileSize = 0;
    uint64_t playDuration = 0;  // 100 ns units
    uint32_t preroll = 0;  // ms
    uint32_t minPacketSize = 0;
    uint32_t maxPacketSize = 0;
    uint32_t fileFlags = 0;
    uint32_t dataObjectOffset = 0;  // header length minus the 50-byte data object prefix
    uint32_t durationMs = 0;        // 0 for a live broadcast
};

}  // namespace mmsh
