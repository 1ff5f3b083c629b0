#include "cli/status_queue.h"

#include <algorithm>

void StatusQueue::Post(const JobEvent& event)
{
    {
        std::lock_guard lock(mutex_);
        if (event.code == kStatusProgress) {
            // The job's latest queued event, when it is a progress event,
            // takes the new values; an older one stays, so that no progress
            // overtakes the job's other events. The queue is short, so a
            // scan is cheap.
            auto last = std::find_if(events_.rbegin(), events_.rend(),
                                     [&](const JobEvent& e) { return e.jobId == event.jobId; });
            if (last != events_.rend() && last->code == kStatusProgress) {
                *last = event;
                return;
            }
        }
        events_.push_back(event);
    }
    // Progress does not wake the main loop: it is picked up on the loop's
    // next tick (at most 100 ms later), so a fast stream costs no wake-up
    // per packet. Every other event is handled at once.
    if (event.code != kStatusProgress)
        cv_.notify_one();
}

bool StatusQueue::Take(JobEvent* event, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, timeout, [this] { return !events_.empty(); }))
        return false;
    *event = std::move(events_.front());
    events_.pop_front();
    return true;
}
