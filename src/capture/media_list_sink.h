#pragma once

#include "capture/capture_sink.h"

class MediaList;
class TaskPoster;

// Puts captured addresses into the media list: a new row per address (the
// list's own duplicate rule applies) and the title of a row found by its
// address. Called on the capture thread, it posts each change to the list's
// own thread; the list and the poster outlive the capture.
class MediaListCaptureSink final : public CaptureSink {
public:
    MediaListCaptureSink(MediaList& list, TaskPoster& poster) : list_(list), poster_(poster) {}

    void AddCapturedRow(const std::string& address, const std::string& title,
                        const std::string& playerIdentity) override;
    void SetCapturedTitle(const std::string& address, const std::string& title) override;

private:
    MediaList& list_;
    TaskPoster& poster_;
};
