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
#include <sys/random.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "protocols/mmsh/stream_url.h"
#include "protocols/net/tcp_connection.h"

namespace player {

struct CredentialRelay::Shared {
    std::string host;
    int port = 80;
    std::string path;           // the stream's request target, escaped
    std::string secret;         // hex digits; the first path segment mpv is given
    std::string authorization;  // the whole "Authorization:" value
    Limits limits;
    std::atomic<bool> stop{false};
    std::atomic<int> connections{0};
    int wakeFd = -1;  // readable once the relay is going away
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

constexpr size_t kSecretBytes = 16;
constexpr int kConnectTimeoutMs = 10000;
// How long a refused client may go on sending before its connection closes.
constexpr int kDrainMs = 1000;
constexpr size_t kMaxDrain = 64 * 1024;
constexpr char kForbidden[] = "HTTP/1.0 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";

using Shared = CredentialRelay::Shared;
using Clock = std::chrono::steady_clock;
constexpr Clock::time_point kNoDeadline = Clock::time_point::max();

Clock::time_point In(int ms) { return Clock::now() + std::chrono::milliseconds(ms); }

// Waits until fd is ready; false when the relay goes away, the deadline
// passes or poll fails.
bool WaitFor(const Shared& s, int fd, short events, Clock::time_point deadline)
{
    while (!s.stop) {
        int wait = net::kStopTickMs;
        if (deadline != kNoDeadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return false;
            wait = static_cast<int>(std::min<long long>(wait, left));
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
        if (!WaitFor(s, fd, POLLOUT, kNoDeadline))
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

bool DrawSecret(std::string* out)
{
    unsigned char bytes[kSecretBytes];
    size_t got = 0;
    while (got < sizeof(bytes)) {
        const ssize_t n = ::getrandom(bytes + got, sizeof(bytes) - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    out->clear();
    for (unsigned char b : bytes) {
        out->push_back(kHex[b >> 4]);
        out->push_back(kHex[b & 15]);
    }
    return true;
}

// Whether the target begins with "/" and the secret. Every byte of the
// secret is compared whatever the first difference, so the time taken
// tells nothing about how much of a guess was right.
bool SecretMatches(const std::string& secret, const std::string& target)
{
    unsigned diff = target.size() < secret.size() + 1 || target[0] != '/' ? 1u : 0u;
    for (size_t i = 0; i < secret.size(); ++i) {
        const unsigned char t = i + 1 < target.size() ? static_cast<unsigned char>(target[i + 1]) : 0;
        diff |= t ^ static_cast<unsigned char>(secret[i]);
    }
    return diff == 0;
}

// The head as it goes to the server: the request line given, the login
// added, the "Host:" line naming the server and the client's own
// "Authorization:" lines left out. head ends with the CRLF of its last line.
std::string RewriteHead(const std::string& head, const std::string& requestLine, const std::string& hostField,
                        const std::string& authorization)
{
    std::string out = requestLine + "\r\nAuthorization: " + authorization + "\r\n";
    bool hostSent = false;
    size_t pos = head.find("\r\n");
    while (pos != std::string::npos && pos + 2 < head.size()) {
        pos += 2;
        const size_t end = head.find("\r\n", pos);
        const std::string line = head.substr(pos, end - pos);
        pos = end;
        if (StartsWithNoCase(line, "host:")) {
            if (!hostSent)
                out += "Host: " + hostField + "\r\n";
            hostSent = true;
        } else if (!StartsWithNoCase(line, "authorization:")) {
            out += line + "\r\n";
        }
    }
    if (!hostSent)
        out += "Host: " + hostField + "\r\n";
    return out + "\r\n";
}

// The request for the server, or empty when the relay refuses the head:
// anything but "GET /SECRET/PATH HTTP/1.x" with the relay's own secret and
// path, and any head with a bare CR, LF or NUL (which a server might split
// into lines of its own).
std::string Admit(const Shared& s, const std::string& head)
{
    for (size_t i = 0; i < head.size(); ++i) {
        const char c = head[i];
        if (c == '\0' || (c == '\r' && (i + 1 == head.size() || head[i + 1] != '\n')) ||
            (c == '\n' && (i == 0 || head[i - 1] != '\r')))
            return {};
    }
    const std::string line = head.substr(0, head.find("\r\n"));
    const size_t space = line.find(' ');
    const size_t space2 = space == std::string::npos ? space : line.find(' ', space + 1);
    if (space2 == std::string::npos)
        return {};
    const std::string target = line.substr(space + 1, space2 - space - 1);
    const std::string version = line.substr(space2 + 1);
    const bool secretOk = SecretMatches(s.secret, target);
    if (line.compare(0, space, "GET") != 0 || (version != "HTTP/1.0" && version != "HTTP/1.1") || !secretOk ||
        target.compare(std::min(target.size(), 1 + s.secret.size()), std::string::npos, s.path) != 0)
        return {};
    const std::string hostField = s.port == 80 ? s.host : s.host + ":" + std::to_string(s.port);
    return RewriteHead(head, "GET " + s.path + " " + version, hostField, s.authorization);
}

enum class HeadRead { Whole, TooLarge, Gone };

// The request head up to and with the CRLF of its last line; what follows
// it is dropped.
HeadRead ReadHead(const Shared& s, int fd, std::string* head)
{
    const Clock::time_point deadline = In(s.limits.headDeadlineMs);
    char buf[4096];
    size_t end;
    while ((end = head->find("\r\n\r\n")) == std::string::npos) {
        if (head->size() >= s.limits.maxHead)
            return HeadRead::TooLarge;
        if (!WaitFor(s, fd, POLLIN, deadline))
            return HeadRead::Gone;
        const size_t room = std::min(sizeof(buf), s.limits.maxHead - head->size());
        const ssize_t n = ::recv(fd, buf, room, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return HeadRead::Gone;
        if (n > 0)
            head->append(buf, static_cast<size_t>(n));
    }
    head->resize(end + 2);
    return HeadRead::Whole;
}

// Answers 403 and lets the client finish sending for a moment, so that the
// close does not reset the connection before the answer is read.
void Refuse(const Shared& s, int fd)
{
    [[maybe_unused]] const ssize_t n =
        ::send(fd, kForbidden, sizeof(kForbidden) - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(fd, SHUT_WR);
    const Clock::time_point deadline = In(kDrainMs);
    char buf[4096];
    for (size_t drained = 0; drained < kMaxDrain && WaitFor(s, fd, POLLIN, deadline);) {
        const ssize_t got = ::recv(fd, buf, sizeof(buf), MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
            return;
        drained += got > 0 ? static_cast<size_t>(got) : 0;
    }
}

void Serve(const Shared& s, int clientFd)
{
    std::string head;
    switch (ReadHead(s, clientFd, &head)) {
    case HeadRead::Gone:
        return;
    case HeadRead::TooLarge:
        Refuse(s, clientFd);
        return;
    case HeadRead::Whole:
        break;
    }
    const std::string request = Admit(s, head);
    if (request.empty()) {
        Refuse(s, clientFd);
        return;
    }

    sockaddr_in address{};
    if (net::ResolveIPv4(s.host, &address) != 0 || s.stop)
        return;
    address.sin_port = htons(static_cast<uint16_t>(s.port));
    net::TcpConnection server(s.stop);
    if (server.Connect(address, kConnectTimeoutMs) != net::TcpConnection::Status::Ok)
        return;
    const int serverFd = server.Fd();
    if (!SendAll(s, serverFd, request.data(), request.size()))
        return;

    // Only the server's answer goes on: a GET has no body, and anything
    // more the client sends would be a request nobody checked.
    char buf[16384];
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
            if (n <= 0)
                return;
            if (i == 1 && !SendAll(s, clientFd, buf, static_cast<size_t>(n)))
                return;
        }
    }
}

void AcceptLoop(const std::shared_ptr<Shared>& s)
{
    while (WaitFor(*s, s->listenFd, POLLIN, kNoDeadline)) {
        const int fd = ::accept4(s->listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            // Out of descriptors: the pending connection stays ready, so
            // wait a tick rather than spin.
            if (errno == EMFILE || errno == ENFILE || errno == ENOMEM || errno == ENOBUFS)
                WaitFor(*s, s->wakeFd, POLLIN, In(net::kStopTickMs));
            continue;
        }
        if (s->connections.fetch_add(1) >= s->limits.maxConnections) {
            s->connections.fetch_sub(1);
            ::close(fd);
            continue;
        }
        // Each connection holds the shared state for as long as it runs.
        try {
            std::thread([s, fd] {
                Serve(*s, fd);
                ::close(fd);
                s->connections.fetch_sub(1);
            }).detach();
        } catch (const std::system_error&) {
            ::close(fd);
            s->connections.fetch_sub(1);
        }
    }
}

}  // namespace

CredentialRelay::CredentialRelay(std::string host, int port, const std::string& pathAndQuery,
                                 std::string user, std::string password, Limits limits)
    : shared_(std::make_shared<Shared>())
{
    shared_->host = std::move(host);
    shared_->port = port > 0 ? port : 80;
    shared_->path = mmsh::EscapeUrl(pathAndQuery);
    if (shared_->path.empty() || shared_->path[0] != '/')
        shared_->path.insert(0, "/");
    shared_->authorization =
        "Basic " + QByteArray::fromStdString(user + ":" + password).toBase64().toStdString();
    shared_->limits = limits;
}

CredentialRelay::~CredentialRelay()
{
    shared_->stop = true;
    // The port refuses from now on; the descriptor itself stays open until
    // the last thread lets go of it.
    if (shared_->listenFd >= 0)
        ::shutdown(shared_->listenFd, SHUT_RDWR);
    if (shared_->wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(shared_->wakeFd, &one, sizeof(one));
    }
}

bool CredentialRelay::Start()
{
    Shared& s = *shared_;
    if (!DrawSecret(&s.secret))
        return false;
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
    try {
        std::thread([s = shared_] { AcceptLoop(s); }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    port_ = ntohs(a.sin_port);
    return true;
}

std::string CredentialRelay::LocalUrl() const
{
    if (port_ == 0)
        return {};
    return "mmsh://127.0.0.1:" + std::to_string(port_) + "/" + shared_->secret + shared_->path;
}

}  // namespace player
