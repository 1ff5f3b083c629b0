#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/app_settings.h"
#include "formats/asf_file_writer.h"
#include "protocols/mmsh/transfer_status.h"

class ByteSink;
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

// Everything one run of the chunk loop works with.
struct ChunkLoopContext {
    bool probe = false;          // header only, nothing saved
    ByteSink* out = nullptr;     // null: nothing is written
    uint64_t existingSize = 0;   // bytes the file holds already (a resume)
    // The header of the file resumed, which the stream's must match (see
    // AsfFileWriter::Options::keptHeader); null or empty: not compared.
    const std::vector<uint8_t>* keptHeader = nullptr;
    // The file's last packet, which a resumed stream must repeat first (see
    // AsfFileWriter::Options::repeatedPacket); null or empty: not required.
    const std::vector<uint8_t>* repeatedPacket = nullptr;
    // A broadcast that goes on in the file after a reconnect; may be null.
    const AsfFileWriter::Continuation* continuation = nullptr;
    uint8_t* buffer = nullptr;   // kExchangeBufferSize bytes
    TransferStatus* status = nullptr;
    StreamReader* reader = nullptr;
    uint64_t* bytesWritten = nullptr;  // grows by what is written
    uint64_t progressFrom = 0;         // *bytesWritten when the attempt began: progress counts from it
    const std::atomic<bool>* stop = nullptr;
    const AppSettings* settings = nullptr;  // the size and time limits
    ClientHooks* hooks = nullptr;           // may be null
    MessageLog* log = nullptr;
};

// Reads chunks until the stream ends, "$E" comes, the framing breaks, the
// probe has what it needs, a limit is reached or a stop is requested. The
// media exchange records the header and the data packets (each at the place
// its sequence number gives, padded to the packet size) through the ASF
// file writer, finalises the file, and reports how the stream ended.
void RunChunkLoop(const ChunkLoopContext& context);

}  // namespace mmsh
