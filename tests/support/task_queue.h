#pragma once

// The owner thread's side of TaskPoster in tests: other threads post, the
// test's own thread runs the tasks when it pumps, as a front end's main loop
// does.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "base/task_poster.h"

namespace testsupport {

class TaskQueue final : public TaskPoster {
public:
    void Post(std::function<void()> task) override
    {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        cv_.notify_all();
    }

    // Runs the tasks posted so far, in order; returns how many ran.
    size_t RunPending()
    {
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard lock(mutex_);
            tasks.swap(tasks_);
        }
        for (auto& task : tasks)
            task();
        return tasks.size();
    }

    // Runs tasks as they come until the condition holds or the time is up;
    // returns the condition. The condition may also come true on another
    // thread without a task, so it is looked at every few milliseconds.
    bool RunUntil(const std::function<bool()>& condition,
                  std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            RunPending();
            if (condition())
                return true;
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::unique_lock lock(mutex_);
            cv_.wait_for(lock, std::chrono::milliseconds(5), [this] { return !tasks_.empty(); });
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace testsupport
