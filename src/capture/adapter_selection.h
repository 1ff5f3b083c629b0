#pragma once

#include <string>
#include <vector>

#include "capture/packet_capture.h"

struct AppSettings;

// The state and rules of the "Select Adapter" dialog, without its window:
// the adapter list with the kept adapter (AppSettings::m_captureDriver)
// preselected, the "Save" box, the HTTP/MMS/RTSP switches and the list of
// file types to capture. The window shows these fields and calls the
// operations; OK calls Accept.
class AdapterSelection {
public:
    AdapterSelection(std::vector<CaptureAdapter> adapters, const AppSettings& settings);

    const std::vector<CaptureAdapter>& adapters() const { return adapters_; }
    // The list selection: -1 when nothing is selected.
    int selected = -1;
    bool save = false;
    bool captureHttp = true;
    bool captureMms = true;
    bool captureRtsp = true;

    const std::vector<std::string>& fileTypes() const { return fileTypes_; }
    // "Insert": an empty text does nothing; otherwise "." is put in front
    // unless it is there, the text is lower-cased and appended unless the
    // list already holds it. True when a row was appended.
    bool InsertFileType(const std::string& text);
    // "Delete": removes every selected row.
    void DeleteFileTypes(std::vector<int> selectedRows);

    // OK: keeps the chosen adapter in the settings (or none when "Save" is
    // not checked) and copies the switches and file types into them; they
    // are stored with the settings. Returns the chosen adapter's index (the
    // selection, or 0 when nothing is selected), or -1 when there is no
    // adapter at all.
    int Accept(AppSettings& settings) const;

private:
    std::vector<CaptureAdapter> adapters_;
    std::vector<std::string> fileTypes_;
};
