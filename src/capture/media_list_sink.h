#pragma once

#include "capture/capture_sink.h"

class MediaList;

// Puts captured addresses into the media list: a new row per address
// (the list's own duplicate rule applies) and the title of a row found by
// its address.
class MediaListCaptureSink final : public CaptureSink {
public:
    explicit MediaListCaptureSink(MediaList& list) : list_(list) {}

    int AddCapturedRow(const std::string& address, const std::string& title,
                       const std::string& playerIdentity) override;
    void SetCapturedTitle(const std::string& address, const std::string& title) override;

private:
    MediaList& list_;
};
