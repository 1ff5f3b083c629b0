#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocols/client_hooks.h"
#include "protocols/mmsh/message_log.h"
#include "protocols/mmsh/target_list.h"
#include "protocols/mmsh/transfer_status.h"
#include "protocols/net/url_parts.h"
#include "protocols/protocol_client.h"

class ByteSink;

namespace mmsh {
struct StreamUrl;
}

// Records a Windows Media stream served over HTTP: a probe exchange tells
// what the address is (live, on demand, a playlist, a refusal), then a
// media exchange streams the framed ASF chunks into the output file. Asks
// for credentials on 401, follows playlists from servers and local files.
// One object per worker; Stop() may come from any thread. request.resume
// is a byte offset (kResumeUnit).
class MmshClient final : public ProtocolClient {
public:
    // One call handles at most this many addresses, playlists included.
    static constexpr int kMaxTargetsPerCall = 1024;
    static constexpr ResumeAt::Unit kResumeUnit = ResumeAt::Unit::Byte;

    explicit MmshClient(const ClientEnvironment& env);
    ~MmshClient() override;
    MmshClient(const MmshClient&) = delete;
    MmshClient& operator=(const MmshClient&) = delete;

    // Returns the bytes this call wrote; without an output file (a check),
    // the header bytes of the streams that answered. 0: nothing answered.
    uint64_t Record(const RecordRequest& request) override;
    void Stop() override;

    // The last error or note. Read it on the worker or after Record returned.
    const std::string& lastMessage() const { return log_.last(); }
    // Grows over every call made on this object; the hooks report this.
    uint64_t bytesWritten() const { return bytesWritten_; }

private:
    ClientHooks& hooks() { return env_.hooks ? *env_.hooks : noHooks_; }
    void RunTargets(const std::vector<mmsh::Target>& targets, int depth);
    // True when the target reached the media phase.
    bool HandleTarget(const mmsh::Target& target, int depth, const std::string& proxyText);
    void MediaPhase(const mmsh::Target& target, mmsh::StreamUrl& url, const std::string& guid,
                    const mmsh::TransferStatus& probe);
    // One request and its reply on a connection of its own.
    void CollectStream(bool probe, ByteSink* out, uint64_t existingSize, const std::string& request,
                       mmsh::StreamUrl& url, mmsh::TransferStatus* status);
    // The credential lookup for the target's host as written and its port.
    bool GetCredentials(const mmsh::StreamUrl& url, int attempt);
    // Runs a playlist text; true when the text was a playlist.
    bool PlaylistPath(const uint8_t* text, size_t length, uint16_t port, int depth);
    bool Stopped() const { return stop_.load(std::memory_order_relaxed); }
    void Fail(const std::string& reason) { hooks().OnFailureReason(reason); }

    ClientEnvironment env_;
    ClientHooks noHooks_;
    std::atomic<bool> stop_{false};
    mmsh::MessageLog log_;
    uint64_t bytesWritten_ = 0;

    // What one Record call holds.
    struct Attempt {
        explicit Attempt(const RecordRequest& request);

        std::unique_ptr<uint8_t[]> buffer;  // the exchange buffer
        ByteSink* out;
        uint64_t startOffset;
        std::vector<uint8_t> keptHeader;      // the resumed file's header (RecordRequest::keptHeader)
        std::vector<uint8_t> repeatedPacket;  // its last packet (RecordRequest::repeatedPacket)
        uint64_t start = 0;                   // bytesWritten_ when Record began
        std::shared_ptr<const AsfFileWriter::Continuation> continuation;
        // The credentials of the target being handled, and those the call
        // was given, which belong to the scheme, host and port of its
        // address alone: a server playlist's entry on another server gets
        // none unless it asks and the user answers.
        std::string user;
        std::string password;
        std::string givenUser;
        std::string givenPassword;
        net::CredentialOrigin givenOrigin;
        bool givenHasOrigin = false;
        // The output file already holds a stream, the addresses handled so
        // far, and what a check without a file found.
        bool fileUsed = false;
        int targetsHandled = 0;
        uint64_t probeCount = 0;
        // Why the last exchange brought no stream, in plain words ("" when it did).
        std::string exchangeFailure;
    };
    std::unique_ptr<Attempt> attempt_;
};
