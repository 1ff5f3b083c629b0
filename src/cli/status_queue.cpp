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
