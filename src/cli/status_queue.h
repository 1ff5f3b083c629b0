#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "base/status_sink.h"

// The CLI's main-thread queue of job status events: workers post, the main
// loop takes them one at a time and hands them to the recorder controller,
// exactly as the desktop front end queues them onto its event loop.
// Progress events are coalesced: while a job's latest queued event is a
// progress event, a newer one replaces its data; and progress does not wake
// the main loop. A fast stream neither piles up events nor wakes the main thread once
// per packet, and the values shown are always the newest.
class StatusQueue final : public StatusSink {
public:
    void Post(const JobEvent& event) override;
    // Waits at most `timeout` for an event; false when none came.
    bool Take(JobEvent* event, std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<JobEvent> events_;
};
