#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

// A one-way signal that a question waits on: a job's stop (which is also how
// the program's shutdown reaches every job). Once set it stays set until its
// owner resets it for the next use (the URL check's probe, row after row).
//
// Watchers run on the thread that sets the signal, while it is being set: they
// must be short and must not wait for other threads (wake a waiter, post to
// the front end's thread).
class CancelSignal {
public:
    CancelSignal() = default;
    CancelSignal(const CancelSignal&) = delete;
    CancelSignal& operator=(const CancelSignal&) = delete;

    // Sets the signal and runs every watcher once; further calls do nothing.
    // Callable from any thread.
    void Cancel();
    bool Cancelled() const { return cancelled_.load(); }
    // Clears the signal. Only the owner calls it, between uses, while no
    // question waits on it.
    void Reset();

    // A registration of OnCancel. Destroying (or resetting) it ends the
    // watch: when that returns, the function is not running (unless on this
    // very thread, inside it) and will not run.
    class Watch {
    public:
        Watch() = default;
        Watch(Watch&& other) noexcept { *this = std::move(other); }
        Watch& operator=(Watch&& other) noexcept;
        ~Watch() { Reset(); }
        void Reset();

    private:
        friend class CancelSignal;
        Watch(const CancelSignal* signal, uint64_t id) : signal_(signal), id_(id) {}
        const CancelSignal* signal_ = nullptr;
        uint64_t id_ = 0;
    };

    // Runs fn once when the signal is set: at once, on this thread, when it
    // already is. The signal must outlive the returned watch.
    [[nodiscard]] Watch OnCancel(std::function<void()> fn) const;

    // A signal that is never set: for questions that no job asks.
    static const CancelSignal& Never();

private:
    void Unwatch(uint64_t id) const;

    std::atomic<bool> cancelled_{false};
    // Held while the watchers run, so that ending a watch waits for them.
    // Recursive: a watcher may end its own watch.
    mutable std::recursive_mutex dispatch_;
    mutable std::mutex mutex_;  // guards the two below
    mutable uint64_t nextId_ = 1;
    mutable std::vector<std::pair<uint64_t, std::function<void()>>> watchers_;
};
