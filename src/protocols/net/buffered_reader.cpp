#include "protocols/net/buffered_reader.h"

#include <algorithm>
#include <cstring>

namespace net {

BufferedReader::BufferedReader(TcpConnection& connection, size_t capacity)
    : connection_(connection), buffer_(capacity)
{
}

TcpConnection::Status BufferedReader::Require(size_t n)
{
    if (n > buffer_.size())
        return TcpConnection::Status::Failed;
    if (Available() >= n)
        return TcpConnection::Status::Ok;
    if (start_ + n > buffer_.size()) {
        std::memmove(buffer_.data(), buffer_.data() + start_, Available());
        end_ -= start_;
        start_ = 0;
    }
    while (Available() < n) {
        size_t got = 0;
        auto status = connection_.ReceiveSome(buffer_.data() + end_, buffer_.size() - end_, &got);
        if (status != TcpConnection::Status::Ok)
            return status;
        end_ += got;
        received_ += got;
    }
    return TcpConnection::Status::Ok;
}

void BufferedReader::Consume(size_t n)
{
    start_ += std::min(n, Available());
    if (start_ == end_)
        start_ = end_ = 0;
}

}  // namespace net
