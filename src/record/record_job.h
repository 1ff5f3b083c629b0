#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "base/app_settings.h"
#include "base/cancel_signal.h"
#include "base/job_event.h"
#include "base/stream_info.h"
#include "protocols/client_hooks.h"

class StatusSink;

// The job record of one recording. The worker writes it; every field that
// changes while the job runs is an atomic or is guarded by `mutex_`, so the
// main thread may look at it at any time. The front end learns of changes
// through the events the job posts, which carry their own data. The fields
// fixed at construction (owner, id, settings, url, title, player agent) never
// change.
class RecordJob {
public:
    RecordJob(StatusSink* owner, uint16_t jobId, const AppSettings& settings, std::string url,
              std::string title, std::string playerAgent, std::string user,
              std::string password);

    StatusSink* const owner;  // null: the job posts nothing (URL check)
    const uint16_t jobId;
    const AppSettings settings;
    const std::string url;
    const std::string title;
    const std::string playerAgent;

    std::atomic<uint32_t> durationMs{0};
    std::atomic<uint64_t> bytesWritten{0};
    std::atomic<uint32_t> progress{0};  // hundredths of a percent
    std::atomic<uint32_t> timeMs{0};
    std::atomic<bool> running{false};
    std::atomic<bool> errorFlag{false};
    std::atomic<bool> stopRequested{false};
    // The user declined a password (OnNoNext): no further attempt for this
    // address (a playlist's entry: for this entry) and no next row started
    // after the job.
    std::atomic<bool> noNext{false};
    // How the last attempt's media phase ended, and the data packets it wrote
    // (OnStreamEnd); Unknown and 0 until a client reports.
    std::atomic<StreamEnd> streamEnd{StreamEnd::Unknown};
    std::atomic<uint64_t> dataPackets{0};
    // Set by the driver when a recording of the job ended before its
    // stream's announced end (the file is kept and can be resumed).
    std::atomic<bool> incomplete{false};
    // Set by a client when the file handed over for a resume holds another
    // stream than the server's (OnResumeRefused).
    std::atomic<bool> resumeRefused{false};
    // The outages the job reconnected after, and their summed length.
    std::atomic<uint32_t> outages{0};
    std::atomic<uint64_t> outageMs{0};

    // Set by the job's stop: a question the job asks ends with its cancel
    // answer.
    CancelSignal& StopSignal() { return stopSignal_; }
    const CancelSignal& StopSignal() const { return stopSignal_; }

    std::string OutputPath() const;
    void SetOutputPath(const std::string& path);
    std::string User() const;
    std::string Password() const;
    void SetCredentials(const std::string& user, const std::string& password);
    std::string ErrorText() const;
    void SetErrorText(const std::string& text);
    // What the last attempt's stream header said, and for a check the
    // transport that answered (OnStreamInfo, CmmsThread::Probe).
    StreamInfo Stream() const;
    void SetStream(const StreamInfo& info);

    // The attempts of the fallback chain that brought no recording, each
    // with its reason (JobEvent::attempts). At most kMaxAttempts are kept,
    // the latest.
    static constexpr size_t kMaxAttempts = 32;
    std::vector<FailedAttempt> Attempts() const;
    void AddAttempt(FailedAttempt attempt);
    void SetAttempts(std::vector<FailedAttempt> attempts);

    // The outcome as it stands: failed (errorFlag), cancelled (a stop),
    // incomplete, otherwise completed.
    JobResult Result() const;
    // The end event of the job (Finished), from the fields as they stand.
    JobEvent EndEvent() const;

    // Posts an event to the owner, when there is one; its job id is set here.
    void Post(JobEvent event) const;
    void Post(JobEventKind kind) const { Post(JobEvent::Of(jobId, kind)); }

private:
    CancelSignal stopSignal_;
    mutable std::mutex mutex_;
    std::string outputPath_;
    std::string user_;
    std::string password_;
    std::string errorText_;
    std::vector<FailedAttempt> attempts_;
    StreamInfo stream_;
};
