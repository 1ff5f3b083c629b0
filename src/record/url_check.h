#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/app_settings.h"
#include "record/cmms_thread.h"

class MediaList;
class TaskPoster;

// "URL Check": walks the media list from a row to the end and probes every
// network row with the protocol clients (no output file). A row that answers
// gets "Ok" in its "Record" cell (state CheckOk); one that does not gets
// "Error" (CheckError) and a title prefixed with "(x)".
//
// The probes run on a thread of their own; the list is read and changed only
// on its owner's thread, through tasks the check thread posts there. The
// owner hands out one row at a time, so the walk goes on to the end of the
// list as it stands, rows added or deleted meanwhile included. Everything
// but Stop is called on the owner's thread; the callbacks run there too.
class UrlCheck {
public:
    enum class RowResult { Ok, Error, Skipped };
    struct Callbacks {
        std::function<void(uint64_t rowId)> rowStarted;  // the desktop selects the row
        // errorText: the last client's error for a row that failed.
        std::function<void(uint64_t rowId, RowResult result, const std::string& errorText)> rowDone;
        std::function<void()> finished;
    };

    // The list and the poster outlive the check; the poster's owner runs (or,
    // shutting down, drops) the tasks on the list's thread.
    UrlCheck(MediaList& list, TaskPoster& poster, JobServices services, Callbacks callbacks = {});
    // Ends the walk: the probe running is stopped and the thread joined. A
    // result still on its way is written to its row when its task runs.
    ~UrlCheck();
    UrlCheck(const UrlCheck&) = delete;
    UrlCheck& operator=(const UrlCheck&) = delete;

    // "Start": false (and nothing happens) while a walk runs. firstRow is
    // the selected row; below 0 the walk starts at row 0. The settings are
    // copied, with the member user name and password of this moment.
    bool Start(int firstRow, const AppSettings& settings);
    // "Stop", from any thread: the row being probed is finished (its result
    // written), then the walk ends.
    void Stop();
    // From Start until `finished` has run.
    bool Running() const { return running_; }

private:
    struct Walk;  // what the check thread and the owner's tasks share

    // On the owner's thread: hands the check thread the next network row at
    // or after `row` (reporting skipped rows on the way), or the end.
    void HandOut(int row);
    void Finished();
    void Join();

    MediaList& list_;
    TaskPoster& poster_;
    JobServices services_;
    Callbacks callbacks_;
    bool running_ = false;  // owner's thread only
    std::shared_ptr<Walk> walk_;
    std::thread thread_;
    std::unique_ptr<CmmsThread> probe_;
};
