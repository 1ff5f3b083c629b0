// brimcast-cli record: the addresses become rows of a media list, and the
// recorder controller records them one after the other, exactly as the
// desktop program does; the jobs' status events are queued to this thread.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "base/app_settings.h"
#include "base/display_text.h"
#include "base/failed_attempt.h"
#include "base/status_sink.h"
#include "cli/cli_options.h"
#include "cli/cli_signals.h"
#include "cli/command.h"
#include "cli/console.h"
#include "cli/json_events.h"
#include "cli/main_queue.h"
#include "cli/terminal_prompts.h"
#include "cli/terminal_text.h"
#include "formats/printf.h"
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

// A time as "2026-12-06T21:04:05.123Z".
std::string UtcText(int64_t ms)
{
    const time_t seconds = static_cast<time_t>(ms / 1000);
    struct tm t {};
    if (!gmtime_r(&seconds, &t))
        return {};
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, static_cast<int>(ms % 1000));
    return text;
}

// Turns the controller's handled status events into terminal output.
class Reporter {
public:
    explicit Reporter(const RecordOptions& options) : o_(options) {}

    // row: the job's row in the list (its position, as --json reports it).
    void Handled(int row, const JobEvent& e, const CmmsThread& thread)
    {
        const RecordJob& job = thread.job();
        const uint16_t id = job.jobId;
        Console& console = Console::Get();
        switch (e.code) {
        case kStatusConnecting:
            if (started_.insert(id).second) {
                startTimes_[id] = std::chrono::steady_clock::now();
                if (!o_.args.quiet && !o_.json)
                    console.Err("Recording " + TerminalText(job.url));
            }
            Json("connecting", job)
                .Add("row", row)
                .Add("transport", TransportName(e.transport))
                .Add("to", e.address)
                .Emit(o_.json);
            break;
        case kStatusHeaderReceived: {
            // A client may report its header before it knows the duration
            // (0) and again with it: the line waits for the duration, or for
            // the first data of a stream that has none.
            pendingOutput_[id] = {e.text, DurationText(e.durationMs)};
            if (e.durationMs != 0)
                ShowOutput(id);
            Json("header", job)
                .Add("output", e.text)
                .Add("durationMs", static_cast<int64_t>(e.durationMs))
                .Emit(o_.json);
            break;
        }
        case kStatusProgress: {
            ShowOutput(id);
            const uint64_t bytes = e.bytes;
            const uint32_t progress = e.progress, timeMs = e.timeMs;
            // Progress arrives with every packet: format only what is shown,
            // and redraw the terminal line at most ten times a second.
            const auto now = std::chrono::steady_clock::now();
            if (console.ProgressEnabled() && now - lastDrawn_ >= std::chrono::milliseconds(100)) {
                lastDrawn_ = now;
                auto start = startTimes_.count(id) ? startTimes_[id] : now;
                double seconds = std::chrono::duration<double>(now - start).count();
                console.Progress(ProgressLine(progress, timeMs, bytes, seconds));
            }
            if (!o_.json)
                break;
            Json("progress", job)
                .Add("bytes", static_cast<int64_t>(bytes))
                .Add("progress", static_cast<int64_t>(progress))
                .Add("timeMs", static_cast<int64_t>(timeMs))
                .Add("text", ProgressText(timeMs, progress))
                .Emit(o_.json);
            break;
        }
        case kStatusCredentials:
            Json("credentials", job).Add("user", e.user).Emit(o_.json);
            break;
        case kStatusStreamUrlFound: {
            const std::string& found = e.text;
            found_.push_back(found);
            if (!o_.args.quiet && !o_.json)
                console.Out("found " + TerminalText(found));
            Json("found", job).Add("found", found).Emit(o_.json);
            break;
        }
        case kStatusFileKept: {
            const std::string& kept = e.text;
            if (!o_.args.quiet && !o_.json)
                console.Err("  kept the existing file " + TerminalText(kept));
            Json("kept", job).Add("path", kept).Emit(o_.json);
            break;
        }
        case kStatusQuit:
            Json("quit", job).Emit(o_.json);
            break;
        case kStatusReconnecting:
            if (!o_.args.quiet && !o_.json) {
                console.ClearProgress();
                console.Err("  " + ReconnectingText(e.attempt));
            }
            Json("reconnecting", job).Add("attempt", static_cast<int64_t>(e.attempt)).Emit(o_.json);
            break;
        case kStatusReconnected:
            Json("reconnected", job)
                .Add("attempt", static_cast<int64_t>(e.attempt))
                .Add("at", UtcText(e.outageAtMs))
                .Add("atMs", e.outageAtMs)
                .Add("outageMs", static_cast<int64_t>(e.outageMs))
                .Emit(o_.json);
            break;
        case kStatusEntryFinished:
            EntryFinished(e, job);
            break;
        case kStatusFinished:
            Finished(e, job);
            break;
        default:
            break;
        }
    }

    // A user address that is not a network address: it is never recorded.
    void NotNetwork(const std::string& address)
    {
        failures_.insert(address);
        if (o_.json) {
            JsonObject j;
            j.Add("event", "finished").Add("address", address).Add("result", "failed")
                .Add("error", "not a network address").Add("attempts", std::vector<JsonObject>());
            Console::Get().Out(j.Text());
        } else {
            Console::Get().Err(TerminalText(address) + ": failed: not a network address");
        }
    }

    const std::vector<std::string>& found() const { return found_; }
    bool Failed(const std::string& address) const { return failures_.count(address) != 0; }

private:
    struct Event {
        JsonObject object;
        Event& Add(const char* key, const std::string& v) { object.Add(key, v); return *this; }
        Event& Add(const char* key, int64_t v) { object.Add(key, v); return *this; }
        Event& Add(const char* key, int v) { object.Add(key, static_cast<int64_t>(v)); return *this; }
        void Emit(bool json) const
        {
            if (json)
                Console::Get().Out(object.Text());
        }
    };
    static Event Json(const char* name, const RecordJob& job)
    {
        Event e;
        e.object.Add("event", name).Add("job", static_cast<int64_t>(job.jobId)).Add("address", job.url);
        return e;
    }

    // "  to PATH (DURATION)", once per output file of a job.
    void ShowOutput(uint16_t id)
    {
        auto pending = pendingOutput_.find(id);
        if (pending == pendingOutput_.end())
            return;
        const auto& [path, duration] = pending->second;
        if (shownOutput_[id] != path && !o_.args.quiet && !o_.json)
            Console::Get().Err("  to " + TerminalText(path) + " (" + duration + ")");
        shownOutput_[id] = path;
        pendingOutput_.erase(pending);
    }

    // One entry of a playlist of several: a line of its own, as a job's.
    void EntryFinished(const JobEvent& e, const RecordJob& job)
    {
        Entries& entries = entries_[job.jobId];
        ++entries.count;
        entries.bytes += e.bytes;
        if (o_.json) {
            JsonObject j;
            j.Add("event", "entry").Add("job", static_cast<int64_t>(job.jobId)).Add("address", job.url)
                .Add("entry", e.address).Add("result", JobResultWord(e.result)).Add("output", e.text)
                .Add("bytes", static_cast<int64_t>(e.bytes));
            if (e.result == JobResult::Failed)
                j.Add("error", e.errorText);
            j.Add("attempts", AttemptsJson(e.attempts));
            Console::Get().Out(j.Text());
        } else {
            Show(e.result, EndLine(e.address, e));
        }
    }

    // ", 2 outages, 0:00:07": the outages a recording went through, summed.
    static std::string OutagesText(const JobEvent& e)
    {
        if (e.outages == 0)
            return {};
        return Printf(", %u outage%s, %s", e.outages, e.outages == 1 ? "" : "s",
                      DurationText(static_cast<uint32_t>(std::min<uint64_t>(e.outageMs, UINT32_MAX))).c_str());
    }

    // "ADDRESS: completed -> PATH (SIZE)", "ADDRESS: failed: TEXT (REASONS)", ...
    static std::string EndLine(const std::string& address, const JobEvent& e)
    {
        const std::string& output = e.text;
        const std::string size = " (" + HumanSize(e.bytes) + OutagesText(e) + ")";
        if (e.result == JobResult::Completed)
            return address + ": " + CompletedText() + " -> " + output + size;
        if (e.result == JobResult::Incomplete)
            return address + ": " + kIncompleteText + " -> " + output + size;
        if (e.result == JobResult::Failed) {
            std::string text = e.errorText;
            if (text.empty())
                text = "the recording is too small to be a stream";
            if (text == "File Creation Error" && !output.empty())
                text += " (" + output + ")";
            return address + ": failed: " + FailureText(text, e.attempts);
        }
        return address + ": " + CancelledText();
    }

    // Failures and incomplete recordings on stderr, the rest on stdout
    // unless quiet. The line quotes addresses, paths and server texts: it is
    // printed escaped.
    void Show(JobResult result, const std::string& line) const
    {
        Console& console = Console::Get();
        if (result == JobResult::Failed || result == JobResult::Incomplete) {
            console.ClearProgress();
            console.Err(TerminalText(line));
        } else if (!o_.args.quiet) {
            console.Out(TerminalText(line));
        } else {
            console.ClearProgress();
        }
    }

    void Finished(const JobEvent& e, const RecordJob& job)
    {
        // An incomplete file is kept (and can be resumed), but the address
        // did not give its whole stream: it counts as not done.
        if (e.result == JobResult::Failed || e.result == JobResult::Incomplete)
            failures_.insert(job.url);
        // A playlist of several entries has had a line for each: this one
        // gives their number and total size.
        const auto entries = entries_.find(job.jobId);
        const bool several = entries != entries_.end();
        const uint64_t bytes = several ? entries->second.bytes : e.bytes;
        if (o_.json) {
            JsonObject j;
            j.Add("event", "finished").Add("job", static_cast<int64_t>(job.jobId)).Add("address", job.url)
                .Add("result", JobResultWord(e.result)).Add("output", e.text)
                .Add("bytes", static_cast<int64_t>(bytes));
            if (several)
                j.Add("entries", static_cast<int64_t>(entries->second.count));
            j.Add("outages", static_cast<int64_t>(e.outages)).Add("outageMs", static_cast<int64_t>(e.outageMs));
            if (e.result == JobResult::Failed)
                j.Add("error", e.errorText);
            j.Add("attempts", AttemptsJson(e.attempts));
            Console::Get().Out(j.Text());
            return;
        }
        std::string line = EndLine(job.url, e);
        if (several && (e.result == JobResult::Completed || e.result == JobResult::Incomplete))
            line = job.url + ": " + (e.result == JobResult::Completed ? CompletedText() : std::string(kIncompleteText)) +
                   Printf(" (%d entries, ", entries->second.count) + HumanSize(bytes) + OutagesText(e) + ")";
        Show(e.result, line);
    }

    const RecordOptions& o_;
    std::set<uint16_t> started_;
    std::map<uint16_t, std::chrono::steady_clock::time_point> startTimes_;
    std::chrono::steady_clock::time_point lastDrawn_{};
    std::map<uint16_t, std::pair<std::string, std::string>> pendingOutput_;  // path, duration
    std::map<uint16_t, std::string> shownOutput_;
    std::vector<std::string> found_;
    std::set<std::string> failures_;
    struct Entries {
        int count = 0;
        uint64_t bytes = 0;
    };
    std::map<uint16_t, Entries> entries_;  // jobs of playlists of several entries
};

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
    Reporter reporter(o);
    MainQueue queue;
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
