#include "cli/status_queue.h"

#include <algorithm>

void StatusQueue::Post(uint16_t jobId, int code)
{
    {
        std::lock_guard lock(mutex_);
        if (code == kStatusProgress) {
            if (std::find(progressQueued_.begin(), progressQueued_.end(), jobId) !=
                progressQueued_.end())
                return;
            progressQueued_.push_back(jobId);
        }
        items_.push_back({jobId, code});
    }
    // Progress does not wake the main loop: it is picked up on the loop's
    // next tick (at most 100 ms later), so a fast stream costs no wake-up
    // per packet. Every other code is handled at once.
    if (code != kStatusProgress)
        cv_.notify_one();
}

bool StatusQueue::Take(Item* item, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, timeout, [this] { return !items_.empty(); }))
        return false;
    *item = items_.front();
    items_.pop_front();
    if (item->code == kStatusProgress)
        std::erase(progressQueued_, item->jobId);
    return true;
}
