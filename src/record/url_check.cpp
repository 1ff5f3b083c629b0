#include "record/url_check.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <optional>
#include <system_error>

#include "base/task_poster.h"
#include "base/user_prompts.h"
#include "medialist/media_list.h"
#include "medialist/row_status.h"
#include "record/fallback_table.h"

namespace {

using Clock = std::chrono::steady_clock;

// One row handed to a probe thread: its id, its address and the
// credentials it goes with unasked.
struct Assignment {
    uint64_t id = 0;
    std::string address;
    std::string user;
    std::string password;
};

}  // namespace

struct UrlCheck::Walk {
    // One probe thread's probe and the time limit of the row it probes.
    struct Slot {
        CmmsThread* probe = nullptr;
        std::optional<Clock::time_point> deadline;  // guarded by mutex: set while probing
        bool timedOut = false;                      // guarded by mutex
        bool asking = false;  // guarded by mutex: a question to the user is open
    };

    std::mutex mutex;
    std::condition_variable cv;
    std::deque<Assignment> queue;  // guarded by mutex: rows handed out, not yet taken
    bool end = false;              // guarded by mutex: no more rows
    std::vector<Slot> slots;       // the vector is fixed at Start
    std::atomic<bool> goOn{true};  // cleared by Stop
    std::atomic<int> threadsLeft{0};
    bool alive = true;  // owner's thread only: false once the UrlCheck is gone

    void Give(std::optional<Assignment> assignment)
    {
        {
            std::lock_guard lock(mutex);
            if (assignment)
                queue.push_back(std::move(*assignment));
            else
                end = true;
        }
        cv.notify_all();
    }

    // Stops every probe past its time limit (all of them when `all`).
    void StopProbes(bool all)
    {
        std::lock_guard lock(mutex);
        const auto now = Clock::now();
        for (Slot& slot : slots) {
            if (!slot.deadline || (!all && (slot.asking || now < *slot.deadline)))
                continue;
            if (!all)
                slot.timedOut = true;
            // Repeated every tick: a client may clear its stop flag when its
            // next attempt begins.
            slot.probe->Stop();
        }
    }
};

namespace {

// The questions of one probe: while the user answers one, the probe's time
// does not run out; the time limit starts afresh after the answer.
class ProbePrompts final : public UserPrompts {
public:
    ProbePrompts(UserPrompts& inner, std::shared_ptr<UrlCheck::Walk> walk, size_t slot, Clock::duration limit)
        : inner_(inner), walk_(std::move(walk)), slot_(slot), limit_(limit)
    {
    }

    bool AskResume(const std::string& message, const CancelSignal& cancel) override
    {
        Asking a(*this);
        return inner_.AskResume(message, cancel);
    }
    FileExists AskFileExists(const std::string& message, bool& all, const CancelSignal& cancel) override
    {
        Asking a(*this);
        return inner_.AskFileExists(message, all, cancel);
    }
    bool AskSavePath(std::string& path, const CancelSignal& cancel) override
    {
        Asking a(*this);
        return inner_.AskSavePath(path, cancel);
    }
    CredentialAnswer AskCredentials(const std::string& site, const std::string& user, const std::string& password,
                                    const CancelSignal& cancel) override
    {
        Asking a(*this);
        return inner_.AskCredentials(site, user, password, cancel);
    }
    bool AskYesNo(const std::string& message, const CancelSignal& cancel) override
    {
        Asking a(*this);
        return inner_.AskYesNo(message, cancel);
    }
    YesNoCancel AskYesNoCancel(const std::string& message, const CancelSignal& cancel) override
    {
        Asking a(*this);
        return inner_.AskYesNoCancel(message, cancel);
    }

private:
    class Asking {
    public:
        explicit Asking(ProbePrompts& p) : p_(p) { p_.Mark(true); }
        ~Asking() { p_.Mark(false); }

    private:
        ProbePrompts& p_;
    };

    void Mark(bool asking)
    {
        std::lock_guard lock(walk_->mutex);
        UrlCheck::Walk::Slot& slot = walk_->slots[slot_];
        slot.asking = asking;
        if (!asking && slot.deadline)
            slot.deadline = Clock::now() + limit_;
    }

    UserPrompts& inner_;
    std::shared_ptr<UrlCheck::Walk> walk_;
    size_t slot_;
    Clock::duration limit_;
};

}  // namespace

UrlCheck::UrlCheck(MediaList& list, TaskPoster& poster, JobServices services, Callbacks callbacks)
    : list_(list), poster_(poster), services_(std::move(services)), callbacks_(std::move(callbacks))
{
}

UrlCheck::~UrlCheck()
{
    if (!walk_)
        return;
    walk_->alive = false;
    Stop();
    while (walk_->threadsLeft > 0) {
        walk_->StopProbes(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Join();
}

void UrlCheck::Join()
{
    for (std::thread& t : threads_) {
        if (t.joinable())
            t.join();
    }
    threads_.clear();
}

void UrlCheck::Stop()
{
    if (!walk_)
        return;
    walk_->goOn = false;
    walk_->cv.notify_all();
}

bool UrlCheck::Start(int firstRow, const AppSettings& settings)
{
    if (running_)
        return false;
    Join();  // a walk that has ended may not have been joined yet
    parallel_ = CheckParallelIn(settings.m_checkParallel);
    const auto limit = std::chrono::seconds(CheckSecondsIn(settings.m_checkSeconds));
    // One object per probe thread for the whole walk, without an owner: it
    // posts nothing.
    probes_.clear();
    prompts_.clear();
    auto walk = std::make_shared<Walk>();
    walk->slots.resize(static_cast<size_t>(parallel_));
    for (int i = 0; i < parallel_; ++i) {
        JobServices services = services_;
        if (services_.prompts) {
            prompts_.push_back(std::make_unique<ProbePrompts>(*services_.prompts, walk, i, limit));
            services.prompts = prompts_.back().get();
        }
        probes_.push_back(std::make_unique<CmmsThread>(nullptr, 0, settings, "", "", "", "", "", services));
        walk->slots[static_cast<size_t>(i)].probe = probes_.back().get();
    }
    walk_ = walk;
    memberUser_ = settings.m_memberUser;
    memberPassword_ = settings.m_memberPassword;
    memberAddress_ = settings.m_memberAddress;
    inFlight_ = 0;
    cursorId_ = 0;
    cursorRow_ = firstRow < 0 ? 0 : firstRow;

    MediaList* list = &list_;
    TaskPoster* poster = &poster_;
    auto body = [this, walk, list, poster, limit](size_t index) {
        Walk::Slot& slot = walk->slots[index];
        for (;;) {
            Assignment a;
            {
                std::unique_lock lock(walk->mutex);
                walk->cv.wait(lock, [&] { return !walk->queue.empty() || walk->end || !walk->goOn; });
                // A row handed out is probed even after a stop: it shows
                // "Checking" and must get its result.
                if (walk->queue.empty())
                    break;
                a = std::move(walk->queue.front());
                walk->queue.pop_front();
                slot.deadline = Clock::now() + limit;
                slot.timedOut = false;
            }
            bool ok = slot.probe->Check(a.address, a.user, a.password) != 0;
            bool timedOut;
            {
                std::lock_guard lock(walk->mutex);
                slot.deadline.reset();
                timedOut = slot.timedOut;
            }
            const StreamInfo info = ok ? slot.probe->job().Stream() : StreamInfo();
            std::string error = ok ? std::string() : slot.probe->job().ErrorText();
            std::vector<FailedAttempt> attempts = ok ? std::vector<FailedAttempt>() : slot.probe->job().Attempts();
            if (!ok && timedOut) {
                // The attempt the time limit stopped had no answer in time.
                error = kNoAnswerText;
                if (!attempts.empty() && attempts.back().reason == CmmsThread::kStoppedReason)
                    attempts.back().reason = kNoAnswerText;
            }
            poster->Post([this, walk, list, a, ok, error, info, attempts] {
                // The result is the row's whatever became of the check.
                list->Update(a.id, [&](MediaItem& r) { ShowCheckResult(r, ok, info, attempts); });
                if (!walk->alive)
                    return;
                --inFlight_;
                if (callbacks_.rowDone)
                    callbacks_.rowDone(a.id, ok ? RowResult::Ok : RowResult::Error, error, info, attempts);
                HandOut();
            });
        }
        if (--walk->threadsLeft == 0) {
            walk->cv.notify_all();  // the watch ends too
            poster->Post([this, walk] {
                if (walk->alive)
                    Finished();
            });
        }
    };
    // Stops the probes that run past their limit, in ticks shorter than the
    // clients' own.
    auto watch = [walk] {
        std::unique_lock lock(walk->mutex);
        while (walk->threadsLeft > 0) {
            walk->cv.wait_for(lock, std::chrono::milliseconds(50));
            lock.unlock();
            walk->StopProbes(false);
            lock.lock();
        }
    };
    running_ = true;
    walk->threadsLeft = parallel_;
    try {
        for (int i = 0; i < parallel_; ++i)
            threads_.emplace_back(body, static_cast<size_t>(i));
        threads_.emplace_back(watch);
    } catch (const std::system_error&) {
        // The threads that did start end at once, without a row.
        walk->threadsLeft -= parallel_ - static_cast<int>(threads_.size());
        Stop();
        walk->alive = false;
        while (walk->threadsLeft > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Join();
        running_ = false;
        walk_.reset();
        return false;
    }
    HandOut();
    return true;
}

void UrlCheck::HandOut()
{
    int row = cursorId_ != 0 && list_.IndexOf(cursorId_) >= 0 ? list_.IndexOf(cursorId_) + 1 : cursorRow_;
    for (; inFlight_ < parallel_ && walk_->goOn && row < list_.RowCount(); ++row) {
        const MediaItem item = list_.Row(row);
        cursorId_ = item.id;
        cursorRow_ = row;
        if (callbacks_.rowStarted)
            callbacks_.rowStarted(item.id);
        // A recorded row is still a network address and is checked too.
        if (item.image != kImageNetwork && item.image != kImageRecorded) {
            if (callbacks_.rowDone)
                callbacks_.rowDone(item.id, RowResult::Skipped, std::string(), StreamInfo(), {});
            continue;
        }
        list_.Update(item.id, ShowChecking);
        ++inFlight_;
        Assignment a{item.id, item.cells[kColOriginalFile], {}, {}};
        if (const auto given = givenCredentials_.find(item.id); given != givenCredentials_.end()) {
            a.user = given->second.first;
            a.password = given->second.second;
        } else if (MemberCredentialsGoTo(a.address, memberAddress_)) {
            a.user = memberUser_;
            a.password = memberPassword_;
        }
        walk_->Give(std::move(a));
    }
    // The walk is over when nothing is left to hand out (or it was stopped)
    // and no result is outstanding; until then a result may find new rows.
    if (inFlight_ == 0)
        walk_->Give(std::nullopt);
}

void UrlCheck::Finished()
{
    running_ = false;
    if (callbacks_.finished)
        callbacks_.finished();
}
