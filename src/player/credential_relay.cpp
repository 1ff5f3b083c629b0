#include "player/credential_relay.h"

#include <QByteArray>
#include <arpa/inet.h>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "protocols/net/tcp_connection.h"

namespace player {

struct CredentialRelay::Shared {
    std::string host;
    int port = 80;
    std::string authorization;  // the whole "Authorization:" value
    std::atomic<bool> stop{false};
    int wakeFd = -1;    // readable once the relay is going away
    int listenFd = -1;

    ~Shared()
    {
        if (listenFd >= 0)
            ::close(listenFd);
        if (wakeFd >= 0)
            ::close(wakeFd);
    }
};

namespace {

constexpr size_t kMaxHead = 64 * 1024;
constexpr int kHeadTimeoutMs = 15000;
constexpr int kConnectTimeoutMs = 10000;

using Shared = CredentialRelay::Shared;

// Waits until fd is ready; false when the relay goes away, the time is up
// (timeoutMs < 0: no limit) or poll fails.
bool WaitFor(const Shared& s, int fd, short events, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!s.stop) {
        int wait = net::kStopTickMs;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            wait = static_cast<int>(std::min<long long>(wait, left.count()));
        }
        pollfd p[2] = {{fd, events, 0}, {s.wakeFd, POLLIN, 0}};
        const int r = ::poll(p, 2, wait);
        if (r < 0 && errno != EINTR)
            return false;
        if (r > 0 && p[0].revents)
            return !s.stop;
    }
    return false;
}

bool SendAll(const Shared& s, int fd, const char* data, size_t n)
{
    while (n > 0) {
        if (!WaitFor(s, fd, POLLOUT, -1))
            return false;
        const ssize_t sent = ::send(fd, data, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        n -= static_cast<size_t>(sent);
    }
    return true;
}

bool StartsWithNoCase(const std::string& line, const char* prefix)
{
    for (size_t i = 0; prefix[i]; ++i) {
        if (i >= line.size() || std::tolower(static_cast<unsigned char>(line[i])) != prefix[i])
            return false;
    }
    return true;
}

void Serve(const Shared& s, int clientFd)
{
    // The request head, whole, before anything goes to the server.
    std::string head;
    char buf[16384];
    size_t headEnd = std::string::npos;
    while ((headEnd = head.find("\r\n\r\n")) == std::string::npos) {
        if (head.size() > kMaxHead || !WaitFor(s, clientFd, POLLIN, kHeadTimeoutMs))
            return;
        const ssize_t n = ::recv(clientFd, buf, sizeof(buf), MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return;
        if (n > 0)
            head.append(buf, static_cast<size_t>(n));
    }
    const std::string rest = head.substr(headEnd + 4);
    head.resize(headEnd + 2);

    sockaddr_in address{};
    if (net::ResolveIPv4(s.host, &address) != 0 || s.stop)
        return;
    address.sin_port = htons(static_cast<uint16_t>(s.port));
    net::TcpConnection server(s.stop);
    if (server.Connect(address, kConnectTimeoutMs) != net::TcpConnection::Status::Ok)
        return;
    const std::string hostField = s.port == 80 ? s.host : s.host + ":" + std::to_string(s.port);
    const std::string request = CredentialRelay::RewriteHead(head, hostField, s.authorization) + rest;
    const int serverFd = server.Fd();
    if (!SendAll(s, serverFd, request.data(), request.size()))
        return;

    // Then both ways until either side closes.
    while (!s.stop) {
        pollfd p[3] = {{clientFd, POLLIN, 0}, {serverFd, POLLIN, 0}, {s.wakeFd, POLLIN, 0}};
        const int r = ::poll(p, 3, net::kStopTickMs);
        if (r < 0 && errno != EINTR)
            return;
        for (int i = 0; i < 2; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::recv(p[i].fd, buf, sizeof(buf), MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0 || !SendAll(s, p[1 - i].fd, buf, static_cast<size_t>(n)))
                return;
        }
    }
}

void AcceptLoop(const std::shared_ptr<Shared>& s)
{
    while (WaitFor(*s, s->listenFd, POLLIN, -1)) {
        const int fd = ::accept4(s->listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        // Each connection holds the shared state for as long as it runs.
        std::thread([s, fd] {
            Serve(*s, fd);
            ::close(fd);
        }).detach();
    }
}

}  // namespace

CredentialRelay::CredentialRelay(std::string host, int port, std::string user, std::string password)
    : shared_(std::make_shared<Shared>())
{
    shared_->host = std::move(host);
    shared_->port = port > 0 ? port : 80;
    shared_->authorization =
        "Basic " + QByteArray::fromStdString(user + ":" + password).toBase64().toStdString();
}

CredentialRelay::~CredentialRelay()
{
    shared_->stop = true;
    if (shared_->wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(shared_->wakeFd, &one, sizeof(one));
    }
}

bool CredentialRelay::Start()
{
    Shared& s = *shared_;
    s.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    s.listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s.wakeFd < 0 || s.listenFd < 0)
        return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(a);
    if (::bind(s.listenFd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 || ::listen(s.listenFd, 8) != 0 ||
        ::getsockname(s.listenFd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return false;
    port_ = ntohs(a.sin_port);
    std::thread([s = shared_] { AcceptLoop(s); }).detach();
    return true;
}

std::string CredentialRelay::RewriteHead(const std::string& head, const std::string& hostField,
                                         const std::string& authorization)
{
    std::string out;
    size_t pos = 0;
    bool first = true;
    while (pos < head.size()) {
        size_t end = head.find("\r\n", pos);
        if (end == std::string::npos)
            end = head.size();
        const std::string line = head.substr(pos, end - pos);
        pos = end + 2;
        if (line.empty())
            break;
        if (first) {
            out += line + "\r\nAuthorization: " + authorization + "\r\n";
            first = false;
        } else if (StartsWithNoCase(line, "host:")) {
            out += "Host: " + hostField + "\r\n";
        } else if (!StartsWithNoCase(line, "authorization:")) {
            out += line + "\r\n";
        }
    }
    return out + "\r\n";
}

}  // namespace player
