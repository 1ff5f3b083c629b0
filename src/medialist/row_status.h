#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "medialist/media_list.h"

// A row's recording or check state: each function sets the typed fields of a
// step and the display cells that show them (texts from base/display_text.h),
// so that every front end shows the same. Used inside MediaList::Update.

void ShowConnecting(MediaItem& row);
// "Received Head", the output file and the duration.
void ShowHeader(MediaItem& row, uint32_t durationMs, const std::string& outputPath);
// "reconnecting (n)" in "Record"; the rest of the row stays.
void ShowReconnecting(MediaItem& row, uint32_t attempt);
// The progress text and the size in kilobytes.
void ShowProgress(MediaItem& row, uint64_t bytes, uint32_t progress, uint32_t timeMs);
// The end of a recording: Completed (the row becomes a recorded entry),
// Incomplete (the file stays, to be resumed), Cancelled or Failed (the error
// text in "Record", "Error" in "Size", the attempts' reasons kept beside
// them). Other states are ignored.
void ShowRecordingEnd(MediaItem& row, RowState result, const std::string& outputPath,
                      const std::string& errorText, const std::vector<FailedAttempt>& attempts = {});
void ShowChecking(MediaItem& row);
// "Ok" with what the check learnt of the stream, or "Error" with the title
// marked "(x)" (once). The "Info" cell shows the stream's description
// (StreamInfoText) unless it holds a text of the user's, which stays; a
// failed check takes back a description an earlier check wrote there.
// A failed check keeps its attempts' reasons.
void ShowCheckResult(MediaItem& row, bool reachable, const StreamInfo& info = {},
                     const std::vector<FailedAttempt>& attempts = {});
