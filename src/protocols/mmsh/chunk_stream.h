#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "protocols/mmsh/transfer_status.h"

class ClientHooks;

namespace mmsh {

class MessageLog;
class StreamReader;

// The exchange buffer: requests, reply bodies and chunks all pass through
// one buffer of this size per client. An assembled ASF header must fit.
constexpr size_t kExchangeBufferSize = 65536;

// Framing of the chunk stream: "$H" header part, "$D" data packet, "$E"
// end, as 16-bit little-endian values.
constexpr uint16_t kChunkHeader = 0x4824;
constexpr uint16_t kChunkData = 0x4424;
constexpr uint16_t kChunkEnd = 0x4524;
constexpr uint8_t kFirstHeaderPart = 0x04;
constexpr uint8_t kLastHeaderPart = 0x08;

// A live recording may skip at most this many packet numbers at once; a
// larger jump is a broken sequence number and its packet is dropped, so
// that a hostile number cannot place data far out in the file.
constexpr uint32_t kMaxLiveSequenceJump = 4096;

// Everything one run of the chunk loop works with.
struct ChunkLoopContext {
    bool probe = false;         // header only, nothing saved
    FILE* out = nullptr;        // null: nothing is written
    uint64_t existingSize = 0;  // above 0: a resume
    uint8_t* buffer = nullptr;  // kExchangeBufferSize bytes
    TransferStatus* status = nullptr;
    StreamReader* reader = nullptr;
    uint32_t* bytesWritten = nullptr;
    const std::atomic<bool>* stop = nullptr;
    ClientHooks* hooks = nullptr;  // may be null
    MessageLog* log = nullptr;
};

// Reads chunks until the stream ends, "$E" comes, the framing breaks, the
// probe has what it needs or a stop is requested; saves the header and the
// data packets (each at its slot, padded to the packet size) and finally
// rewrites the saved header so that it describes the file as recorded.
void RunChunkLoop(const ChunkLoopContext& context);

// The stream's duration in milliseconds without the preroll, as the
// header's play duration gives it; 0 when the play duration is 0 (live).
uint32_t DurationFromHeader(const TransferStatus& status);

}  // namespace mmsh
