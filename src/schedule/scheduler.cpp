#include "schedule/scheduler.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

#include "base/replace_file.h"
#include "schedule/slot_units.h"
#include "schedule/tool_run.h"
#include "schedule/unit_quoting.h"

namespace schedule {

const char kNeedsUserSession[] = "scheduled recordings need a systemd user session (systemctl --user)";

namespace {

namespace fs = std::filesystem;

std::string BaseDir(const char* variable, const char* fallback)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')  // relative values are invalid and ignored
        return value;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + fallback;
}

ToolResult Systemctl(std::vector<std::string> args)
{
    args.insert(args.begin(), {"systemctl", "--user"});
    return RunTool(args);
}

// systemd's own reading of a calendar expression.
Outcome ReadCalendar(const std::string& expression, CalendarReading* reading)
{
    const ToolResult r = RunTool({"systemd-analyze", "calendar", "--", expression});
    if (!r.started)
        return Outcome::Fail("systemd-analyze, which reads the times, cannot be run: " + r.Complaint());
    if (!r.ok() || !ParseCalendarOutput(r.out, reading))
        return Outcome::Bad("systemd cannot read the time '" + expression + "': " + r.Complaint());
    return {};
}

std::string ReadText(const std::string& path)
{
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return text;
    char buffer[4096];
    ssize_t n;
    // A unit file of ours is small; a huge one is not ours.
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < (1 << 20))
        text.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    return text;
}

// Writes a file readable by its owner only: the address may carry a password.
// exclusive: the file must not exist yet (it claims the id); *exists tells
// when that was why it failed.
bool WriteText(const std::string& path, const std::string& text, bool exclusive, std::string* error,
               bool* exists = nullptr)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (exclusive ? O_EXCL : O_TRUNC),
                          0600);
    if (fd < 0) {
        if (exists)
            *exists = errno == EEXIST;
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = path + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Replaces a unit file in one step; it stays readable by its owner only.
bool ReplaceText(const std::string& path, const std::string& text, std::string* error)
{
    const ReplaceResult replaced = ReplaceFile(path, text, 0600);
    if (!replaced)
        *error = path + ": " + replaced.Text();
    return static_cast<bool>(replaced);
}

bool MakeDirs(const std::string& path, std::string* error)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec) {
        *error = "cannot create the folder " + path + ": " + ec.message();
        return false;
    }
    return true;
}

// The ids of the slots in a unit folder, in order; a slot counts with
// either of its units.
std::vector<long> SlotIds(const std::string& unitDir)
{
    std::vector<long> ids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(unitDir, ec)) {
        const std::string name = entry.path().filename().string();
        const std::string prefix = "brimcast-rec-";
        for (const char* suffix : {".service", ".timer"}) {
            const size_t sl = std::strlen(suffix);
            if (name.size() > prefix.size() + sl && name.compare(0, prefix.size(), prefix) == 0 &&
                name.compare(name.size() - sl, sl, suffix) == 0) {
                const std::string id = name.substr(prefix.size(), name.size() - prefix.size() - sl);
                if (IsSlotId(id))
                    ids.push_back(std::stol(id));
            }
        }
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

// One block per unit of `systemctl show`, in the order of the units asked.
std::vector<std::map<std::string, std::string>> ShowBlocks(const std::string& output)
{
    std::vector<std::map<std::string, std::string>> blocks(1);
    std::stringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) {
            if (!blocks.back().empty())
                blocks.emplace_back();
            continue;
        }
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            blocks.back()[line.substr(0, eq)] = line.substr(eq + 1);
    }
    if (blocks.back().empty())
        blocks.pop_back();
    return blocks;
}

NextStart NextFromShow(const std::string& value)
{
    NextStart next;
    if (value.empty() || value == "n/a" || value == "0")
        return next;  // the timer has no next start
    next.text = value;
    next.unixTime = ParseSystemdTimestamp(value);
    return next;
}

}  // namespace

SchedulePlaces SchedulePlaces::FromEnvironment()
{
    SchedulePlaces places;
    places.unitDir = BaseDir("XDG_CONFIG_HOME", "/.config") + "/systemd/user";
    places.stateDir = BaseDir("XDG_STATE_HOME", "/.local/state") + "/Brimcast/schedule";
    return places;
}

Scheduler::Scheduler(SchedulePlaces places, std::string cliPath, std::string profilePath)
    : places_(std::move(places)), cliPath_(std::move(cliPath)), profilePath_(std::move(profilePath))
{
}

bool Scheduler::UserManagerReachable() const { return Systemctl({"show", "--property=Version"}).ok(); }

std::string Scheduler::UnitPath(const std::string& id, const char* suffix) const
{
    return places_.unitDir + "/" + UnitName(id, suffix);
}

std::string Scheduler::ResultPath(const std::string& id) const
{
    return places_.stateDir + "/" + UnitName(id, ".jsonl");
}

bool Scheduler::TimerEnabled(const std::string& id) const
{
    struct stat st {};
    return ::lstat((places_.unitDir + "/timers.target.wants/" + UnitName(id, ".timer")).c_str(), &st) == 0;
}

Outcome Scheduler::Check(const ScheduleSlot& slot, Checked* checked) const
{
    if (Outcome o = CheckSlot(slot); !o.ok())
        return o;
    if (!ProgramPathIsRunnable(cliPath_))
        return Outcome::Fail("systemd cannot run a program from " + cliPath_ +
                             " (a path with quotes or backslashes); install brimcast-cli elsewhere");
    CalendarReading when, start;
    if (Outcome o = ReadCalendar(slot.when, &when); !o.ok())
        return o;
    std::string shifted, error;
    if (!ShiftEarlier(when.normalized, slot.preSeconds, &shifted, &error))
        return Outcome::Bad(error);
    if (Outcome o = ReadCalendar(shifted, &start); !o.ok())
        return o;
    if (start.next.text.empty())
        return Outcome::Bad("the time '" + slot.when + "'" + (slot.preSeconds ? " less the padding" : "") +
                            " does not come again");
    checked->onCalendar = start.normalized;
    checked->next = start.next;
    return {};
}

Outcome Scheduler::Add(ScheduleSlot* slot, bool unitsOnly, NextStart* next)
{
    Checked checked;
    slot->id.clear();
    if (Outcome o = Check(*slot, &checked); !o.ok())
        return o;
    if (!unitsOnly && !UserManagerReachable())
        return Outcome::Fail(kNeedsUserSession);
    std::string error;
    if (!MakeDirs(places_.unitDir, &error) || !MakeDirs(places_.stateDir, &error))
        return Outcome::Fail(error);
    ::chmod(places_.stateDir.c_str(), 0700);

    // The next free id; the service file claims it (another add at the same
    // moment gets the one after).
    long candidate = 1;
    if (auto ids = SlotIds(places_.unitDir); !ids.empty())
        candidate = ids.back() + 1;
    for (;; ++candidate) {
        slot->id = std::to_string(candidate);
        const std::string text = ServiceText(*slot, {cliPath_, profilePath_, ResultPath(slot->id)});
        bool taken = false;
        if (WriteText(UnitPath(slot->id, ".service"), text, true, &error, &taken))
            break;
        if (!taken || candidate > 100000) {
            slot->id.clear();
            return Outcome::Fail("cannot write the unit " + error);
        }
    }
    // A result of an earlier slot of this id is not this slot's.
    ::unlink(ResultPath(slot->id).c_str());
    if (!WriteText(UnitPath(slot->id, ".timer"), TimerText(*slot, checked.onCalendar), true, &error)) {
        RemoveFiles(slot->id);
        slot->id.clear();
        return Outcome::Fail("cannot write the unit " + error);
    }
    *next = checked.next;
    if (unitsOnly)
        return {};

    ToolResult r = Systemctl({"daemon-reload"});
    if (r.ok())
        r = Systemctl({"enable", "--now", UnitName(slot->id, ".timer")});
    if (!r.ok()) {
        Systemctl({"disable", "--now", UnitName(slot->id, ".timer")});
        RemoveFiles(slot->id);
        Systemctl({"daemon-reload"});
        slot->id.clear();
        return Outcome::Fail("systemctl --user could not start the timer: " + r.Complaint());
    }
    *next = TimerNextStart(slot->id, checked.next);
    return {};
}

Outcome Scheduler::Edit(const ScheduleSlot& slot, NextStart* next)
{
    ScheduleSlot old;
    if (!IsSlotId(slot.id) || !Find(slot.id, &old))
        return Outcome::Fail("there is no scheduled recording " + slot.id);
    Checked checked;
    if (Outcome o = Check(slot, &checked); !o.ok())
        return o;
    const bool enabled = TimerEnabled(slot.id);
    const bool managed = UserManagerReachable();
    if (enabled && !managed)
        return Outcome::Fail(kNeedsUserSession);
    const std::string servicePath = UnitPath(slot.id, ".service"), timerPath = UnitPath(slot.id, ".timer");
    const std::string oldService = ReadText(servicePath), oldTimer = ReadText(timerPath);
    std::string error;
    if (!ReplaceText(servicePath, ServiceText(slot, {cliPath_, profilePath_, ResultPath(slot.id)}), &error) ||
        !ReplaceText(timerPath, TimerText(slot, checked.onCalendar), &error)) {
        ReplaceText(servicePath, oldService, &error);
        return Outcome::Fail("cannot write the unit " + error);
    }
    *next = checked.next;
    if (!managed)
        return {};
    ToolResult r = Systemctl({"daemon-reload"});
    if (r.ok() && enabled)
        r = Systemctl({"restart", UnitName(slot.id, ".timer")});
    if (!r.ok()) {
        ReplaceText(servicePath, oldService, &error);
        ReplaceText(timerPath, oldTimer, &error);
        Systemctl({"daemon-reload"});
        if (enabled)
            Systemctl({"restart", UnitName(slot.id, ".timer")});
        return Outcome::Fail("systemctl --user could not take the new time: " + r.Complaint());
    }
    if (enabled)
        *next = TimerNextStart(slot.id, checked.next);
    return {};
}

Outcome Scheduler::Remove(const std::string& id)
{
    if (!IsSlotId(id))
        return Outcome::Bad("'" + id + "' is not the id of a scheduled recording");
    struct stat st {};
    if (::stat(UnitPath(id, ".service").c_str(), &st) != 0 && ::stat(UnitPath(id, ".timer").c_str(), &st) != 0)
        return Outcome::Fail("there is no scheduled recording " + id);
    const bool managed = UserManagerReachable();
    if (managed) {
        // Either may be unknown to the manager (units written but never
        // loaded): the files go all the same.
        Systemctl({"disable", "--now", UnitName(id, ".timer")});
        Systemctl({"stop", UnitName(id, ".service")});
    }
    RemoveFiles(id);
    ::unlink(ResultPath(id).c_str());
    if (managed)
        Systemctl({"daemon-reload"});
    return {};
}

Outcome Scheduler::Run(const std::string& id)
{
    ScheduleSlot slot;
    if (!IsSlotId(id))
        return Outcome::Bad("'" + id + "' is not the id of a scheduled recording");
    if (!Find(id, &slot))
        return Outcome::Fail("there is no scheduled recording " + id);
    if (!UserManagerReachable())
        return Outcome::Fail(kNeedsUserSession);
    const ToolResult r = Systemctl({"start", UnitName(id, ".service")});
    if (!r.ok())
        return Outcome::Fail("systemctl --user could not start the recording: " + r.Complaint());
    return {};
}

void Scheduler::RemoveFiles(const std::string& id) const
{
    // The link of an enabled timer, when no manager was there to disable it.
    const std::string link = places_.unitDir + "/timers.target.wants/" + UnitName(id, ".timer");
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        ::unlink(link.c_str());
    ::unlink(UnitPath(id, ".timer").c_str());
    ::unlink(UnitPath(id, ".service").c_str());
}

NextStart Scheduler::TimerNextStart(const std::string& id, const NextStart& fallback) const
{
    const ToolResult r = Systemctl({"show", "--property=NextElapseUSecRealtime", UnitName(id, ".timer")});
    const auto blocks = ShowBlocks(r.out);
    if (!r.ok() || blocks.empty() || !blocks[0].count("NextElapseUSecRealtime"))
        return fallback;
    return NextFromShow(blocks[0].at("NextElapseUSecRealtime"));
}

bool Scheduler::Find(const std::string& id, ScheduleSlot* slot) const
{
    if (!IsSlotId(id))
        return false;
    ScheduleSlot found;
    found.id = id;
    if (!ReadServiceUnit(ReadText(UnitPath(id, ".service")), &found))
        return false;
    *slot = found;
    return true;
}

std::vector<SlotListing> Scheduler::List() const
{
    std::vector<SlotListing> listings;
    for (long number : SlotIds(places_.unitDir)) {
        SlotListing l;
        const std::string id = std::to_string(number);
        l.slot.id = id;
        const std::string service = ReadText(UnitPath(id, ".service"));
        if (!ReadServiceUnit(service, &l.slot))
            continue;  // not a slot of ours, or half removed
        l.onCalendar = ReadTimerCalendar(ReadText(UnitPath(id, ".timer")));
        l.enabled = TimerEnabled(id);
        std::string resultPath = ReadResultPath(service);
        l.last = ReadSlotResult(resultPath.empty() ? ResultPath(id) : resultPath, l.slot.address);
        listings.push_back(std::move(l));
    }
    if (listings.empty())
        return listings;

    // With a manager, its timers say when they elapse and whether they are
    // enabled, and the services which slot records now.
    std::vector<std::string> args = {"show", "--property=NextElapseUSecRealtime", "--property=UnitFileState",
                                     "--property=ActiveState"};
    for (const SlotListing& l : listings)
        args.insert(args.end(), {UnitName(l.slot.id, ".timer"), UnitName(l.slot.id, ".service")});
    const ToolResult shown = UserManagerReachable() ? Systemctl(args) : ToolResult{};
    const auto blocks = ShowBlocks(shown.out);
    const bool managed = shown.ok() && blocks.size() == 2 * listings.size();
    for (size_t i = 0; i < listings.size(); ++i) {
        SlotListing& l = listings[i];
        if (managed) {
            const auto& timer = blocks[2 * i];
            const auto& service = blocks[2 * i + 1];
            if (auto it = timer.find("NextElapseUSecRealtime"); it != timer.end())
                l.next = NextFromShow(it->second);
            if (auto it = timer.find("UnitFileState"); it != timer.end())
                l.enabled = it->second.rfind("enabled", 0) == 0;
            if (auto it = service.find("ActiveState"); it != service.end())
                l.running = it->second == "active" || it->second == "activating" || it->second == "deactivating";
            continue;
        }
        CalendarReading reading;
        if (!l.onCalendar.empty() && ReadCalendar(l.onCalendar, &reading).ok())
            l.next = reading.next;
    }
    return listings;
}

}  // namespace schedule
