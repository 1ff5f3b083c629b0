#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include <netinet/in.h>

namespace net {

// How often a blocked wait looks at the stop flag. A stop therefore takes
// effect within this many milliseconds, whatever the peer does.
constexpr int kStopTickMs = 100;

// Resolves a host name or dotted IPv4 address to an IPv4 socket address
// (port left 0). officialName, when given, receives the canonical name.
// Returns 0 on success, otherwise a getaddrinfo() error code.
int ResolveIPv4(const std::string& host, sockaddr_in* out, std::string* officialName = nullptr);

// One TCP connection whose every wait can be stopped from another thread:
// connect, send and receive wait with poll() in short ticks and give up as
// soon as the stop flag is set, or when the peer has been silent too long.
class TcpConnection {
public:
    enum class Status {
        Ok,
        Closed,    // orderly close by the peer
        Failed,    // a socket error: see LastError()
        Stopped,   // the stop flag was set
        TimedOut,  // nothing happened within the time allowed
    };

    // The flag is read, never written; it must outlive the connection.
    explicit TcpConnection(const std::atomic<bool>& stop);
    ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // Connects to an IPv4 address, waiting at most timeoutMs.
    // reuseAddress sets SO_REUSEADDR first (as the MMS and RTSP clients do).
    Status Connect(const sockaddr_in& address, int timeoutMs, bool reuseAddress = false);

    // Sends all n bytes; Ok only when every byte went out.
    Status SendAll(const void* data, size_t n);

    // Receives at most n bytes into buf (n > 0); *got holds the count.
    // Waits at most idleTimeoutMs for the first byte (0: until stopped).
    Status ReceiveSome(void* buf, size_t n, size_t* got);

    // Receives exactly n bytes; anything else (close, error, stop, silence)
    // is not Ok, and *got (when given) tells how many did arrive.
    Status ReceiveExact(void* buf, size_t n, size_t* got = nullptr);

    // Which part of the last Connect failed, so that callers can name it.
    enum class ConnectStep { None, Socket, Option, Connect };
    ConnectStep FailedConnectStep() const { return failedStep_; }

    void SetIdleTimeout(int ms) { idleTimeoutMs_ = ms; }
    bool LocalAddress(sockaddr_in* out) const;
    int LastError() const { return lastError_; }
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Close();

private:
    // Waits for the socket to become readable or writable. Ok, Stopped or
    // TimedOut (or Failed when poll itself fails).
    Status Wait(short events, int timeoutMs);

    const std::atomic<bool>& stop_;
    int fd_ = -1;
    int lastError_ = 0;
    int idleTimeoutMs_ = 60000;
    ConnectStep failedStep_ = ConnectStep::None;
};

}  // namespace net
