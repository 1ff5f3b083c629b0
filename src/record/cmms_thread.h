#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "protocols/client_hooks.h"
#include "protocols/protocol_client.h"
#include "record/record_job.h"
#include "record/resume_check.h"

class Profile;
class StatusSink;
class UserPrompts;

// Makes the protocol client of a kind. The programs use MakeProtocolClient;
// tests inject scripted clients.
using ClientFactory =
    std::function<std::unique_ptr<ProtocolClient>(ClientKind, const ClientEnvironment&)>;

// The waits before the reconnect attempts of one outage: these, then
// thenEveryMs before every further one. Tests shorten them.
struct ReconnectTimings {
    std::vector<int> backoffMs = {1000, 2000, 4000, 8000, 16000};
    int thenEveryMs = 30000;
};

// What a job needs from its surroundings besides the settings: shared by
// every job a front end creates.
struct JobServices {
    ClientFactory factory;       // empty: MakeProtocolClient
    ResumeScanner resumeScanner; // empty: the ASF resume scan
    Profile* profile = nullptr;  // credential store (may be null)
    UserPrompts* prompts = nullptr;  // may be null: questions take their safe answer
    int connectTimeoutMs = 20000;
    int idleTimeoutMs = 60000;
    ReconnectTimings reconnect;
};

// One recording job and its worker thread. It owns one instance of each
// protocol client and receives their notifications: it stores the reported
// values in the job record and posts status events to the owner. The URL
// check uses an object without starting its thread (Check).
class CmmsThread final : public ClientHooks {
public:
    CmmsThread(StatusSink* owner, uint16_t jobId, const AppSettings& settings, std::string url,
               std::string title, std::string playerAgent, std::string user,
               std::string password, const JobServices& services);
    // Stops a running worker and waits for it: a job is never destroyed
    // while its thread may still touch it.
    ~CmmsThread() override;
    CmmsThread(const CmmsThread&) = delete;
    CmmsThread& operator=(const CmmsThread&) = delete;

    // Starts the worker, which runs the job driver once and posts Finished at
    // the end. False when the thread could not be created.
    bool Start();
    // Callable from any thread; returns at once. The clients poll their stop
    // flags in short ticks, so the job ends within about a second; a question
    // the job has open ends with its cancel answer.
    void Stop();
    // Waits for the worker to end (no-op when it was never started).
    void Join();
    // True once the worker has ended (or was never started).
    bool Finished() const { return !threadActive_.load(); }

    RecordJob& job() { return job_; }
    const RecordJob& job() const { return job_; }

    // The URL check's probe of one address (no output file): clears the
    // job's state and runs Probe. Returns the last attempt's count, 0 on
    // failure; job().Stream() then holds what the answering client learnt,
    // with its transport.
    uint64_t Check(const std::string& address, const std::string& user,
                   const std::string& password);
    uint64_t Probe(const std::string& address, RecordRequest::Body body, const std::string& user,
                   const std::string& password);

    // Runs the job driver on the calling thread (the worker's whole work,
    // without the end event).
    void Drive(const std::string& address, const std::string& title);

    ProtocolClient& Client(ClientKind kind);
    UserPrompts* prompts() const { return prompts_; }
    const ResumeScanner& resumeScanner() const { return resumeScanner_; }
    const ReconnectTimings& reconnectTimings() const { return reconnectTimings_; }

    // The bytes a client reports are those of its attempt; the job's count
    // adds this many (what earlier attempts left in the same file).
    void SetProgressBase(uint64_t bytes) { progressBase_ = bytes; }
    // A reconnect heals an outage once it has brought this much new media,
    // or this many new data packets (a stream whose packets carry no
    // times): a server that sends a header or a few packets and drops again
    // has not come back.
    static constexpr uint32_t kHealMediaMs = 3000;
    static constexpr uint64_t kHealPackets = 256;
    // A reconnect attempt starts: once it has brought enough new data (see
    // kHealMediaMs) it ends the outage that began at lostAt. The job counts
    // the outage, until the attempt's first new packet, and posts Reconnected.
    void ArmReconnected(uint32_t attempt, int64_t lostAtMs, std::chrono::steady_clock::time_point lostAt);
    // The attempt's stream has reached its end: the outage is over, however
    // little it brought.
    void EndOutage();
    // Ends the watch; true when the outage ended.
    bool DisarmReconnected();
    // While held, the header event (HeaderReceived) waits for the attempt's first
    // data packet; one still waiting when the hold ends is dropped.
    void HoldHeaderEvent(bool hold);

    // Runs one client's entry operation with the stop request carried over:
    // a Stop that lands between the driver's check and the client's start
    // is re-issued from the client's first notification.
    uint64_t RunClient(ClientKind kind, const RecordRequest& request);
    // Keeps an attempt of the fallback chain that brought nothing (its
    // RunClient returned 0) in the job, with the reason its client gave;
    // failing that, its error text, "stopped", or kNoReason.
    void NoteFailedAttempt(ClientKind kind, const std::string& url);
    static constexpr const char* kStoppedReason = "stopped";
    static constexpr const char* kNoReason = "nothing arrived";

    // ClientHooks
    void OnConnecting(const std::string& url, int port) override;
    void OnHeaderReceived(const std::string& url, uint32_t durationMs) override;
    void OnProgress(uint64_t bytesWritten, uint32_t progress, uint32_t timeMs) override;
    void OnDataPacket(uint32_t timeMs) override;
    void OnFinished(uint64_t bytesWritten) override;
    void OnStreamEnd(StreamEnd how, uint64_t dataPackets) override;
    void Trace(const std::string& text) override;
    void ReportError(const std::string& text) override;
    void OnFailureReason(const std::string& reason) override;
    void OnText(const std::string& text) override;
    void OnCredentials(const std::string& user, const std::string& password) override;
    void OnNoNext() override;
    void OnResumeRefused() override;
    void OnStreamUrlFound(const std::string& url) override;
    void OnStreamInfo(const StreamInfo& info) override;

    // Error texts are cut at this many bytes.
    static constexpr size_t kMaxErrorText = 8192;

private:
    void Run();
    // Re-issues a pending stop to the client that is running.
    void CarryStop();

    RecordJob job_;
    UserPrompts* prompts_;
    ResumeScanner resumeScanner_;
    ReconnectTimings reconnectTimings_;
    // Worker thread only.
    uint64_t progressBase_ = 0;
    struct OutageWatch {
        bool armed = false;
        bool ended = false;
        uint32_t attempt = 0;
        int64_t lostAtMs = 0;
        std::chrono::steady_clock::time_point lostAt;
        // The attempt's new data packets, and the first one's time.
        uint64_t packets = 0;
        uint32_t firstTimeMs = 0;
        std::chrono::steady_clock::time_point firstPacketAt;
    } outage_;
    bool holdHeader_ = false;
    std::optional<JobEvent> heldHeader_;
    std::array<std::unique_ptr<ProtocolClient>, 4> clients_;
    std::atomic<ProtocolClient*> activeClient_{nullptr};
    // The address of the running client (worker thread only): credentials
    // it reports become the job's only when they belong to the job's own.
    std::string clientUrl_;
    // Which client runs, and why its attempt brings nothing (worker thread only).
    ClientKind clientKind_ = ClientKind::MmsTcp;
    std::string attemptReason_;
    std::thread thread_;
    std::mutex threadMutex_;
    std::atomic<bool> threadActive_{false};
};
