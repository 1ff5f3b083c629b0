#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/app_settings.h"
#include "record/cmms_thread.h"

class MediaList;

// "URL Check": walks the media list from a row to the end on a thread of its
// own and probes every network row with the protocol clients (no output
// file). A row that answers gets "Ok" in its "Record" cell; one that does not
// gets "Error" and a title prefixed with "(x)".
//
// The walk writes the list's cells directly from its thread: MediaList is
// internally locked, and its listener is where a front end moves the change
// onto its own thread. The callbacks run on the check thread too.
class UrlCheck {
public:
    enum class RowResult { Ok, Error, Skipped };
    struct Callbacks {
        std::function<void(int row)> rowStarted;  // the desktop selects the row
        // errorText: the last client's error for a row that failed.
        std::function<void(int row, RowResult result, const std::string& errorText)> rowDone;
        std::function<void()> finished;
    };

    UrlCheck(MediaList& list, JobServices services, Callbacks callbacks = {});
    // Ends the walk: the probe running is stopped and the thread joined.
    ~UrlCheck();
    UrlCheck(const UrlCheck&) = delete;
    UrlCheck& operator=(const UrlCheck&) = delete;

    // "Start": false (and nothing happens) while a walk runs. firstRow is
    // the selected row; below 0 the walk starts at row 0. The settings are
    // copied, with the member user name and password of this moment.
    bool Start(int firstRow, const AppSettings& settings);
    // "Stop": the row being probed is finished, then the walk ends.
    void Stop() { continue_ = false; }
    bool Running() const { return running_; }
    // Waits for the walk to end.
    void Wait();

private:
    // probe stays valid until the thread has been joined.
    void Walk(CmmsThread* probe, int row, std::string user, std::string password);

    MediaList& list_;
    JobServices services_;
    Callbacks callbacks_;
    std::atomic<bool> running_{false};
    std::atomic<bool> continue_{false};
    std::mutex mutex_;  // guards thread_ and probe_
    std::thread thread_;
    std::unique_ptr<CmmsThread> probe_;
};
