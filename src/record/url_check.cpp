#include "record/url_check.h"

#include <chrono>
#include <condition_variable>
#include <optional>
#include <system_error>

#include "base/task_poster.h"
#include "medialist/media_list.h"
#include "medialist/row_status.h"

// One row handed to the check thread: its id, its address and where it stood
// (the walk goes on from there when the row is deleted meanwhile).
struct Assignment {
    uint64_t id = 0;
    std::string address;
    int row = 0;
};

struct UrlCheck::Walk {
    std::mutex mutex;
    std::condition_variable cv;
    std::optional<Assignment> next;  // guarded by mutex
    bool end = false;                // guarded by mutex: no more rows
    std::atomic<bool> goOn{true};    // cleared by Stop
    std::atomic<bool> threadDone{false};
    bool alive = true;  // owner's thread only: false once the UrlCheck is gone

    void Give(std::optional<Assignment> assignment)
    {
        {
            std::lock_guard lock(mutex);
            if (assignment)
                next = std::move(assignment);
            else
                end = true;
        }
        cv.notify_all();
    }
};

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
    // The probe's clients may reset their stop flag when the next attempt
    // begins, so the stop is repeated until the walk has really ended.
    while (!walk_->threadDone) {
        probe_->Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Join();
}

void UrlCheck::Join()
{
    if (thread_.joinable())
        thread_.join();
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
    // One object for the whole walk, without an owner: it posts nothing.
    probe_ = std::make_unique<CmmsThread>(nullptr, 0, settings, "", "", "", "", "", services_);
    auto walk = std::make_shared<Walk>();
    walk_ = walk;
    running_ = true;

    CmmsThread* probe = probe_.get();
    MediaList* list = &list_;
    TaskPoster* poster = &poster_;
    auto body = [this, walk, probe, list, poster, user = settings.m_memberUser,
                 password = settings.m_memberPassword] {
        for (;;) {
            Assignment a;
            {
                std::unique_lock lock(walk->mutex);
                walk->cv.wait(lock, [&] { return walk->next || walk->end || !walk->goOn; });
                // A row handed out is probed even after a stop: it shows
                // "Checking" and must get its result.
                if (!walk->next)
                    break;
                a = std::move(*walk->next);
                walk->next.reset();
            }
            const bool ok = probe->Check(a.address, user, password) != 0;
            const std::string error = ok ? std::string() : probe->job().ErrorText();
            poster->Post([this, walk, list, a, ok, error] {
                // The result is the row's whatever became of the check.
                list->Update(a.id, [ok](MediaItem& r) { ShowCheckResult(r, ok); });
                if (!walk->alive)
                    return;
                if (callbacks_.rowDone)
                    callbacks_.rowDone(a.id, ok ? RowResult::Ok : RowResult::Error, error);
                const int row = list->IndexOf(a.id);
                HandOut(row >= 0 ? row + 1 : a.row);
            });
        }
        poster->Post([this, walk] {
            if (walk->alive)
                Finished();
        });
        walk->threadDone = true;
    };
    try {
        thread_ = std::thread(body);
    } catch (const std::system_error&) {
        running_ = false;
        walk_.reset();
        return false;
    }
    HandOut(firstRow < 0 ? 0 : firstRow);
    return true;
}

void UrlCheck::HandOut(int row)
{
    for (; walk_->goOn && row >= 0 && row < list_.RowCount(); ++row) {
        const MediaItem item = list_.Row(row);
        if (callbacks_.rowStarted)
            callbacks_.rowStarted(item.id);
        // A recorded row is still a network address and is checked too.
        if (item.image != kImageNetwork && item.image != kImageRecorded) {
            if (callbacks_.rowDone)
                callbacks_.rowDone(item.id, RowResult::Skipped, std::string());
            continue;
        }
        list_.Update(item.id, ShowChecking);
        walk_->Give(Assignment{item.id, item.cells[kColOriginalFile], row});
        return;
    }
    walk_->Give(std::nullopt);
}

void UrlCheck::Finished()
{
    running_ = false;
    if (callbacks_.finished)
        callbacks_.finished();
}
