#include "base/cancel_signal.h"

void CancelSignal::Cancel()
{
    std::lock_guard dispatch(dispatch_);
    std::vector<std::pair<uint64_t, std::function<void()>>> watchers;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_.load())
            return;
        cancelled_ = true;
        watchers.swap(watchers_);
    }
    for (auto& watcher : watchers)
        watcher.second();
}

void CancelSignal::Reset()
{
    std::lock_guard lock(mutex_);
    cancelled_ = false;
}

CancelSignal::Watch CancelSignal::OnCancel(std::function<void()> fn) const
{
    {
        std::lock_guard lock(mutex_);
        if (!cancelled_.load()) {
            const uint64_t id = nextId_++;
            watchers_.emplace_back(id, std::move(fn));
            return Watch(this, id);
        }
    }
    fn();
    return Watch();
}

void CancelSignal::Unwatch(uint64_t id) const
{
    // Waits for a Cancel that is running the watchers, unless it is this
    // thread's own (a watcher ending its watch).
    std::lock_guard dispatch(dispatch_);
    std::lock_guard lock(mutex_);
    std::erase_if(watchers_, [id](const auto& w) { return w.first == id; });
}

const CancelSignal& CancelSignal::Never()
{
    static const CancelSignal never;
    return never;
}

CancelSignal::Watch& CancelSignal::Watch::operator=(Watch&& other) noexcept
{
    if (this != &other) {
        Reset();
        signal_ = std::exchange(other.signal_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void CancelSignal::Watch::Reset()
{
    if (signal_)
        signal_->Unwatch(id_);
    signal_ = nullptr;
    id_ = 0;
}
