#include "schedule/slot_units.h"

#include <map>
#include <sstream>
#include <vector>

#include "schedule/unit_quoting.h"

namespace schedule {

namespace {

const char kHeader[] = "# A recording scheduled by brimcast-cli; `brimcast-cli schedule list` reads it back.\n";

// Description= shows in systemctl and the journal: one line, specifiers
// escaped, no trailing backslash that would join the next line to it.
std::string Description(const ScheduleSlot& slot)
{
    std::string text = "Brimcast recording " + slot.id + ": " + (slot.title.empty() ? slot.address : slot.title);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    while (!text.empty() && (text.back() == '\\' || text.back() == ' '))
        text.pop_back();
    return SpecifierText(text);
}

// The keys of one section ("Unit", "Service", "Timer"): the last value of
// each, with the blanks around it taken away, as systemd reads them.
std::map<std::string, std::string> SectionKeys(const std::string& text, const std::string& section)
{
    std::map<std::string, std::string> keys;
    std::stringstream lines(text);
    std::string line, current;
    auto trim = [](const std::string& s) {
        const size_t b = s.find_first_not_of(" \t");
        return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(" \t") - b + 1);
    };
    while (std::getline(lines, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[') {
            current = line.size() > 2 && line.back() == ']' ? line.substr(1, line.size() - 2) : "";
            continue;
        }
        const size_t eq = line.find('=');
        if (current == section && eq != std::string::npos)
            keys[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
    }
    return keys;
}

bool ReadNumber(const std::string& text, int max, int* value)
{
    if (text.empty() || text.size() > 9)
        return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v > max)
        return false;
    *value = v;
    return true;
}

// The text of a setting that holds no specifier but the escaped '%'.
std::string WithoutSpecifiers(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        out += value[i];
        if (value[i] == '%' && i + 1 < value.size() && value[i + 1] == '%')
            ++i;
    }
    return out;
}

}  // namespace

std::string UnitName(const std::string& id, const char* suffix) { return "brimcast-rec-" + id + suffix; }

std::string TimerText(const ScheduleSlot& slot, const std::string& onCalendar)
{
    return std::string(kHeader) +
           "[Unit]\n"
           "Description=" + Description(slot) + "\n"
           "\n"
           "[Timer]\n"
           "OnCalendar=" + SpecifierText(onCalendar) + "\n"
           // A start missed while the computer was off or the user's
           // manager was not running is made up for when it runs again.
           "Persistent=true\n"
           "AccuracySec=1s\n"
           "\n"
           "[Install]\n"
           "WantedBy=timers.target\n";
}

std::string ServiceText(const ScheduleSlot& slot, const ServiceSetup& setup)
{
    std::vector<std::string> argv = {setup.cliPath, "--config", setup.profilePath, "record", "--json",
                                     "--max-time", std::to_string(slot.TotalSeconds())};
    if (!slot.dir.empty())
        argv.insert(argv.end(), {"-d", slot.dir});
    if (!slot.title.empty())
        argv.insert(argv.end(), {"-t", slot.title});
    if (!slot.ifExists.empty())
        argv.insert(argv.end(), {"--if-exists", slot.ifExists});
    argv.insert(argv.end(), {"--", slot.address});
    std::string command = ProgramWord(argv[0]);
    for (size_t i = 1; i < argv.size(); ++i)
        command += " " + CommandWord(argv[i]);

    return std::string(kHeader) +
           "[Unit]\n"
           "Description=" + Description(slot) + "\n"
           "X-Brimcast-Address=" + QuotedValue(slot.address) + "\n"
           "X-Brimcast-Title=" + QuotedValue(slot.title) + "\n"
           "X-Brimcast-When=" + QuotedValue(slot.when) + "\n"
           "X-Brimcast-Duration=" + std::to_string(slot.durationSeconds) + "\n"
           "X-Brimcast-Pre=" + std::to_string(slot.preSeconds) + "\n"
           "X-Brimcast-Post=" + std::to_string(slot.postSeconds) + "\n"
           "X-Brimcast-Dir=" + QuotedValue(slot.dir) + "\n"
           "X-Brimcast-IfExists=" + QuotedValue(slot.ifExists) + "\n"
           "\n"
           "[Service]\n"
           "Type=exec\n"
           "ExecStart=" + command + "\n"
           // Each run replaces the last one's events: the file tells how the
           // latest recording of the slot ended. The journal keeps the runs.
           "StandardOutput=truncate:" + SpecifierText(setup.resultPath) + "\n"
           "StandardError=journal\n"
           "RuntimeMaxSec=" + std::to_string(slot.TotalSeconds() + kRunGraceSeconds) + "\n";
}

bool ReadServiceUnit(const std::string& text, ScheduleSlot* slot)
{
    auto keys = SectionKeys(text, "Unit");
    ScheduleSlot s;
    const std::pair<const char*, std::string*> texts[] = {
        {"X-Brimcast-Address", &s.address}, {"X-Brimcast-Title", &s.title}, {"X-Brimcast-When", &s.when},
        {"X-Brimcast-Dir", &s.dir}, {"X-Brimcast-IfExists", &s.ifExists}};
    for (const auto& [key, field] : texts)
        if (!UnquoteValue(keys[key], field))
            return false;
    if (!ReadNumber(keys["X-Brimcast-Duration"], kMaxDurationSeconds, &s.durationSeconds) ||
        !ReadNumber(keys["X-Brimcast-Pre"], kMaxPaddingSeconds, &s.preSeconds) ||
        !ReadNumber(keys["X-Brimcast-Post"], kMaxPaddingSeconds, &s.postSeconds))
        return false;
    s.id = slot->id;
    *slot = s;
    return true;
}

std::string ReadTimerCalendar(const std::string& text)
{
    return WithoutSpecifiers(SectionKeys(text, "Timer")["OnCalendar"]);
}

std::string ReadResultPath(const std::string& text)
{
    std::string value = SectionKeys(text, "Service")["StandardOutput"];
    const size_t colon = value.find(':');
    if (colon == std::string::npos)
        return {};
    return WithoutSpecifiers(value.substr(colon + 1));
}

}  // namespace schedule
