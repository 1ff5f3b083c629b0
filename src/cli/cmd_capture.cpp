// brimcast-cli capture: watches the requests other players send and prints
// every stream address found, as the desktop program's URL Capture adds
// them to its list. A live adapter is read through the capture helper;
// this program never holds the right to capture itself.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include <unistd.h>

#include "base/app_settings.h"
#include "capture/capture_helper.h"
#include "capture/capture_memory.h"
#include "capture/capture_rights.h"
#include "capture/capture_settings.h"
#include "capture/capture_sink.h"
#include "capture/packet_capture.h"
#include "capture/url_capture.h"
#include "cli/cli_signals.h"
#include "cli/command.h"
#include "cli/terminal_text.h"
#include "qtprofile/ini_profile.h"

namespace {

// Prints rows as the parser finds them: "added<TAB>address" (with
// "<TAB>player<TAB>identification" for MMS) and "title<TAB>address<TAB>title".
// The same address twice is one row, as in the media list.
class PrintingSink final : public CaptureSink {
public:
    void AddCapturedRow(const std::string& address, const std::string& title,
                        const std::string& playerIdentity) override
    {
        std::lock_guard lock(mutex_);
        if (!addresses_.insert(address).second)
            return;
        // Everything here was read off the network.
        std::string line = "added\t" + TerminalText(address);
        if (!title.empty())
            line += "\ttitle\t" + TerminalText(title);
        if (!playerIdentity.empty())
            line += "\tplayer\t" + TerminalText(playerIdentity);
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
    void SetCapturedTitle(const std::string& address, const std::string& title) override
    {
        std::lock_guard lock(mutex_);
        if (addresses_.count(address) == 0)
            return;
        std::printf("title\t%s\t%s\n", TerminalText(address).c_str(), TerminalText(title).c_str());
        std::fflush(stdout);
    }
    size_t count() const
    {
        std::lock_guard lock(mutex_);
        return addresses_.size();
    }

private:
    mutable std::mutex mutex_;
    std::set<std::string> addresses_;
};

struct Options {
    std::string interface;
    std::string pcap;
    long seconds = 0;
    bool listInterfaces = false;
};

const CliCommand& Self();

int ListInterfaces()
{
    const std::string helper = FindCaptureHelper();
    std::vector<CaptureAdapter> adapters;
    std::string error;
    bool mayCapture = false;
    if (!ListCaptureAdapters(helper, &adapters, &mayCapture, &error)) {
        CliError(error);
        if (::access(helper.c_str(), F_OK) == 0)
            CliError(CaptureRightsHint(helper));
        return kExitFailed;
    }
    for (const CaptureAdapter& a : adapters)
        std::printf("%s\t%s\n", TerminalText(a.name).c_str(), TerminalText(a.description).c_str());
    if (!mayCapture)
        CliError(CaptureRightsHint(helper));
    return kExitOk;
}

int ParseOptions(const CliContext& context, Options* options)
{
    const auto& args = context.args;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= args.size())
                return false;
            *out = args[++i];
            return true;
        };
        std::string text;
        if (a == "--interface" || a == "-i") {
            if (!value(&options->interface))
                return CliUsageError(Self(), a + " needs an interface name");
        } else if (a == "--pcap" || a == "-r") {
            if (!value(&options->pcap))
                return CliUsageError(Self(), a + " needs a file name");
        } else if (a == "--seconds") {
            if (!value(&text))
                return CliUsageError(Self(), "--seconds needs a number");
            char* end = nullptr;
            options->seconds = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || options->seconds <= 0)
                return CliUsageError(Self(), "--seconds needs a positive whole number");
        } else if (a == "--list-interfaces") {
            options->listInterfaces = true;
        } else {
            return CliUsageError(Self(), "unknown argument '" + a + "'");
        }
    }
    if (options->listInterfaces)
        return kExitOk;
    if (options->interface.empty() == options->pcap.empty())
        return CliUsageError(Self(), "give either --interface NAME or --pcap FILE");
    return kExitOk;
}

int RunCapture(const CliContext& context)
{
    Options options;
    if (const int rc = ParseOptions(context, &options); rc != kExitOk)
        return rc;
    if (options.listInterfaces)
        return ListInterfaces();

    IniProfile profile(context.configPath);
    if (!profile.readable())
        CliError("cannot read " + profile.path() + "; using the default settings");
    AppSettings settings;
    settings.Load(profile);
    const CaptureSettings captureSettings = CaptureSettings::From(settings);

    InstallInterruptHandler();

    CaptureMemory memory;
    PrintingSink sink;
    UrlCapture capture(memory, sink);
    std::string endError;  // written by the capture thread before it ends
    capture.SetEndHandler([&endError](const std::string& error) { endError = error; });

    CaptureStartError error;
    const bool live = !options.interface.empty();
    const bool started = live ? capture.StartLive(options.interface, captureSettings, &error)
                              : capture.StartSavefile(options.pcap, captureSettings, &error);
    if (!started) {
        CliError(error.message);
        if (error.kind == CaptureStartError::kNoSuchAdapter)
            CliError("'brimcast-cli capture --list-interfaces' lists the adapters");
        if (error.kind == CaptureStartError::kNotPermitted)
            CliError(CaptureRightsHint(capture.helper()));
        return kExitFailed;
    }
    if (live) {
        std::fprintf(stderr, "Capturing on %s; Ctrl+C stops.\n", TerminalText(options.interface).c_str());
        std::fflush(stderr);
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
    bool interrupted = false;
    while (capture.IsCapturing()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (InterruptCount() > 0) {
            interrupted = true;
            capture.Stop();
        } else if (options.seconds > 0 && std::chrono::steady_clock::now() >= deadline) {
            capture.Stop();
        }
    }
    capture.Wait();
    interrupted = interrupted || InterruptCount() > 0;

    std::fprintf(stderr, "%s: %llu frames, %zu addresses.\n",
                 interrupted ? "Interrupted" : "Done",
                 static_cast<unsigned long long>(capture.capture().FramesSeen()), sink.count());
    if (!endError.empty()) {
        CliError(endError);
        return kExitFailed;
    }
    return interrupted ? InterruptExitCode() : kExitOk;
}

const CliCommand kCapture = {
    "capture",
    "capture (--interface NAME | --pcap FILE) [--seconds N]\n"
    "       brimcast-cli capture --list-interfaces\n"
    "  --interface, -i NAME  capture live on a network adapter, through the capture\n"
    "                        helper brimcast-capture (it needs the cap_net_raw\n"
    "                        capability; the Debian package grants it to the\n"
    "                        members of the group brimcast-capture on request)\n"
    "  --pcap, -r FILE       read a capture file instead (also a FIFO, or - for\n"
    "                        standard input)\n"
    "  --seconds N           stop after N seconds, whatever the input does\n"
    "  --list-interfaces     print the adapters (name, tab, description)\n"
    "  Prints \"added<TAB>ADDRESS[<TAB>player<TAB>ID]\" and \"title<TAB>ADDRESS<TAB>TITLE\";\n"
    "  the HTTP/MMS/RTSP switches and file types come from the settings.\n"
    "  SIGINT, SIGTERM and SIGHUP stop it (exit 130, 143, 129).",
    "print the stream addresses other players request (URL capture)",
    &RunCapture,
};

const CliCommand& Self() { return kCapture; }

const CommandRegistrar kRegistrar(kCapture);

}  // namespace
