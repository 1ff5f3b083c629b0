#include "base/event_queue.h"

#include <algorithm>

void EventQueue::Post(const JobEvent& event)
{
    {
        std::lock_guard lock(mutex_);
        if (event.kind == JobEventKind::Progress) {
            // The job's latest queued event, when it is a progress event,
            // takes the new values; an older one stays, so that no progress
            // overtakes the job's other events. The queue is short, so a
            // scan is cheap.
            auto last = std::find_if(items_.rbegin(), items_.rend(), [&](const Item& item) {
                const JobEvent* e = std::get_if<JobEvent>(&item);
                return e && e->jobId == event.jobId;
            });
            if (last != items_.rend() && std::get<JobEvent>(*last).kind == JobEventKind::Progress) {
                *last = event;
                return;
            }
        }
        items_.emplace_back(event);
    }
    // Progress does not wake the main loop: it is picked up on the loop's
    // next tick (at most 100 ms later), so a fast stream costs no wake-up
    // per packet. Every other event is handled at once.
    if (event.kind != JobEventKind::Progress)
        cv_.notify_one();
}

void EventQueue::Post(std::function<void()> task)
{
    {
        std::lock_guard lock(mutex_);
        items_.emplace_back(std::move(task));
    }
    cv_.notify_one();
}

bool EventQueue::RunNext(std::chrono::milliseconds timeout, const std::function<void(const JobEvent&)>& onEvent)
{
    Item item;
    {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [this] { return !items_.empty(); }))
            return false;
        item = std::move(items_.front());
        items_.pop_front();
    }
    if (auto* event = std::get_if<JobEvent>(&item)) {
        if (onEvent)
            onEvent(*event);
    } else if (auto& task = std::get<std::function<void()>>(item)) {
        task();
    }
    return true;
}

std::deque<JobEvent> EventQueue::TakeEvents()
{
    std::deque<Item> items;
    {
        std::lock_guard lock(mutex_);
        items.swap(items_);
    }
    std::deque<JobEvent> events;
    for (Item& item : items) {
        if (auto* event = std::get_if<JobEvent>(&item))
            events.push_back(std::move(*event));
    }
    return events;
}
