#include "capture/url_capture.h"

#include "base/app_settings.h"
#include "capture/adapter_selection.h"

UrlCapture::UrlCapture(CaptureMemory& memory, CaptureSink& sink)
    : parser_(memory, sink), capture_(parser_)
{
}

UrlCapture::~UrlCapture()
{
    capture_.Stop();
    capture_.Wait();
}

void UrlCapture::SetEndHandler(PacketCapture::EndHandler handler)
{
    capture_.SetEndHandler(std::move(handler));
}

void UrlCapture::Prepare(const CaptureSettings& settings)
{
    // The parser belongs to the thread while it runs: collect a finished
    // or finishing thread before touching it.
    capture_.Wait();
    parser_.SetSettings(settings);
}

bool UrlCapture::StartLive(const std::string& adapter, const CaptureSettings& settings,
                           CaptureStartError* error)
{
    if (capture_.IsRunning()) {
        if (error)
            *error = {CaptureStartError::kBusy, "A capture is already running."};
        return false;
    }
    Prepare(settings);
    return capture_.StartLive(adapter, WatchedPorts(settings), error);
}

std::vector<uint16_t> UrlCapture::WatchedPorts(const CaptureSettings& settings)
{
    // The parser reads requests to port 8080 whatever the HTTP switch says.
    std::vector<uint16_t> ports{8080};
    if (settings.http)
        ports.push_back(80);
    if (settings.rtsp)
        ports.push_back(554);
    if (settings.mms)
        ports.push_back(1755);
    return ports;
}

bool UrlCapture::StartSavefile(const std::string& path, const CaptureSettings& settings,
                               CaptureStartError* error)
{
    if (capture_.IsRunning()) {
        if (error)
            *error = {CaptureStartError::kBusy, "A capture is already running."};
        return false;
    }
    Prepare(settings);
    return capture_.StartSavefile(path, error);
}

UrlCapture::CommandResult UrlCapture::StartCommand(AdapterChooser& chooser, AppSettings& settings)
{
    CommandResult result;
    if (capture_.IsRunning()) {
        capture_.Stop();
        return result;
    }
    std::vector<CaptureAdapter> adapters;
    bool mayCapture = false;
    if (!ListCaptureAdapters(capture_.helper(), &adapters, &mayCapture, &result.error))
        return result;
    if (adapters.empty()) {
        result.error = "There is no network adapter to capture from.";
        return result;
    }
    AdapterSelection selection(std::move(adapters), settings);
    if (!chooser.Choose(selection))
        return result;
    const int chosen = selection.Accept(settings);
    CaptureStartError error;
    if (!StartLive(selection.adapters()[static_cast<size_t>(chosen)].name,
                   CaptureSettings::From(settings), &error)) {
        result.error = error.message;
        return result;
    }
    result.started = true;
    return result;
}
