#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "record/status_sink.h"

// The CLI's main-thread queue of job status codes: workers post, the main
// loop takes them one at a time and hands them to the recorder controller,
// exactly as the desktop front end queues them onto its event loop.
// A progress code is queued at most once per job until it is taken, and it
// does not wake the main loop: the handler reads the job's current values
// anyway, so a fast stream neither piles up events nor wakes the main
// thread once per packet.
class StatusQueue final : public StatusSink {
public:
    struct Item {
        uint16_t jobId;
        int code;
    };
    void Post(uint16_t jobId, int code) override;
    // Waits at most `timeout` for an item; false when none came.
    bool Take(Item* item, std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Item> items_;
    std::vector<uint16_t> progressQueued_;  // jobs with a progress code in items_
};
