#include "protocols/net/tcp_connection.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace net {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsSince(Clock::time_point start)
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

}  // namespace

int ResolveIPv4(const std::string& host, sockaddr_in* out, std::string* officialName)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = officialName ? AI_CANONNAME : 0;
    addrinfo* result = nullptr;
    int rc = getaddrinfo(host.c_str(), nullptr, &hints, &result);
    if (rc != 0)
        return rc;
    std::memset(out, 0, sizeof(*out));
    std::memcpy(out, result->ai_addr, std::min<size_t>(sizeof(*out), result->ai_addrlen));
    out->sin_port = 0;
    if (officialName)
        *officialName = result->ai_canonname ? result->ai_canonname : host;
    freeaddrinfo(result);
    return 0;
}

TcpConnection::TcpConnection(const std::atomic<bool>& stop) : stop_(stop) {}

TcpConnection::~TcpConnection() { Close(); }

void TcpConnection::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

TcpConnection::Status TcpConnection::Wait(short events, int timeoutMs)
{
    const auto start = Clock::now();
    for (;;) {
        if (stop_.load(std::memory_order_relaxed))
            return Status::Stopped;
        int tick = kStopTickMs;
        if (timeoutMs > 0) {
            int left = timeoutMs - MillisecondsSince(start);
            if (left <= 0)
                return Status::TimedOut;
            tick = std::min(tick, left);
        }
        pollfd p{fd_, events, 0};
        int rc = ::poll(&p, 1, tick);
        if (rc > 0)
            return Status::Ok;  // ready, or an error the next call reports
        if (rc < 0 && errno != EINTR) {
            lastError_ = errno;
            return Status::Failed;
        }
    }
}

TcpConnection::Status TcpConnection::Connect(const sockaddr_in& address, int timeoutMs,
                                             bool reuseAddress)
{
    Close();
    failedStep_ = ConnectStep::None;
    if (stop_.load())
        return Status::Stopped;
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        lastError_ = errno;
        failedStep_ = ConnectStep::Socket;
        return Status::Failed;
    }
    if (reuseAddress) {
        int one = 1;
        if (::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one)) != 0) {
            lastError_ = errno;
            failedStep_ = ConnectStep::Option;
            Close();
            return Status::Failed;
        }
    }
    failedStep_ = ConnectStep::Connect;
    int flags = ::fcntl(fd_, F_GETFL, 0);
    ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    int rc = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    if (rc != 0 && errno != EINPROGRESS) {
        lastError_ = errno;
        Close();
        return Status::Failed;
    }
    if (rc != 0) {
        Status s = Wait(POLLOUT, timeoutMs);
        if (s != Status::Ok) {
            if (s == Status::TimedOut)
                lastError_ = ETIMEDOUT;
            Close();
            return s;
        }
        int err = 0;
        socklen_t len = sizeof(err);
        ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0) {
            lastError_ = err;
            Close();
            return Status::Failed;
        }
    }
    failedStep_ = ConnectStep::None;
    return Status::Ok;
}

TcpConnection::Status TcpConnection::SendAll(const void* data, size_t n)
{
    if (fd_ < 0) {
        lastError_ = ENOTCONN;
        return Status::Failed;
    }
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        if (stop_.load(std::memory_order_relaxed))
            return Status::Stopped;
        ssize_t sent = ::send(fd_, p, n, MSG_NOSIGNAL);
        if (sent > 0) {
            p += sent;
            n -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            Status s = Wait(POLLOUT, idleTimeoutMs_);
            if (s != Status::Ok)
                return s;
            continue;
        }
        lastError_ = sent < 0 ? errno : EPIPE;
        return Status::Failed;
    }
    return Status::Ok;
}

TcpConnection::Status TcpConnection::ReceiveSome(void* buf, size_t n, size_t* got)
{
    *got = 0;
    if (fd_ < 0) {
        lastError_ = ENOTCONN;
        return Status::Failed;
    }
    if (n == 0)
        return Status::Ok;
    for (;;) {
        if (stop_.load(std::memory_order_relaxed))
            return Status::Stopped;
        ssize_t rc = ::recv(fd_, buf, n, 0);
        if (rc > 0) {
            *got = static_cast<size_t>(rc);
            return Status::Ok;
        }
        if (rc == 0)
            return Status::Closed;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            Status s = Wait(POLLIN, idleTimeoutMs_);
            if (s != Status::Ok) {
                if (s == Status::TimedOut)
                    lastError_ = ETIMEDOUT;
                return s;
            }
            continue;
        }
        lastError_ = errno;
        return Status::Failed;
    }
}

TcpConnection::Status TcpConnection::ReceiveExact(void* buf, size_t n, size_t* got)
{
    size_t total = 0;
    char* p = static_cast<char*>(buf);
    Status s = Status::Ok;
    while (total < n) {
        size_t chunk = 0;
        s = ReceiveSome(p + total, n - total, &chunk);
        if (s != Status::Ok)
            break;
        total += chunk;
    }
    if (got)
        *got = total;
    return total == n ? Status::Ok : s;
}

bool TcpConnection::LocalAddress(sockaddr_in* out) const
{
    socklen_t len = sizeof(*out);
    return fd_ >= 0 && ::getsockname(fd_, reinterpret_cast<sockaddr*>(out), &len) == 0;
}

}  // namespace net
