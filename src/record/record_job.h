#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "record/app_settings.h"

class StatusSink;

// The job record of one recording. The worker writes it and the main thread
// reads it when it handles a status code, so every field that changes while
// the job runs is an atomic or is guarded by `mutex_`. The fields fixed at
// construction (owner, id, settings, url, title, player agent) never change.
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
    std::atomic<uint32_t> bytesWritten{0};
    std::atomic<uint32_t> progress{0};  // hundredths of a percent
    std::atomic<uint32_t> timeMs{0};
    std::atomic<bool> running{false};
    std::atomic<bool> errorFlag{false};
    std::atomic<bool> headerReceived{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> noNext{false};

    std::string OutputPath() const;
    void SetOutputPath(const std::string& path);
    std::string User() const;
    std::string Password() const;
    void SetCredentials(const std::string& user, const std::string& password);
    std::string MoreInfoUrl() const;
    void SetMoreInfoUrl(const std::string& url);
    std::string ErrorText() const;
    void SetErrorText(const std::string& text);
    std::string FoundUrl() const;

    // Texts that belong to one posted code (the found address of code 10,
    // the output path of codes 2 and 11). Several codes of one kind can be
    // queued before the main thread handles the first, and each must show
    // its own text, so they are kept in order until taken.
    void PushEventText(int code, const std::string& text);
    // The oldest text pushed for the code; when none is queued, `fallback`.
    std::string TakeEventText(int code, const std::string& fallback);
    void SetFoundUrl(const std::string& url);

    // Posts a status code to the owner, when there is one.
    void Post(int code) const;

private:
    struct EventText {
        int code;
        std::string text;
    };
    // Bounds the queue: a client that reports thousands of addresses must
    // not grow memory without end while the main thread is busy.
    static constexpr size_t kMaxQueuedTexts = 1024;

    mutable std::mutex mutex_;
    std::string outputPath_;
    std::string user_;
    std::string password_;
    std::string moreInfoUrl_;
    std::string errorText_;
    std::string foundUrl_;
    std::deque<EventText> eventTexts_;
};
