#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/job_event.h"
#include "record/cmms_thread.h"

struct AppSettings;
class MediaList;
class StatusSink;

// The front end's side of recording, on its main thread: Record Start,
// Record Next and Record Stop on the rows of a media list, and the handler
// of the status events that jobs post. The desktop view and the CLI drive the
// same controller; both queue the jobs' events onto their main thread and
// call HandleStatus there.
class RecorderController {
public:
    struct Callbacks {
        // Opens an address in the user's browser or player (the "<G>" and
        // "<E>" title markers).
        std::function<void(const std::string& address)> openUrl;
        // Stops a running URL capture: a recording always ends it.
        std::function<void()> stopCapture;
        // "Record Start" / "Record Stop" availability: true while recording.
        std::function<void(bool recording)> recordingChanged;
        // After a status event was handled for a row (for Finished: after the
        // row's result was written, before the next row starts).
        std::function<void(uint64_t rowId, const JobEvent& event, const CmmsThread& job)> statusHandled;
    };

    // The list and the live settings belong to the front end and outlive
    // the controller. `sink` receives the jobs' events (from their threads).
    RecorderController(MediaList& list, AppSettings& settings, StatusSink& sink,
                       JobServices services, Callbacks callbacks = {});
    // Stops every job and waits for each thread to end.
    ~RecorderController();
    RecorderController(const RecorderController&) = delete;
    RecorderController& operator=(const RecorderController&) = delete;

    // 1 when a job was started for the row, 0 otherwise (no row, a marker
    // title, a local row, the row or every slot busy, no thread).
    int RecordStart(int row);
    // Starts the first row at or after `row` whose state is idle (not
    // recorded, tried or checked), that has no job and that can be recorded
    // (a network row, or a local playlist when so set); with more than one slot, goes on with the rows after
    // it while slots are free. Stops at the first row that does not start.
    void RecordNext(int row);
    // Rows of local playlists are recorded too (their entries are), not
    // only network rows: for a front end that records the playlists it is
    // given on its command line.
    void SetRecordsLocalPlaylists(bool on) { recordsLocalPlaylists_ = on; }
    // Every row was named by the user (a command line of addresses): a
    // job that ends with "start nothing next" (a declined password) ends
    // only its own row, and the chain goes on with the next.
    void SetEveryRowRequested(bool on) { everyRowRequested_ = on; }
    // Credentials given with a row (the CLI's -u and -p with the addresses
    // on its command line): its jobs get this pair unasked. Other rows get
    // the member credentials only when their address shares scheme, host
    // and port with AppSettings::m_memberAddress (MemberCredentialsGoTo).
    void GiveCredentials(uint64_t rowId, const std::string& user, const std::string& password)
    {
        givenCredentials_[rowId] = {user, password};
    }
    // The command: Record Start on the row, then, with more than one slot,
    // Record Next on the rows below it to fill the free slots.
    int RecordStartCommand(int row);
    // Stops every job attached to a row and ends the automatic chain; a
    // question a job has open ends with its cancel answer.
    void RecordStop();
    // Handles one status event of a job; always returns 0.
    int HandleStatus(const JobEvent& event);

    // The row the player is on (-1: none); the title markers act on it.
    void SetPlayingRow(int row) { playingRow_ = row; }
    // True while any row has a job attached.
    bool Recording() const;
    // How many rows may record at once: the "Parallel recordings" setting
    // (at least 1; the profile and the preferences keep it at most
    // AppSettings::kMaxParallelRecordings). 1 is one recording at a time.
    int Slots() const;
    // True while fewer rows record than Slots().
    bool SlotFree() const;
    bool StoppedByUser() const { return stoppedByUser_; }
    // The job with this id, or null.
    CmmsThread* FindJob(uint16_t jobId) const;
    // Stops every job and waits for all threads (the view's shutdown). Open
    // questions of the jobs end with their cancel answer first, so a front
    // end that answers them on this thread cannot deadlock here.
    void Shutdown();

    // The web search for a "<G>" row.
    static std::string SearchAddress(const std::string& text);

private:
    void EndOfJob(uint64_t rowId, const JobEvent& event, CmmsThread& job);
    void AddBelow(uint64_t rowId, const std::string& path);
    // Joins and drops jobs whose threads have ended and whose rows are free.
    void ReapFinishedJobs();

    MediaList& list_;
    AppSettings& settings_;
    StatusSink& sink_;
    JobServices services_;
    Callbacks callbacks_;
    std::vector<std::unique_ptr<CmmsThread>> jobs_;
    // The row each running job is attached to (by job id and row id).
    std::unordered_map<uint16_t, uint64_t> jobRows_;
    uint32_t jobCounter_ = 1;
    bool stoppedByUser_ = false;
    bool recordsLocalPlaylists_ = false;
    bool everyRowRequested_ = false;
    std::unordered_map<uint64_t, std::pair<std::string, std::string>> givenCredentials_;
    // A row Record Next starts: a network row, or a local playlist when so set.
    bool Recordable(int row) const;
    // A local playlist's row while those are recorded too.
    bool LocalPlaylistRow(int row) const;
    int playingRow_ = -1;
};
