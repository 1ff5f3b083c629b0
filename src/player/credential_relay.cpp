#include "player/credential_relay.h"

#include <QByteArray>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "protocols/net/tcp_connection.h"

namespace player {
namespace {

constexpr size_t kMaxHead = 64 * 1024;
constexpr int kHeadTimeoutMs = 15000;
constexpr int kConnectTimeoutMs = 10000;

// Waits for fd to become ready in short ticks, so that a stop is seen.
bool WaitFor(int fd, short events, const std::atomic<bool>& stop, int timeoutMs)
{
    for (int waited = 0; !stop && (timeoutMs < 0 || waited < timeoutMs); waited += net::kStopTickMs) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, net::kStopTickMs);
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return false;
    }
    return false;
}

bool SendAll(int fd, const char* data, size_t n, const std::atomic<bool>& stop)
{
    while (n > 0) {
        if (!WaitFor(fd, POLLOUT, stop, -1))
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

}  // namespace

CredentialRelay::CredentialRelay(std::string host, int port, std::string user, std::string password)
    : host_(std::move(host)),
      serverPort_(port > 0 ? port : 80),
      authorization_("Basic " + QByteArray::fromStdString(user + ":" + password).toBase64().toStdString())
{
}

CredentialRelay::~CredentialRelay()
{
    stop_ = true;
    if (acceptThread_.joinable())
        acceptThread_.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (std::thread& t : connections)
        t.join();
    if (listenFd_ >= 0)
        ::close(listenFd_);
}

bool CredentialRelay::Start()
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
        return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(a);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 || ::listen(listenFd_, 8) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return false;
    port_ = ntohs(a.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void CredentialRelay::AcceptLoop()
{
    while (WaitFor(listenFd_, POLLIN, stop_, -1)) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, fd] {
            Serve(fd);
            ::close(fd);
        });
    }
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

void CredentialRelay::Serve(int clientFd)
{
    // The request head, whole, before anything goes to the server.
    std::string head;
    char buf[16384];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHeadTimeoutMs);
    size_t headEnd = std::string::npos;
    while ((headEnd = head.find("\r\n\r\n")) == std::string::npos) {
        if (head.size() > kMaxHead || std::chrono::steady_clock::now() > deadline ||
            !WaitFor(clientFd, POLLIN, stop_, kHeadTimeoutMs))
            return;
        const ssize_t n = ::recv(clientFd, buf, sizeof(buf), 0);
        if (n <= 0)
            return;
        head.append(buf, static_cast<size_t>(n));
    }
    const std::string body = head.substr(headEnd + 4);
    head.resize(headEnd + 2);

    sockaddr_in address{};
    if (net::ResolveIPv4(host_, &address) != 0)
        return;
    address.sin_port = htons(static_cast<uint16_t>(serverPort_));
    net::TcpConnection server(stop_);
    if (server.Connect(address, kConnectTimeoutMs) != net::TcpConnection::Status::Ok)
        return;
    const std::string hostField = serverPort_ == 80 ? host_ : host_ + ":" + std::to_string(serverPort_);
    const std::string request = RewriteHead(head, hostField, authorization_) + body;
    const int serverFd = server.Fd();
    if (!SendAll(serverFd, request.data(), request.size(), stop_))
        return;

    // Then both ways until either side closes.
    while (!stop_) {
        pollfd p[2] = {{clientFd, POLLIN, 0}, {serverFd, POLLIN, 0}};
        const int r = ::poll(p, 2, net::kStopTickMs);
        if (r < 0 && errno != EINTR)
            return;
        for (int i = 0; i < 2; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::recv(p[i].fd, buf, sizeof(buf), MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0 || !SendAll(p[1 - i].fd, buf, static_cast<size_t>(n), stop_))
                return;
        }
    }
}

}  // namespace player
