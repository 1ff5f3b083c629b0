#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <variant>

#include "base/status_sink.h"
#include "base/task_poster.h"

// A main loop's queue (brimcast-cli's): jobs post their status events and
// other threads (the URL check) post tasks; the main loop takes them one at a
// time, in order, and handles them on the main thread, which owns the media
// list, as the desktop front end queues them onto its event loop.
// Progress events are coalesced: while a job's latest queued event is a
// progress event, a newer one replaces its data; and progress does not wake
// the main loop. A fast stream neither piles up events nor wakes the main
// thread once per packet, and the values shown are always the newest.
// The desktop program's sink keeps its events in one too and takes them in
// batches (TakeEvents) onto its event loop.
class EventQueue final : public StatusSink, public TaskPoster {
public:
    void Post(const JobEvent& event) override;
    void Post(std::function<void()> task) override;
    // Waits at most `timeout` for the next item: runs a task, or hands an
    // event to onEvent. False when nothing came.
    bool RunNext(std::chrono::milliseconds timeout, const std::function<void(const JobEvent&)>& onEvent);
    // Takes every event queued now, in order, without waiting; for a queue
    // that carries events only.
    std::deque<JobEvent> TakeEvents();

private:
    using Item = std::variant<JobEvent, std::function<void()>>;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Item> items_;
};
