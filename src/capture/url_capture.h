#pragma once

#include <string>

#include "capture/capture_settings.h"
#include "capture/frame_parser.h"
#include "capture/packet_capture.h"

class AdapterSelection;
class CaptureMemory;
class CaptureSink;
struct AppSettings;

// Shows the "Select Adapter" dialog over a selection; false when the user
// closed it with anything but OK. The desktop front end implements it with
// its window, tests with a script.
class AdapterChooser {
public:
    virtual ~AdapterChooser() = default;
    virtual bool Choose(AdapterSelection& selection) = 0;
};

// "URL Capture": the Start and Stop commands of the main view, the capture
// thread and its frame parser. The front end owns one for the program run,
// with the CaptureMemory and the sink (the media list) it adds rows to.
//
// Record Start ends a capture: RecorderController::Callbacks::stopCapture = [&c] { c.Stop(); }.
// Stop never blocks; the destructor stops and joins the thread.
class UrlCapture {
public:
    UrlCapture(CaptureMemory& memory, CaptureSink& sink);
    ~UrlCapture();

    // The result of the Start command: an error text to show (empty when
    // nothing needs to be said: started, cancelled, or stopped because a
    // capture was running).
    struct CommandResult {
        bool started = false;
        std::string error;
    };
    // Start command: when a capture runs, the same as Stop; otherwise lists
    // the adapters through the helper, lets the chooser show the dialog
    // (which writes its choices back into the settings on OK) and starts
    // capturing on the chosen adapter. Every failure leaves the capture idle.
    CommandResult StartCommand(AdapterChooser& chooser, AppSettings& settings);

    // Starts directly, with a copy of the capture settings (CLI, tests).
    bool StartLive(const std::string& adapter, const CaptureSettings& settings,
                   CaptureStartError* error);
    bool StartSavefile(const std::string& path, const CaptureSettings& settings,
                       CaptureStartError* error);

    // Stop command; safe from any thread, returns at once.
    void Stop() { capture_.Stop(); }
    void Wait() { capture_.Wait(); }
    bool IsCapturing() const { return capture_.IsRunning(); }

    // Called on the capture thread as it ends (see PacketCapture).
    void SetEndHandler(PacketCapture::EndHandler handler);
    // The capture helper that opens live adapters (FindCaptureHelper()
    // unless set); not while a capture runs.
    void SetHelper(std::string path) { capture_.SetHelper(std::move(path)); }
    const std::string& helper() const { return capture_.helper(); }
    // The ports a capture with these settings watches.
    static std::vector<uint16_t> WatchedPorts(const CaptureSettings& settings);
    const PacketCapture& capture() const { return capture_; }

private:
    void Prepare(const CaptureSettings& settings);

    FrameParser parser_;
    PacketCapture capture_;
};
