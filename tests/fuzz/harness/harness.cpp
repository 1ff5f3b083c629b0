#include "harness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/printf.h"

// The real functions behind the wrappers (the targets link with
// -Wl,--wrap=recv,--wrap=nanosleep).
extern "C" ssize_t __real_recv(int fd, void* buffer, size_t n, int flags);
extern "C" int __real_nanosleep(const struct timespec* duration, struct timespec* rest);

namespace {

// recv() pieces. What the kernel delivers is kept here and handed out in
// pieces, so that pieces of single bytes cost no system call each; the
// client sees the same results as from a kernel that split the stream so.
// Only the thread under test calls recv() (the server reads with read()),
// on one connection per run (UsePieces starts afresh).
struct Pieces {
    bool active = false;
    uint32_t state = 0;
    uint32_t maxPiece = 1;
    size_t leftInPiece = 0;
    int fd = -1;
    std::string held;
    size_t heldAt = 0;

    size_t Next()
    {
        state = state * 1103515245u + 12345u;
        return 1 + (state >> 16) % maxPiece;
    }
};
Pieces g_pieces;
std::atomic<bool> g_skipSleeps{false};

}  // namespace

extern "C" ssize_t __wrap_recv(int fd, void* buffer, size_t n, int flags)
{
    Pieces& p = g_pieces;
    if (!p.active || n == 0 || flags != 0)
        return __real_recv(fd, buffer, n, flags);
    if (fd != p.fd) {
        p.fd = fd;
        p.held.clear();
        p.heldAt = 0;
    }
    if (p.heldAt == p.held.size()) {
        char chunk[65536];
        const ssize_t got = __real_recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0)
            return got;  // the end, an error or EAGAIN, as the kernel said
        p.held.assign(chunk, static_cast<size_t>(got));
        p.heldAt = 0;
    }
    if (p.leftInPiece == 0)
        p.leftInPiece = p.Next();
    const size_t take = std::min({n, p.leftInPiece, p.held.size() - p.heldAt});
    std::memcpy(buffer, p.held.data() + p.heldAt, take);
    p.heldAt += take;
    p.leftInPiece -= take;
    return static_cast<ssize_t>(take);
}

extern "C" int __wrap_nanosleep(const struct timespec* duration, struct timespec* rest)
{
    if (g_skipSleeps.load(std::memory_order_relaxed))
        return 0;
    return __real_nanosleep(duration, rest);
}

namespace fuzzharness {

void UsePieces(uint8_t seed)
{
    g_pieces = Pieces{};
    if (seed == 0)
        seed = 0x0F;
    g_pieces.active = true;
    g_pieces.state = seed;
    // Low nibble 0: single bytes; otherwise pieces of up to 3 to 700 bytes.
    static constexpr uint32_t kMax[16] = {1, 2, 3, 5, 8, 13, 21, 40, 64, 100, 150, 250, 400, 520, 640, 700};
    g_pieces.maxPiece = kMax[seed & 15];
}

void ClearPieces() { g_pieces = Pieces{}; }

void SkipSleeps(bool skip) { g_skipSleeps.store(skip); }

ScriptedServer::ScriptedServer()
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        std::perror("fuzz harness: cannot listen on 127.0.0.1");
        std::abort();
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread(&ScriptedServer::Run, this);
}

ScriptedServer::~ScriptedServer()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
    ::close(listener_);
}

std::string ScriptedServer::Address(const std::string& scheme, const std::string& path) const
{
    return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
}

void ScriptedServer::Serve(std::string bytes)
{
    std::lock_guard lock(mutex_);
    script_ = std::move(bytes);
    pending_ = true;
    clientDone_ = false;
    changed_.notify_all();
}

void ScriptedServer::Finish()
{
    std::unique_lock lock(mutex_);
    clientDone_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !pending_ && !busy_; });
}

void ScriptedServer::Run()
{
    std::string script;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return quit_ || pending_; });
            if (quit_)
                return;
        }
        // Waits for the connection; a client that is done without one
        // never made it.
        int fd = -1;
        for (;;) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 5) > 0) {
                fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0)
                    break;
            }
            std::lock_guard lock(mutex_);
            if (clientDone_ || quit_)
                break;
        }
        {
            std::lock_guard lock(mutex_);
            pending_ = false;
            busy_ = fd >= 0;
            script = std::move(script_);
            script_.clear();
        }
        if (fd >= 0) {
            ServeOne(fd, script);
            ::close(fd);
        }
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
        }
        changed_.notify_all();
    }
}

void ScriptedServer::ServeOne(int fd, const std::string& bytes)
{
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    size_t sent = 0;
    bool shut = false;
    char sink[16384];
    for (;;) {
        if (sent == bytes.size() && !shut) {
            ::shutdown(fd, SHUT_WR);
            shut = true;
        }
        pollfd p{fd, static_cast<short>(POLLIN | (shut ? 0 : POLLOUT)), 0};
        if (::poll(&p, 1, 50) == 0) {
            std::lock_guard lock(mutex_);
            if (quit_)
                return;
            continue;
        }
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::read(fd, sink, sizeof sink);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
                return;  // the client closed: the connection is over
        }
        if (!shut && (p.revents & POLLOUT)) {
            const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n > 0)
                sent += static_cast<size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                return;
        }
    }
}

bool Connect(net::TcpConnection& connection, const ScriptedServer& server)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(server.port());
    connection.SetIdleTimeout(10000);
    return connection.Connect(a, 10000) == net::TcpConnection::Status::Ok;
}

bool MemorySink::WriteAt(uint64_t position, const void* data, size_t n)
{
    if (failed_ || position > kCeiling || n > kCeiling - position) {
        failed_ = true;
        return false;
    }
    if (bytes_.size() < position + n)
        bytes_.resize(position + n, '\0');
    bytes_.replace(position, n, static_cast<const char*>(data), n);
    return true;
}

bool MemorySink::Size(uint64_t* size)
{
    *size = bytes_.size();
    return !failed_;
}

bool MemorySink::Truncate(uint64_t size)
{
    if (failed_ || size > kCeiling) {
        failed_ = true;
        return false;
    }
    bytes_.resize(size, '\0');
    return true;
}

void LoggingHooks::OnConnecting(const std::string& url, int port)
{
    log += Printf("connecting %s %d\n", url.c_str(), port);
}
void LoggingHooks::OnHeaderReceived(const std::string& url, uint32_t durationMs)
{
    log += Printf("header %s %u\n", url.c_str(), durationMs);
}
void LoggingHooks::OnProgress(uint64_t bytes, uint32_t progress, uint32_t timeMs)
{
    log += Printf("progress %llu %u %u\n", static_cast<unsigned long long>(bytes), progress, timeMs);
}
void LoggingHooks::OnFinished(uint64_t bytes)
{
    log += Printf("finished %llu\n", static_cast<unsigned long long>(bytes));
}
void LoggingHooks::OnStreamEnd(StreamEnd how, uint64_t packets)
{
    log += Printf("end %d %llu\n", static_cast<int>(how), static_cast<unsigned long long>(packets));
}
void LoggingHooks::ReportError(const std::string& text) { log += "error " + text + "\n"; }
void LoggingHooks::OnText(const std::string& text) { log += "text " + text + "\n"; }
void LoggingHooks::OnStreamUrlFound(const std::string& url) { log += "found " + url + "\n"; }

void ExpectSame(const char* what, const std::string& whole, const std::string& split, uint8_t seed)
{
    if (whole == split)
        return;
    size_t at = 0;
    while (at < whole.size() && at < split.size() && whole[at] == split[at])
        ++at;
    std::fprintf(stderr,
                 "%s depends on how the stream is split (pieces seed %u): %zu and %zu bytes, first "
                 "difference at %zu\n--- whole:\n%.2000s\n--- split:\n%.2000s\n",
                 what, seed, whole.size(), split.size(), at, whole.substr(at > 200 ? at - 200 : 0).c_str(),
                 split.substr(at > 200 ? at - 200 : 0).c_str());
    std::abort();
}

}  // namespace fuzzharness
