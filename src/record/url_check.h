#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/app_settings.h"
#include "base/failed_attempt.h"
#include "base/stream_info.h"
#include "record/cmms_thread.h"

class MediaList;
class TaskPoster;
class UserPrompts;

// "URL Check": walks the media list from a row to the end and probes every
// network row with the protocol clients (no output file). A row that answers
// gets "Ok" in its "Record" cell (state CheckOk) and what the probe learnt of
// its stream (ShowCheckResult); one that does not gets "Error" (CheckError)
// and a title prefixed with "(x)".
//
// Up to m_checkParallel rows are probed at a time, each on a thread of its
// own with its own probe object, and no probe runs longer than
// m_checkSeconds (not counting the time a question to the user is open):
// then it is stopped and its row fails. The list is read and
// changed only on its owner's thread, through tasks the probe threads post
// there. The owner hands out rows as probes become free, so the walk goes on
// to the end of the list as it stands, rows added or deleted meanwhile
// included. Everything but Stop is called on the owner's thread; the
// callbacks run there too.
class UrlCheck {
public:
    enum class RowResult { Ok, Error, Skipped };
    struct Callbacks {
        std::function<void(uint64_t rowId)> rowStarted;  // a row is handed to a probe
        // errorText: the last client's error for a row that failed, and
        // attempts: why each client it tried failed; info: what the
        // answering client learnt of a row that answered.
        std::function<void(uint64_t rowId, RowResult result, const std::string& errorText,
                           const StreamInfo& info, const std::vector<FailedAttempt>& attempts)>
            rowDone;
        std::function<void()> finished;
    };
    // The error of a probe stopped at its time limit.
    static constexpr const char* kNoAnswerText = "no answer in time";

    // The list and the poster outlive the check; the poster's owner runs (or,
    // shutting down, drops) the tasks on the list's thread.
    UrlCheck(MediaList& list, TaskPoster& poster, JobServices services, Callbacks callbacks = {});
    // Ends the walk: the probes running are stopped and the threads joined.
    // Results still on their way are written to their rows when their tasks
    // run.
    ~UrlCheck();
    UrlCheck(const UrlCheck&) = delete;
    UrlCheck& operator=(const UrlCheck&) = delete;

    // "Start": false (and nothing happens) while a walk runs. firstRow is
    // the selected row; below 0 the walk starts at row 0. The settings are
    // copied, with the member credentials of this moment: a probe gets them
    // unasked only when its row's address shares scheme, host and port with
    // their m_memberAddress (MemberCredentialsGoTo).
    bool Start(int firstRow, const AppSettings& settings);
    // Credentials given with a row (the CLI's -u and -p with the addresses
    // on its command line): its probe gets them unasked.
    void GiveCredentials(uint64_t rowId, const std::string& user, const std::string& password)
    {
        givenCredentials_[rowId] = {user, password};
    }
    // "Stop", from any thread: the rows being probed are finished (their
    // results written), then the walk ends.
    void Stop();
    // From Start until `finished` has run.
    bool Running() const { return running_; }

    struct Walk;  // what the probe threads and the owner's tasks share

private:
    // On the owner's thread: hands free probes the next network rows from
    // the cursor on (reporting skipped rows on the way); ends the walk when
    // nothing is left to hand out or to wait for.
    void HandOut();
    void Finished();
    void Join();

    MediaList& list_;
    TaskPoster& poster_;
    JobServices services_;
    Callbacks callbacks_;
    // Owner's thread only:
    bool running_ = false;
    int parallel_ = 1;
    int inFlight_ = 0;          // rows handed out whose results have not come back
    uint64_t cursorId_ = 0;     // the last row handed out or skipped (0: none yet)
    int cursorRow_ = 0;         // where it stood
    std::shared_ptr<Walk> walk_;
    std::vector<std::thread> threads_;  // the probes', then the watch's
    // Each probe's questions go through its own prompts (the time limit
    // waits while one is open); declared first, destroyed after the probes.
    std::vector<std::unique_ptr<UserPrompts>> prompts_;
    std::vector<std::unique_ptr<CmmsThread>> probes_;
    // The member credentials of the walk and where they belong, and the
    // pairs given with rows.
    std::string memberUser_, memberPassword_, memberAddress_;
    std::unordered_map<uint64_t, std::pair<std::string, std::string>> givenCredentials_;
};
