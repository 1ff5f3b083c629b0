#include "record/recorder_controller.h"

#include <algorithm>
#include <utility>

#include "base/app_settings.h"
#include "base/status_sink.h"
#include "formats/printf.h"
#include "medialist/media_list.h"
#include "medialist/row_status.h"
#include "record/fallback_table.h"

namespace {

bool HasMarker(const std::string& title, const char* a, const char* b)
{
    return title.find(a) != std::string::npos || title.find(b) != std::string::npos;
}

}  // namespace

RecorderController::RecorderController(MediaList& list, AppSettings& settings, StatusSink& sink,
                                       JobServices services, Callbacks callbacks)
    : list_(list),
      settings_(settings),
      sink_(sink),
      services_(std::move(services)),
      callbacks_(std::move(callbacks))
{
}

RecorderController::~RecorderController() { Shutdown(); }

void RecorderController::Shutdown()
{
    for (auto& job : jobs_)
        job->Stop();
    for (auto& job : jobs_)
        job->Join();
}

bool RecorderController::Recording() const { return list_.BusyRowCount() > 0; }

int RecorderController::Slots() const { return std::max(1, settings_.m_parallelRecordings); }

bool RecorderController::SlotFree() const { return list_.BusyRowCount() < Slots(); }

CmmsThread* RecorderController::FindJob(uint16_t jobId) const
{
    for (const auto& job : jobs_) {
        if (job->job().jobId == jobId)
            return job.get();
    }
    return nullptr;
}

void RecorderController::ReapFinishedJobs()
{
    auto done = [this](const std::unique_ptr<CmmsThread>& job) {
        if (!job->Finished() || jobRows_.count(job->job().jobId) != 0)
            return false;
        job->Join();
        return true;
    };
    jobs_.erase(std::remove_if(jobs_.begin(), jobs_.end(), done), jobs_.end());
}

int RecorderController::RecordStart(int row)
{
    if (row < 0 || row >= list_.RowCount())
        return 0;
    const std::string title = list_.Cell(row, kColFile);
    std::string agent = list_.Cell(row, kColNs);
    if (agent.empty())
        agent = settings_.m_playerAgent;

    // The markers act on the row the player is on; without one, on this row.
    const int markerRow = playingRow_ >= 0 ? playingRow_ : row;
    if (HasMarker(title, "<G>", "[G]")) {
        if (callbacks_.openUrl)
            callbacks_.openUrl(SearchAddress(list_.Cell(markerRow, kColOriginalFile)));
        return 0;
    }
    if (HasMarker(title, "<E>", "[E]")) {
        if (callbacks_.openUrl)
            callbacks_.openUrl(list_.Cell(markerRow, kColOriginalFile));
        return 0;
    }
    if (!SlotFree() || list_.ItemData(row) != 0)
        return 0;
    const std::string address = list_.Cell(row, kColOriginalFile);
    // A local file is played, not recorded; a row recorded before (image 5)
    // is recorded again on request.
    if (list_.Image(row) == kImageLocal && !LocalPlaylistRow(row))
        return 0;

    ReapFinishedJobs();
    // Item data 0 means "no job", so the 16-bit id skips it when it wraps.
    if ((jobCounter_ & 0xFFFF) == 0)
        ++jobCounter_;
    const uint16_t jobId = static_cast<uint16_t>(jobCounter_ & 0xFFFF);
    // A login goes unasked only where it belongs: the pair given with the
    // row, or the member credentials on their own server. Any other server
    // gets one only after its refusal (the stored pair, the question).
    std::string user, password;
    if (const auto given = givenCredentials_.find(list_.IdAt(row)); given != givenCredentials_.end()) {
        user = given->second.first;
        password = given->second.second;
    } else if (MemberCredentialsGoTo(address, settings_.m_memberAddress)) {
        user = settings_.m_memberUser;
        password = settings_.m_memberPassword;
    }
    auto job = std::make_unique<CmmsThread>(&sink_, jobId, settings_, address, title, agent, user, password,
                                            services_);
    CmmsThread* started = job.get();
    jobs_.push_back(std::move(job));
    list_.SetItemData(row, jobId);
    jobRows_[jobId] = list_.IdAt(row);
    ++jobCounter_;
    stoppedByUser_ = false;
    if (callbacks_.stopCapture)
        callbacks_.stopCapture();
    if (!started->Start()) {
        list_.SetItemData(row, 0);
        jobRows_.erase(jobId);
        jobs_.pop_back();
        return 0;
    }
    if (callbacks_.recordingChanged)
        callbacks_.recordingChanged(true);
    return 1;
}

void RecorderController::RecordNext(int row)
{
    // A loop: a long list of finished rows must not cost a stack frame each.
    // With more than one slot it goes on while slots are free.
    for (int r = std::max(row, 0); r < list_.RowCount() && SlotFree(); ++r) {
        const MediaItem* item = list_.Find(list_.IdAt(r));
        if (item->state != RowState::Idle || item->itemData != 0)
            continue;
        if (Recordable(r) && RecordStart(r) == 0)
            return;
    }
}

bool RecorderController::Recordable(int row) const
{
    return list_.Image(row) == kImageNetwork || LocalPlaylistRow(row);
}

bool RecorderController::LocalPlaylistRow(int row) const
{
    return recordsLocalPlaylists_ && IsLocalPlaylist(list_.Cell(row, kColOriginalFile));
}

int RecorderController::RecordStartCommand(int row)
{
    const uint64_t id = list_.IdAt(row);
    if (RecordStart(row) == 0)
        return 0;
    const int now = list_.IndexOf(id);
    if (now >= 0)
        RecordNext(now + 1);
    return 1;
}

void RecorderController::RecordStop()
{
    stoppedByUser_ = true;
    for (const auto& [jobId, rowId] : jobRows_) {
        if (CmmsThread* job = FindJob(jobId)) {
            job->Stop();
            if (callbacks_.recordingChanged)
                callbacks_.recordingChanged(false);
        }
    }
}

int RecorderController::HandleStatus(const JobEvent& event)
{
    const auto attached = jobRows_.find(event.jobId);
    if (event.jobId == 0 || attached == jobRows_.end())
        return 0;  // a late event of a job whose row was freed
    const uint64_t rowId = attached->second;
    CmmsThread* thread = FindJob(event.jobId);
    if (!thread || list_.IndexOf(rowId) < 0)
        return 0;

    switch (event.kind) {
    case JobEventKind::Connecting:
        list_.Update(rowId, ShowConnecting);
        break;
    case JobEventKind::HeaderReceived:
        list_.Update(rowId, [&](MediaItem& r) { ShowHeader(r, event.durationMs, event.text); });
        AddBelow(rowId, event.text);
        break;
    case JobEventKind::Finished:
        EndOfJob(rowId, event, *thread);
        return 0;
    case JobEventKind::Progress:
        list_.Update(rowId, [&](MediaItem& r) { ShowProgress(r, event.bytes, event.progress, event.timeMs); });
        break;
    case JobEventKind::Credentials:
        settings_.m_memberUser = event.user;
        settings_.m_memberPassword = event.password;
        settings_.m_memberAddress = thread->job().url;  // its server accepted them
        break;
    case JobEventKind::StreamUrlFound:
    case JobEventKind::FileKept:
        AddBelow(rowId, event.text);
        break;
    case JobEventKind::Quit:
        RecordStop();
        break;
    case JobEventKind::EntryFinished:
        break;  // the row shows the job's end
    case JobEventKind::Reconnecting:
        list_.Update(rowId, [&](MediaItem& r) { ShowReconnecting(r, event.attempt); });
        break;
    case JobEventKind::Reconnected:
        break;  // the row shows the progress that follows
    default:
        return 0;
    }
    if (callbacks_.statusHandled)
        callbacks_.statusHandled(rowId, event, *thread);
    return 0;
}

void RecorderController::EndOfJob(uint64_t rowId, const JobEvent& event, CmmsThread& thread)
{
    RowState result = RowState::Completed;
    switch (event.result) {
    case JobResult::Failed: result = RowState::Failed; break;
    case JobResult::Cancelled: result = RowState::Cancelled; break;
    case JobResult::Incomplete: result = RowState::Incomplete; break;
    case JobResult::Completed:
    case JobResult::None: break;
    }
    list_.Update(rowId, [&](MediaItem& r) {
        ShowRecordingEnd(r, result, event.text, event.errorText, event.attempts);
        r.itemData = 0;
    });
    jobRows_.erase(event.jobId);
    if (callbacks_.recordingChanged)
        callbacks_.recordingChanged(false);
    if (callbacks_.statusHandled)
        callbacks_.statusHandled(rowId, event, thread);
    const int row = list_.IndexOf(rowId);
    if (!stoppedByUser_ && (!event.noNext || everyRowRequested_) && row >= 0)
        RecordNext(row + 1);
}

void RecorderController::AddBelow(uint64_t rowId, const std::string& path)
{
    const int row = list_.IndexOf(rowId);
    if (path.empty() || row < 0)
        return;
    list_.InsertEntry(row + 1, path);
}

std::string RecorderController::SearchAddress(const std::string& text)
{
    // The text goes into a query: anything but unreserved characters is
    // escaped, so an address holding "&" or "#" stays one query value.
    static const char kHex[] = "0123456789ABCDEF";
    std::string q;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            q += static_cast<char>(c);
        } else {
            q += '%';
            q += kHex[c >> 4];
            q += kHex[c & 15];
        }
    }
    return "https://www.google.com/search?q=" + q + "&ie=UTF-8&oe=UTF-8&hl=ko&lr=";
}
