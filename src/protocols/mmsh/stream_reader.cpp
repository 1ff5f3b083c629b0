#include "protocols/mmsh/stream_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "protocols/mmsh/message_log.h"
#include "protocols/net/socket_error.h"
#include "protocols/net/tcp_connection.h"

namespace mmsh {

namespace {
// Below this a read is served through the ring; at or above it, with the
// ring empty, it goes straight into the caller's buffer.
constexpr size_t kDirectReadMin = StreamReader::kRingSize / 2;
}  // namespace

StreamReader::StreamReader(net::TcpConnection& connection, MessageLog& log)
    : connection_(connection), log_(log), ring_(kRingSize)
{
}

void StreamReader::Reset()
{
    writeIndex_ = readIndex_ = 0;
    endOfStream_ = ended_ = stopped_ = false;
    endStatus_ = net::TcpConnection::Status::Ok;
    received_ = 0;
}

bool StreamReader::Receive(uint8_t* dst, size_t n, size_t* got)
{
    using Status = net::TcpConnection::Status;
    Status s = connection_.ReceiveSome(dst, n, got);
    if (s == Status::Ok) {
        received_ += *got;
        return true;
    }
    endStatus_ = s;
    if (s == Status::Failed)
        log_.Error("recv failed: %s", net::SocketErrorName(connection_.LastError()).c_str());
    else if (s == Status::TimedOut)
        log_.Error("recv failed: %s", net::SocketErrorName(ETIMEDOUT).c_str());
    else if (s == Status::Stopped)
        stopped_ = true;
    // Closed: the normal end.
    endOfStream_ = true;
    *got = 0;
    return false;
}

void StreamReader::Refill()
{
    if (endOfStream_ || Free() <= kRingSize / 2)
        return;
    if (readIndex_ == writeIndex_)
        readIndex_ = writeIndex_ = 0;  // empty: the whole ring is one free run
    // Contiguous free space: up to the read index minus one, or to the end.
    size_t end = readIndex_ > writeIndex_ ? readIndex_ - 1 : kRingSize - (readIndex_ == 0 ? 1 : 0);
    size_t room = end - writeIndex_;
    if (room == 0)
        return;
    size_t got = 0;
    if (Receive(ring_.data() + writeIndex_, room, &got))
        writeIndex_ = (writeIndex_ + got) % kRingSize;
}

size_t StreamReader::Read(uint8_t* dst, size_t n)
{
    if (n == 0 || ended_)
        return 0;
    size_t delivered = 0;
    while (delivered < n) {
        if (readIndex_ == writeIndex_) {
            if (endOfStream_)
                break;
            size_t want = n - delivered;
            if (want >= kDirectReadMin) {
                size_t got = 0;
                if (Receive(dst + delivered, want, &got))
                    delivered += got;
                continue;
            }
            Refill();
            continue;
        }
        size_t stop = readIndex_ < writeIndex_ ? writeIndex_ : kRingSize;
        size_t take = std::min(n - delivered, stop - readIndex_);
        std::memcpy(dst + delivered, ring_.data() + readIndex_, take);
        readIndex_ = (readIndex_ + take) % kRingSize;
        delivered += take;
    }
    if (delivered < n)
        ended_ = true;
    return delivered;
}

}  // namespace mmsh
