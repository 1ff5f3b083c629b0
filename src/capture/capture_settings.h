#pragma once

#include <string>
#include <vector>

#include "base/app_settings.h"

// The capture switches and file types a capture works with. The capture
// thread takes a copy when it starts: only the "Select Adapter" dialog
// changes them, and it runs before the capture starts, so the copy always
// equals the live settings while the thread runs, without sharing them
// across threads.
struct CaptureSettings {
    bool http = true;
    bool mms = true;
    bool rtsp = true;
    std::vector<std::string> fileTypes;  // ".asf", ...: lower case, leading "."

    static CaptureSettings From(const AppSettings& settings)
    {
        CaptureSettings s;
        s.http = settings.m_captureHttp != 0;
        s.mms = settings.m_captureMms != 0;
        s.rtsp = settings.m_captureRtsp != 0;
        s.fileTypes = settings.m_fileTypes;
        return s;
    }
};
