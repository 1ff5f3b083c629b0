// brimcast-cli schedule: recordings at their time, as systemd user timers
// that run `brimcast-cli record` (the schedule module writes and reads them).

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/display_text.h"
#include "cli/cli_options.h"
#include "cli/command.h"
#include "cli/console.h"
#include "cli/json_events.h"
#include "cli/terminal_text.h"
#include "qtprofile/ini_profile.h"
#include "schedule/scheduler.h"

namespace {

extern const CliCommand kSchedule;

std::string Absolute(const std::string& path)
{
    std::error_code ec;
    std::string out = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec)
        return path;
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

// The brimcast-cli that runs now is the one the timers will run.
std::string ThisProgram()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string("/usr/bin/brimcast-cli");
}

schedule::Scheduler MakeScheduler(const CliContext& context)
{
    const std::string profile = context.configPath.empty() ? IniProfile::DefaultPath() : context.configPath;
    return schedule::Scheduler(schedule::SchedulePlaces::FromEnvironment(), ThisProgram(), Absolute(profile));
}

int Report(const schedule::Outcome& outcome)
{
    if (outcome.kind == schedule::Outcome::BadInput)
        return CliUsageError(kSchedule, outcome.message);
    CliError(outcome.message);
    return kExitFailed;
}

std::string Seconds(int seconds) { return DurationText(static_cast<uint32_t>(seconds) * 1000u); }

int Add(const CliContext& context)
{
    schedule::ScheduleSlot slot;
    bool unitsOnly = false, haveWhen = false, haveDuration = false;
    std::string address;
    int addresses = 0;
    OptionReader reader(context.args);
    reader.Next();  // "add"
    while (reader.Next()) {
        std::string value;
        auto span = [&](const char* what, int* seconds) {
            if (reader.TakeValue(&value) && schedule::ParseSpan(value, seconds))
                return true;
            CliUsageError(kSchedule, reader.Current() + " wants " + what + ", like 90m, 1h30m or 45s");
            return false;
        };
        auto text = [&](std::string* into) {
            if (reader.TakeValue(into))
                return true;
            CliUsageError(kSchedule, reader.Current() + " needs a value");
            return false;
        };
        if (reader.Is(nullptr, "--at")) {
            if (!text(&slot.when))
                return kExitUsage;
            haveWhen = true;
        } else if (reader.Is(nullptr, "--for")) {
            if (!span("a length", &slot.durationSeconds))
                return kExitUsage;
            haveDuration = true;
        } else if (reader.Is(nullptr, "--pre")) {
            if (!span("seconds or a length", &slot.preSeconds))
                return kExitUsage;
        } else if (reader.Is(nullptr, "--post")) {
            if (!span("seconds or a length", &slot.postSeconds))
                return kExitUsage;
        } else if (reader.Is("-d", "--dir")) {
            if (!text(&slot.dir))
                return kExitUsage;
            slot.dir = slot.dir.empty() ? slot.dir : Absolute(slot.dir);
        } else if (reader.Is("-t", "--title")) {
            if (!text(&slot.title))
                return kExitUsage;
        } else if (reader.Is(nullptr, "--if-exists")) {
            if (!text(&slot.ifExists))
                return kExitUsage;
        } else if (reader.Is(nullptr, "--units-only")) {
            unitsOnly = true;
        } else if (reader.IsOption()) {
            return CliUsageError(kSchedule, "unknown option " + reader.Current());
        } else {
            address = reader.Current();
            ++addresses;
        }
    }
    if (!haveWhen || !haveDuration)
        return CliUsageError(kSchedule, "schedule add needs --at WHEN and --for DURATION");
    if (addresses != 1)
        return CliUsageError(kSchedule, "schedule add takes one address");
    slot.address = address;

    schedule::Scheduler scheduler = MakeScheduler(context);
    schedule::NextStart next;
    const schedule::Outcome outcome = scheduler.Add(&slot, unitsOnly, &next);
    if (!outcome.ok())
        return Report(outcome);
    const std::string start = next.text.empty() ? "none" : next.text;
    Console::Get().Out("scheduled recording " + slot.id + ", next start " + start);
    if (unitsOnly)
        Console::Get().Out("units written to " + TerminalText(scheduler.places().unitDir) +
                           "; the timer starts with: systemctl --user enable --now brimcast-rec-" + slot.id +
                           ".timer");
    return kExitOk;
}

std::string ResultWord(const schedule::SlotListing& l)
{
    if (l.running)
        return "recording";
    if (!l.last.ran)
        return "none";
    return l.last.result.empty() ? "unknown" : l.last.result;
}

void ListJson(const schedule::SlotListing& l)
{
    const schedule::ScheduleSlot& s = l.slot;
    JsonObject j;
    j.Add("id", s.id).Add("title", s.title).Add("address", s.address).Add("when", s.when)
        .Add("durationSeconds", static_cast<int64_t>(s.durationSeconds))
        .Add("preSeconds", static_cast<int64_t>(s.preSeconds))
        .Add("postSeconds", static_cast<int64_t>(s.postSeconds))
        .Add("dir", s.dir).Add("ifExists", s.ifExists).Add("onCalendar", l.onCalendar)
        .Add("timer", l.enabled ? "enabled" : "not enabled").Add("nextStart", l.next.text);
    if (l.next.unixTime >= 0)
        j.Add("nextStartUnix", l.next.unixTime);
    j.Add("result", ResultWord(l));
    if (!l.last.result.empty())
        j.Add("output", l.last.output).Add("bytes", l.last.bytes);
    if (!l.last.error.empty())
        j.Add("error", l.last.error);
    if (l.last.ran)
        j.Add("resultUnix", l.last.endedAt);
    Console::Get().Out(j.Text());
}

void ListText(const schedule::SlotListing& l)
{
    const schedule::ScheduleSlot& s = l.slot;
    Console& out = Console::Get();
    out.Out(s.id + "  " + TerminalText(s.title.empty() ? s.address : s.title + "  " + s.address));
    std::string plan = "   at " + TerminalText(s.when) + " for " + Seconds(s.durationSeconds);
    if (s.preSeconds || s.postSeconds)
        plan += ", from " + Seconds(s.preSeconds) + " before to " + Seconds(s.postSeconds) + " after";
    if (!s.dir.empty())
        plan += ", into " + TerminalText(s.dir);
    out.Out(plan);
    std::string next = "   next start: " + (l.next.text.empty() ? std::string("none") : l.next.text);
    if (!l.enabled)
        next += " (the timer is not enabled)";
    out.Out(next);
    std::string last = "   last result: " + ResultWord(l);
    if (!l.last.output.empty())
        last += " -> " + TerminalText(l.last.output) + " (" + HumanSize(static_cast<uint64_t>(l.last.bytes)) + ")";
    if (!l.last.error.empty())
        last += ": " + TerminalText(l.last.error);
    out.Out(last);
}

int List(const CliContext& context)
{
    bool json = false;
    OptionReader reader(context.args);
    reader.Next();  // "list"
    while (reader.Next()) {
        if (reader.Is(nullptr, "--json"))
            json = true;
        else
            return CliUsageError(kSchedule, "schedule list takes only --json, not " + reader.Current());
    }
    const auto listings = MakeScheduler(context).List();
    if (listings.empty() && !json)
        Console::Get().Out("no scheduled recordings");
    for (const schedule::SlotListing& l : listings)
        json ? ListJson(l) : ListText(l);
    return kExitOk;
}

int OnId(const CliContext& context, schedule::Outcome (schedule::Scheduler::*call)(const std::string&),
         const char* done)
{
    if (context.args.size() != 2)
        return CliUsageError(kSchedule, "schedule " + context.args[0] + " takes one id");
    schedule::Scheduler scheduler = MakeScheduler(context);
    const schedule::Outcome outcome = (scheduler.*call)(context.args[1]);
    if (!outcome.ok())
        return Report(outcome);
    Console::Get().Out(std::string(done) + " scheduled recording " + context.args[1]);
    return kExitOk;
}

int RunSchedule(const CliContext& context)
{
    const std::string verb = context.args.empty() ? "" : context.args[0];
    if (verb == "add")
        return Add(context);
    if (verb == "list")
        return List(context);
    if (verb == "remove")
        return OnId(context, &schedule::Scheduler::Remove, "removed");
    if (verb == "run")
        return OnId(context, &schedule::Scheduler::Run, "started");
    return CliUsageError(kSchedule, verb.empty() ? "schedule needs add, list, remove or run"
                                                 : "unknown schedule command '" + verb + "'");
}

const char kHelp[] =
    "Records broadcasts at their time. Each scheduled recording is a systemd\n"
    "user timer with its service, brimcast-rec-ID.timer and .service in\n"
    "$XDG_CONFIG_HOME/systemd/user (~/.config/systemd/user), which runs\n"
    "'brimcast-cli record' with the slot's length and padding as its --max-time.\n"
    "\n"
    "  add ADDRESS            schedule a recording of ADDRESS:\n"
    "    --at WHEN            a systemd calendar time: \"Mon..Fri 07:00\",\n"
    "                         \"2026-12-24 20:00\", \"daily\" (see systemd.time(7))\n"
    "    --for DURATION       its length, up to a day: 90m, 1h30m, 45s\n"
    "    --pre S, --post S    start S earlier, end S later (seconds or 2m; up to\n"
    "                         an hour each; --pre needs a WHEN of one time of day)\n"
    "    -d, --dir DIR        an existing folder to record into (default: the\n"
    "                         profile's base folder at the time of the recording)\n"
    "    -t, --title TITLE    name the files after TITLE\n"
    "    --if-exists WHAT     ask (without a terminal: rename), resume,\n"
    "                         overwrite, rename, skip\n"
    "    --units-only         write the two units and nothing else (no systemctl)\n"
    "  list [--json]          the scheduled recordings, their next start and the\n"
    "                         result of their latest run\n"
    "  remove ID              stop and remove a scheduled recording (a recording\n"
    "                         in progress is stopped and its file finished)\n"
    "  run ID                 start a scheduled recording now\n"
    "\n"
    "A timer missed while the computer was off is made up for when it is back.\n"
    "Timers run while you are logged in; for recordings while you are logged\n"
    "out, enable lingering once: loginctl enable-linger. Each run's events\n"
    "(--json) go to $XDG_STATE_HOME/Brimcast/schedule/brimcast-rec-ID.jsonl\n"
    "(~/.local/state), replaced by the next run; its messages to the journal\n"
    "(journalctl --user -u brimcast-rec-ID).\n"
    "Exit status: 0 done, 1 failed (no systemd user session, systemctl refused),\n"
    "2 usage error (also a time systemd cannot read, a bad length, a folder\n"
    "that does not exist, an address that is not a stream address).\n";

const CliCommand kSchedule = {
    "schedule",
    "schedule (add --at WHEN --for DURATION [OPTIONS] ADDRESS | list [--json] | remove ID | run ID)",
    "record broadcasts at their time (systemd user timers)",
    RunSchedule,
    kHelp,
};

const CommandRegistrar kRegistrar(kSchedule);

}  // namespace
