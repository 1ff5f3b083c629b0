#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocols/net/tcp_connection.h"

namespace net {

// Reads a framed TCP stream through one buffer of fixed capacity: a frame
// is looked at in place once all its bytes are there, and each receive
// takes whatever has arrived, up to the free space. However TCP splits the
// stream, the frames come out the same.
class BufferedReader {
public:
    // The connection must outlive the reader. capacity bounds the largest
    // frame that can be looked at whole.
    BufferedReader(TcpConnection& connection, size_t capacity);

    // Makes at least n bytes available at Data(). Anything but Ok means
    // they never will (closed, failed, stopped, silent for too long); n
    // above Capacity() is refused as Failed without reading.
    TcpConnection::Status Require(size_t n);

    // The unread bytes; valid until the next Require. Writable, so that a
    // frame can be rewritten in place before it is passed on.
    uint8_t* Data() { return buffer_.data() + start_; }
    size_t Available() const { return end_ - start_; }
    size_t Capacity() const { return buffer_.size(); }
    // Every byte received so far.
    uint64_t Received() const { return received_; }

    // Drops n bytes (at most Available()) from the front.
    void Consume(size_t n);

private:
    TcpConnection& connection_;
    std::vector<uint8_t> buffer_;
    size_t start_ = 0;
    size_t end_ = 0;
    uint64_t received_ = 0;
};

}  // namespace net
