#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocols/net/tcp_connection.h"

namespace mmsh {

class MessageLog;

// Buffered reads from one reply: a 64 KB ring that refills in large
// receives whenever more than half of it is free, so that the reply head
// can be read one byte at a time and a chunk stream a dozen packets per
// receive call. Reads of half the ring or more, with the ring empty, go
// straight into the caller's memory.
class StreamReader {
public:
    static constexpr size_t kRingSize = 65536;

    StreamReader(net::TcpConnection& connection, MessageLog& log);

    // Forgets everything buffered; used before each reply.
    void Reset();
    // Delivers up to n bytes; fewer only when the stream has ended, after
    // which every read returns 0.
    size_t Read(uint8_t* dst, size_t n);
    // No further byte will come: the peer closed (or failed, or stayed
    // silent too long, or a stop was requested) and the ring is empty.
    bool Exhausted() const { return ended_ || (endOfStream_ && readIndex_ == writeIndex_); }
    // The stream ended because a stop was requested.
    bool Stopped() const { return stopped_; }
    // Why the stream ended (Ok while it has not), and the bytes received.
    net::TcpConnection::Status EndStatus() const { return endStatus_; }
    uint64_t Received() const { return received_; }

private:
    size_t Buffered() const { return (writeIndex_ + kRingSize - readIndex_) % kRingSize; }
    size_t Free() const { return kRingSize - 1 - Buffered(); }
    void Refill();
    // One receive; false when the stream ended (the reason is reported).
    bool Receive(uint8_t* dst, size_t n, size_t* got);

    net::TcpConnection& connection_;
    MessageLog& log_;
    std::vector<uint8_t> ring_;
    size_t writeIndex_ = 0;
    size_t readIndex_ = 0;
    bool endOfStream_ = false;
    bool ended_ = false;
    bool stopped_ = false;
    net::TcpConnection::Status endStatus_ = net::TcpConnection::Status::Ok;
    uint64_t received_ = 0;
};

}  // namespace mmsh
