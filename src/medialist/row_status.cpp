#include "medialist/row_status.h"

#include "base/display_text.h"

void ShowConnecting(MediaItem& row)
{
    row.state = RowState::Connecting;
    row.attempts.clear();
    row.cells[kColRecord] = kConnectingText;
}

void ShowReconnecting(MediaItem& row, uint32_t attempt)
{
    row.cells[kColRecord] = ReconnectingText(attempt);
}

void ShowHeader(MediaItem& row, uint32_t durationMs, const std::string& outputPath)
{
    row.state = RowState::HeaderReceived;
    row.durationMs = durationMs;
    row.outputPath = outputPath;
    row.cells[kColRecord] = kHeaderReceivedText;
    row.cells[kColRecordingFile] = outputPath;
    row.cells[kColTime] = DurationText(durationMs);
}

void ShowProgress(MediaItem& row, uint64_t bytes, uint32_t progress, uint32_t timeMs)
{
    row.state = RowState::Recording;
    row.bytes = bytes;
    row.progress = progress;
    row.timeMs = timeMs;
    row.cells[kColRecord] = ProgressText(timeMs, progress);
    row.cells[kColSize] = KilobyteText(bytes);
}

void ShowRecordingEnd(MediaItem& row, RowState result, const std::string& outputPath,
                      const std::string& errorText, const std::vector<FailedAttempt>& attempts)
{
    switch (result) {
    case RowState::Completed:
        row.outputPath = outputPath;
        row.cells[kColRecordingFile] = outputPath;
        row.cells[kColRecord] = CompletedText();
        row.image = kImageRecorded;
        break;
    case RowState::Incomplete:
        row.outputPath = outputPath;
        row.cells[kColRecordingFile] = outputPath;
        row.cells[kColRecord] = kIncompleteText;
        break;
    case RowState::Cancelled:
        row.cells[kColRecord] = CancelledText();
        break;
    case RowState::Failed:
        row.outputPath.clear();
        row.cells[kColRecord] = errorText;
        row.cells[kColSize] = kSizeErrorText;
        row.cells[kColRecordingFile].clear();
        break;
    default:
        return;
    }
    row.state = result;
    row.attempts = result == RowState::Failed ? attempts : std::vector<FailedAttempt>();
}

void ShowChecking(MediaItem& row)
{
    row.state = RowState::Checking;
    row.cells[kColRecord] = kCheckingText;
}

void ShowCheckResult(MediaItem& row, bool reachable, const StreamInfo& info,
                     const std::vector<FailedAttempt>& attempts)
{
    std::string& infoCell = row.cells[kColInfo];
    const bool infoIsOurs = infoCell.empty() || infoCell == row.checkInfoText;
    row.checked = reachable ? info : StreamInfo();
    row.attempts = reachable ? std::vector<FailedAttempt>() : attempts;
    row.checkInfoText = reachable && infoIsOurs ? StreamInfoText(info) : std::string();
    if (infoIsOurs)
        infoCell = row.checkInfoText;
    if (reachable) {
        row.state = RowState::CheckOk;
        row.cells[kColRecord] = kCheckOkText;
        return;
    }
    row.state = RowState::CheckError;
    std::string& title = row.cells[kColFile];
    if (title.rfind(kUnreachableMark, 0) != 0)
        title = kUnreachableMark + title;
    row.cells[kColRecord] = kCheckErrorText;
}
