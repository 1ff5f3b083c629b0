#pragma once

// What the fuzz targets of the network readers share: a loopback server
// that plays the fuzz input to the code under test over a real TCP
// connection, control over how that connection hands out its bytes (the
// targets link with --wrap=recv), an output file in memory, and hooks that
// write down everything a client reports.
//
// The readers must come to the same result however TCP splits the stream,
// so each target runs an input twice, once as it arrives and once in pieces
// that the input's first byte chooses, and stops the fuzzer when the two
// results differ.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "formats/byte_sink.h"
#include "formats/printf.h"
#include "protocols/client_hooks.h"
#include "protocols/net/tcp_connection.h"
#include "protocols/protocol_client.h"

namespace fuzzharness {

// The sizes in which recv() hands out the client's bytes: pieces drawn from
// seed, of single bytes when its low four bits are 0 (and seed is not 0),
// else of 1 to at most 2..700 bytes. Applies to every recv() until
// ClearPieces(); without it, recv() takes whatever has arrived.
void UsePieces(uint8_t seed);
void ClearPieces();

// std::this_thread::sleep_for and other nanosleep() calls return at once
// while set (a client's pauses between requests are no part of what is
// fuzzed, and would cost most of the time).
void SkipSleeps(bool skip);

// A TCP server on 127.0.0.1 that serves one scripted connection at a time:
// the script's bytes, then the end of the stream; whatever the client sends
// is read and dropped. One thread for the process's lifetime.
class ScriptedServer {
public:
    ScriptedServer();
    ~ScriptedServer();
    uint16_t port() const { return port_; }
    std::string Address(const std::string& scheme, const std::string& path) const;

    // The next connection gets these bytes.
    void Serve(std::string bytes);
    // Waits until that connection is over (the client has closed it); when
    // none came in, gives it up.
    void Finish();

private:
    void Run();
    void ServeOne(int fd, const std::string& bytes);

    int listener_ = -1;
    uint16_t port_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string script_;
    bool pending_ = false;   // a script waits for its connection
    bool clientDone_ = false;
    bool busy_ = false;      // a connection is being served
    bool quit_ = false;
    std::thread thread_;
};

// A connection of the code under test to the server. The server ends every
// script with the end of the stream, so no reader waits for its idle
// time-out (10 s, far beyond any scheduling delay).
bool Connect(net::TcpConnection& connection, const ScriptedServer& server);

// An output file in memory. Writes that would make it larger than kCeiling
// fail as a full disk does.
class MemorySink final : public ByteSink {
public:
    static constexpr uint64_t kCeiling = 64ull << 20;
    bool WriteAt(uint64_t position, const void* data, size_t n) override;
    bool Size(uint64_t* size) override;
    bool Truncate(uint64_t size) override;
    bool Flush() override { return !failed_; }
    int Error() const override { return failed_ ? 27 /* EFBIG */ : 0; }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
    bool failed_ = false;
};

// Everything a client reports, in order, as text.
class LoggingHooks final : public ClientHooks {
public:
    std::string log;
    void OnConnecting(const std::string& url, int port) override;
    void OnHeaderReceived(const std::string& url, uint32_t durationMs) override;
    void OnProgress(uint64_t bytes, uint32_t progress, uint32_t timeMs) override;
    void OnFinished(uint64_t bytes) override;
    void OnStreamEnd(StreamEnd how, uint64_t packets) override;
    void ReportError(const std::string& text) override;
    void OnText(const std::string& text) override;
    void OnStreamUrlFound(const std::string& url) override;
};

// Stops the fuzzer with both results when a split changed the outcome.
void ExpectSame(const char* what, const std::string& whole, const std::string& split, uint8_t seed);

// One recording by Client of scheme://server/fuzz/stream.asf as the server
// plays script, with the options byte of the stream-client targets: 0x01 a
// probe (no file), 0x02 a resume (3 packets passed over), 0x04 a size limit
// of 1 MB, 0x08 a time limit of 2 s. Returns the hooks' reports, the count
// written and the file. The client's pauses between requests are skipped.
template <class Client>
std::string RecordSession(ScriptedServer& server, const char* scheme, const std::string& script, uint8_t options)
{
    server.Serve(script);
    LoggingHooks hooks;
    ClientEnvironment env;
    env.hooks = &hooks;
    env.connectTimeoutMs = 10000;
    env.idleTimeoutMs = 10000;
    env.settings.m_sizePolicy = (options & 0x04) ? 1 : 0;
    env.settings.m_maxSize = 1;
    env.settings.m_timePolicy = (options & 0x08) ? 1 : 0;
    env.settings.m_maxTime = 2;
    Client client(env);
    MemorySink sink;
    RecordRequest request;
    request.url = server.Address(scheme, "/fuzz/stream.asf");
    request.out = (options & 0x01) ? nullptr : &sink;
    if (options & 0x02)
        request.resume =
            Client::kResumeUnit == ResumeAt::Unit::Packet ? ResumeAt::Packet(3) : ResumeAt::Byte(3);
    SkipSleeps(true);
    const uint64_t written = client.Record(request);
    SkipSleeps(false);
    server.Finish();
    return hooks.log + Printf("written %llu file %zu\n", static_cast<unsigned long long>(written),
                              sink.bytes().size()) +
           sink.bytes();
}

}  // namespace fuzzharness
