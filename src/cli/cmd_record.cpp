// brimcast-cli record: the addresses become rows of a media list, and the
// recorder controller records them one after the other, exactly as the
// desktop program does; the jobs' status events are queued to this thread.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "base/app_settings.h"
#include "base/event_queue.h"
#include "base/status_sink.h"
#include "cli/cli_options.h"
#include "cli/cli_signals.h"
#include "cli/command.h"
#include "cli/console.h"
#include "cli/record_reporter.h"
#include "cli/terminal_prompts.h"
#include "cli/terminal_text.h"
#include "medialist/media_list.h"
#include "qtprofile/ini_profile.h"
#include "record/recorder_controller.h"

namespace {

extern const CliCommand kRecord;

struct RecordOptions {
    std::string dir;
    std::string title;
    IfExists ifExists = IfExists::Ask;
    int maxTime = 0;  // seconds; 0: the profile decides
    int maxSize = 0;  // MB
    bool noLiveRebase = false;
    int reconnect = -1;  // seconds; -1: the profile decides
    bool json = false;
    AddressArguments args;
};

// Parses the arguments; returns -1 when they are fine, else the exit code.
int Parse(const CliContext& context, RecordOptions* o)
{
    return ReadAddressArguments(kRecord, context, &o->args, [o](OptionReader& reader, std::string* error) {
        std::string value;
        auto need = [&](const char* what) {
            if (reader.TakeValue(&value))
                return true;
            *error = reader.Current() + " needs " + what;
            return false;
        };
        if (reader.Is("-d", "--dir")) {
            if (!need("a folder"))
                return -1;
            o->dir = value;
        } else if (reader.Is("-t", "--title")) {
            if (!need("a title"))
                return -1;
            o->title = value;
        } else if (reader.Is(nullptr, "--if-exists")) {
            *error = "--if-exists wants ask, resume, overwrite, rename or skip";
            if (!reader.TakeValue(&value) || !ParseIfExists(value, &o->ifExists))
                return -1;
        } else if (reader.Is(nullptr, "--max-time")) {
            *error = "--max-time wants a positive number of seconds";
            if (!reader.TakeValue(&value) || !ParseInt(value, 1, 1 << 30, &o->maxTime))
                return -1;
        } else if (reader.Is(nullptr, "--max-size")) {
            *error = "--max-size wants megabytes from 1 to 4095";
            if (!reader.TakeValue(&value) || !ParseInt(value, 1, 4095, &o->maxSize))
                return -1;
        } else if (reader.Is(nullptr, "--reconnect")) {
            *error = "--reconnect wants seconds (0: never reconnect)";
            if (!reader.TakeValue(&value) || !ParseInt(value, 0, 1 << 30, &o->reconnect))
                return -1;
        } else if (reader.Is(nullptr, "--no-live-rebase")) {
            o->noLiveRebase = true;
        } else if (reader.Is(nullptr, "--json")) {
            o->json = true;
        } else {
            return 0;
        }
        return 1;
    });
}

int RunRecord(const CliContext& context)
{
    RecordOptions o;
    int usage = Parse(context, &o);
    if (usage >= 0)
        return usage;

    auto profile = OpenProfile(context.configPath);
    AppSettings settings;
    settings.Load(*profile);

    const bool interactive = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
    TerminalPrompts prompts(o.ifExists, interactive);
    JobServices services;
    services.profile = profile.get();
    services.prompts = &prompts;

    // Options change this run only; the profile is never saved.
    ApplyNetworkOptions(o.args.network, &settings, &services);
    if (!o.dir.empty()) {
        settings.m_baseDir = o.dir;
        struct stat st {};
        if (::stat(o.dir.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            CliError(o.dir + ": not a folder");
        else if (!MakeDirectoryPath(o.dir + "/"))
            CliError("cannot create the folder " + o.dir + ": " + std::strerror(errno));
    }
    // Output paths become rows of the list, and only an absolute path is
    // taken for a local file there.
    {
        std::error_code ec;
        std::filesystem::path base = std::filesystem::absolute(settings.m_baseDir, ec);
        if (!ec)
            settings.m_baseDir = base.lexically_normal().string();
        while (settings.m_baseDir.size() > 1 && settings.m_baseDir.back() == '/')
            settings.m_baseDir.pop_back();
    }
    if (o.maxTime > 0) {
        settings.m_timePolicy = 1;
        settings.m_maxTime = o.maxTime;
    }
    if (o.maxSize > 0) {
        settings.m_sizePolicy = 1;
        settings.m_maxSize = o.maxSize;
    }
    if (o.noLiveRebase)
        settings.m_liveContentSaveTimeInfo = 0;
    if (o.reconnect >= 0)
        settings.m_reconnect = o.reconnect;
    // One progress line: the addresses record one after the other, whatever
    // the desktop program's "Parallel recordings" says.
    settings.m_parallelRecordings = 1;
    prompts.Configure(settings);

    Console::Get().EnableProgress(!o.args.quiet && !o.json && ::isatty(STDERR_FILENO));

    MediaList list(settings, nullptr);
    RecordReporter reporter(o.args.quiet, o.json);
    EventQueue queue;
    RecorderController::Callbacks callbacks;
    callbacks.openUrl = [](const std::string& address) {
        Console::Get().Err("not recorded (the title asks to open it): " + TerminalText(address));
    };
    callbacks.statusHandled = [&reporter, &list](uint64_t rowId, const JobEvent& event, const CmmsThread& job) {
        reporter.Handled(list.IndexOf(rowId), event, job);
    };
    RecorderController controller(list, settings, queue, services, callbacks);
    controller.SetRecordsLocalPlaylists(true);
    controller.SetEveryRowRequested(true);

    std::vector<std::string> addresses;
    for (const std::string& a : o.args.addresses) {
        int row = list.AddEntry(a, o.title, " ", "");
        addresses.push_back(list.Cell(row, kColOriginalFile));
        if (list.Image(row) == kImageLocal && !IsLocalPlaylist(a))
            reporter.NotNetwork(a);
        // -u and -p go with the addresses named here, and to no other
        // server unasked.
        if (o.args.network.user || o.args.network.password)
            controller.GiveCredentials(list.IdAt(row), o.args.network.user.value_or(""),
                                       o.args.network.password.value_or(""));
    }

    InstallInterruptHandler();
    controller.RecordNext(0);
    bool stopIssued = false;
    while (controller.Recording()) {
        if (InterruptCount() > 0 && !stopIssued) {
            Console::Get().ClearProgress();
            if (!o.json)
                Console::Get().Err("stopping (press Ctrl-C again to quit at once)");
            controller.RecordStop();
            stopIssued = true;
        }
        queue.RunNext(std::chrono::milliseconds(100),
                      [&controller](const JobEvent& event) { controller.HandleStatus(event); });
    }
    // Every job's file is closed before its end is posted; wait for the
    // threads themselves too.
    controller.Shutdown();
    Console::Get().ClearProgress();

    if (InterruptCount() > 0)
        return InterruptExitCode();
    bool failed = false;
    for (const std::string& a : addresses)
        failed = failed || reporter.Failed(a);
    for (const std::string& a : reporter.found())
        failed = failed || reporter.Failed(a);
    return failed ? kExitFailed : kExitOk;
}

const std::string kHelp = std::string(
    "Records each ADDRESS (mms://, mmst://, mmsu://, http://, rtsp://, or an ASX\n"
    "playlist) into the base folder, one after the other. Addresses that a\n"
    "server names while recording are printed and recorded in turn.\n"
    "\n"
    "  -d, --dir DIR          folder to record into (default: the profile's base dir)\n"
    "  -t, --title TITLE      name the output files after TITLE\n"
    "  --if-exists WHAT       an output file exists: ask (default; without a terminal:\n"
    "                         rename), resume, overwrite, rename (numbered name), skip\n"
    "  --max-time SECONDS     end each recording after this much stream time\n"
    "  --max-size MB          end each recording at the first block reaching MB\n") +
    kNetworkOptionsHelp +
    "  --no-live-rebase       keep a live stream's own time stamps\n"
    "  --reconnect SECONDS    reconnect a dropped stream until one outage lasts\n"
    "                         this long (default: the profile's, 300; 0: never)\n"
    "  --json                 one JSON object per status event on stdout\n"
    "  -q, --quiet            no progress line and no informational messages\n"
    "\n"
    "ADDRESS is a stream address (mms, mmsh, mmst, mmsu, rtsp, http, https), a\n"
    "local playlist or a list file; anything else is a usage error and nothing\n"
    "is recorded. Each address is tried with one transport after another; a\n"
    "failure shows the message of the last and the reason of each, as in\n"
    "  ADDRESS: failed: Not Found (MMS over TCP: connection refused; ...)\n"
    "With --json, \"connecting\" names the transport and the address it tries\n"
    "(\"transport\", \"to\"); \"header\" comes only once a server has sent a\n"
    "stream header; \"finished\" (and \"entry\" for an entry of a playlist)\n"
    "carries \"attempts\": one object per transport that brought nothing, with\n"
    "\"transport\", \"address\" and \"reason\" (name not resolved, connection\n"
    "refused, no answer in time, HTTP 404 Not Found, 401 and no credentials,\n"
    "not a Windows Media stream, protocol error: ...).\n"
    "\n"
    "Settings come from the profile (--config FILE before the command); the\n"
    "options apply to this run only. Ctrl-C (SIGINT), SIGTERM and SIGHUP stop\n"
    "the recording and finish its file; a second one quits at once. A closed\n"
    "standard output (| head) does not stop a recording.\n"
    "A stream the server ends before its announced end is reported as\n"
    "incomplete: its file is kept and can be resumed. A dropped connection is\n"
    "reconnected after 1, 2, 4, 8, 16, then every 30 seconds: an on-demand\n"
    "stream goes on where its file ends, a broadcast in the same file (its\n"
    "times closing the gap), or in a new numbered file when its streams changed.\n"
    "Exit status: 0 all recorded, 1 some address failed or is incomplete,\n"
    "2 usage error, 130, 143 or 129 stopped by SIGINT, SIGTERM or SIGHUP.\n";

const std::string kSynopsis = std::string(
    "record [-d DIR] [-t TITLE] [--if-exists ask|resume|overwrite|rename|skip] "
    "[--max-time SECONDS] [--max-size MB] ") + kNetworkOptionsSynopsis +
    " [--no-live-rebase] [--reconnect SECONDS] [--json] [-q] ADDRESS...";

const CliCommand kRecord = {
    "record",
    kSynopsis.c_str(),
    "record stream addresses into ASF files",
    RunRecord,
    kHelp.c_str(),
};

const CommandRegistrar kRegistrar(kRecord);

}  // namespace
