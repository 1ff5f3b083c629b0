#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "base/cancel_signal.h"

// A question that a worker asks and another thread answers: the desktop
// front end shows a dialog on its main thread while the job's worker waits.
// The worker makes the question, hands a copy of the pointer to the answering
// thread (a queued call), and waits. The answer wakes it; so does the
// question's cancel signal (the job is stopped, the program shuts down): the
// question is then withdrawn, a late answer is refused, and the front end's
// withdraw handler runs so that it can close its dialog. The worker never
// waits for the answering thread itself, so that thread may join the worker
// (RecorderController::Shutdown) with a question open.
//
//   UserPrompts::FileExists Ask...(const std::string& text, bool& all, const CancelSignal& cancel)
//   {
//       auto question = AsyncQuestion<std::pair<FileExists, bool>>::Make();
//       postToMainThread([question, text] {
//           if (question->Withdrawn()) return;        // stopped before it was shown
//           auto* dialog = ShowDialog(text);          // answers with question->Answer(...)
//           question->OnWithdraw([dialog] { post: dialog->reject(); });
//       });
//       auto answer = question->Wait(cancel);
//       if (!answer) return FileExists::Cancel;
//       all = answer->second;
//       return answer->first;
//   }
template <class T>
class AsyncQuestion {
public:
    static std::shared_ptr<AsyncQuestion> Make() { return std::shared_ptr<AsyncQuestion>(new AsyncQuestion); }

    // --- The answering side (any thread) ---

    // Gives the answer. False when the question was withdrawn or answered
    // already; the answer is then dropped.
    bool Answer(T value)
    {
        {
            std::lock_guard lock(mutex_);
            if (withdrawn_ || answer_)
                return false;
            answer_ = std::move(value);
            onWithdraw_ = nullptr;
        }
        cv_.notify_all();
        return true;
    }
    bool Withdrawn() const
    {
        std::lock_guard lock(mutex_);
        return withdrawn_;
    }
    // handler runs once if the question is withdrawn before it is answered:
    // on the thread that sets the cancel signal, or at once, on this thread,
    // when it is withdrawn already. It must not wait for other threads.
    void OnWithdraw(std::function<void()> handler)
    {
        {
            std::lock_guard lock(mutex_);
            if (answer_)
                return;
            if (!withdrawn_) {
                onWithdraw_ = std::move(handler);
                return;
            }
        }
        if (handler)
            handler();
    }

    // --- The asking side ---

    // Waits for the answer; nullopt when the cancel signal came first (or was
    // set already), which withdraws the question.
    std::optional<T> Wait(const CancelSignal& cancel)
    {
        CancelSignal::Watch watch = cancel.OnCancel([this] { Withdraw(); });
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [this] { return answer_.has_value() || withdrawn_; });
        std::optional<T> answer = std::move(answer_);
        lock.unlock();
        return answer;  // the watch ends here, outside the lock
    }

    // Withdraws the question without a cancel signal (the asker gives up).
    void Withdraw()
    {
        std::function<void()> handler;
        {
            std::lock_guard lock(mutex_);
            if (withdrawn_ || answer_)
                return;
            withdrawn_ = true;
            handler = std::move(onWithdraw_);
        }
        cv_.notify_all();
        if (handler)
            handler();
    }

private:
    AsyncQuestion() = default;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::optional<T> answer_;
    bool withdrawn_ = false;
    std::function<void()> onWithdraw_;
};
