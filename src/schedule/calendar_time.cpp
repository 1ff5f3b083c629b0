#include "schedule/calendar_time.h"

#include <cstdio>
#include <ctime>
#include <sstream>
#include <vector>

namespace schedule {

namespace {

const char* const kWeekdays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

std::string Trim(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// The value after "Label:" when the line holds that label.
bool LabelValue(const std::string& line, const char* label, std::string* value)
{
    const std::string trimmed = Trim(line);
    const std::string prefix = std::string(label) + ":";
    if (trimmed.compare(0, prefix.size(), prefix) != 0)
        return false;
    *value = Trim(trimmed.substr(prefix.size()));
    return true;
}

bool AllDigits(const std::string& text, size_t count)
{
    if (text.size() != count)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int WeekdayIndex(const std::string& name)
{
    for (int i = 0; i < 7; ++i)
        if (name == kWeekdays[i])
            return i;
    return -1;
}

// "Mon..Fri,Sun" moved one day back: "Sun,Mon,Tue,Wed,Thu,Sat".
bool WeekdaysBefore(const std::string& list, std::string* earlier)
{
    unsigned mask = 0;
    std::stringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        const size_t dots = item.find("..");
        const int from = WeekdayIndex(item.substr(0, dots));
        const int to = dots == std::string::npos ? from : WeekdayIndex(item.substr(dots + 2));
        if (from < 0 || to < 0)
            return false;
        for (int d = from;; d = (d + 1) % 7) {
            mask |= 1u << d;
            if (d == to)
                break;
        }
    }
    earlier->clear();
    for (int d = 0; d < 7; ++d) {
        if (mask & (1u << ((d + 1) % 7)))
            *earlier += std::string(earlier->empty() ? "" : ",") + kWeekdays[d];
    }
    return !earlier->empty();
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// "2027-01-01" -> "2026-12-31".
std::string DayBefore(int y, int m, int d)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (--d == 0) {
        if (--m == 0) {
            m = 12;
            --y;
        }
        d = kDays[m - 1] + (m == 2 && IsLeap(y) ? 1 : 0);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    return text;
}

}  // namespace

int64_t ParseSystemdTimestamp(const std::string& text)
{
    char weekday[8] = {}, zone[64] = {};
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    if (std::sscanf(text.c_str(), "%7s %4d-%2d-%2d %2d:%2d:%2d %63s%n", weekday, &y, &mo, &d, &h, &mi, &s, zone,
                    &used) != 8 ||
        static_cast<size_t>(used) != text.size() || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 ||
        s > 60)
        return -1;
    struct tm t {};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    const time_t value = std::string(zone) == "UTC" ? ::timegm(&t) : std::mktime(&t);
    return value == static_cast<time_t>(-1) ? -1 : static_cast<int64_t>(value);
}

bool ParseCalendarOutput(const std::string& output, CalendarReading* reading)
{
    CalendarReading r;
    std::string utc, value;
    std::stringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (LabelValue(line, "Normalized form", &value))
            r.normalized = value;
        else if (LabelValue(line, "Next elapse", &value))
            r.next.text = value == "never" ? "" : value;
        else if (LabelValue(line, "(in UTC)", &value))
            utc = value;
    }
    if (r.normalized.empty())
        return false;
    if (!r.next.text.empty())
        r.next.unixTime = ParseSystemdTimestamp(utc.empty() ? r.next.text : utc);
    *reading = r;
    return true;
}

bool ShiftEarlier(const std::string& normalized, int seconds, std::string* shifted, std::string* error)
{
    if (seconds == 0) {
        *shifted = normalized;
        return true;
    }
    std::vector<std::string> words;
    std::stringstream split(normalized);
    for (std::string w; split >> w;)
        words.push_back(w);
    // [weekdays] date time [time zone]
    size_t at = 0;
    std::string weekdays;
    if (!words.empty() && words[0].find_first_of("-:*") == std::string::npos) {
        weekdays = words[0];
        at = 1;
    }
    if (words.size() < at + 2 || seconds < 0 || seconds > 24 * 3600) {
        *error = "cannot read the time '" + normalized + "'";
        return false;
    }
    const std::string& date = words[at];
    const std::string& time = words[at + 1];
    if (time.size() != 8 || !AllDigits(time.substr(0, 2), 2) || time[2] != ':' || !AllDigits(time.substr(3, 2), 2) ||
        time[5] != ':' || !AllDigits(time.substr(6, 2), 2)) {
        *error = "the padding before the start needs a time that names one time of day (like 07:00), "
                 "not '" + time + "'; give --pre 0 and a time that starts earlier";
        return false;
    }
    int start = std::stoi(time.substr(0, 2)) * 3600 + std::stoi(time.substr(3, 2)) * 60 + std::stoi(time.substr(6, 2));
    start -= seconds;
    std::string newDate = date, newWeekdays = weekdays;
    if (start < 0) {
        start += 24 * 3600;
        if (date.size() == 10 && AllDigits(date.substr(0, 4), 4) && date[4] == '-' &&
            AllDigits(date.substr(5, 2), 2) && date[7] == '-' && AllDigits(date.substr(8, 2), 2)) {
            newDate = DayBefore(std::stoi(date.substr(0, 4)), std::stoi(date.substr(5, 2)), std::stoi(date.substr(8, 2)));
        } else if (date != "*-*-*") {
            *error = "the padding before the start reaches back over midnight, which cannot be written for the "
                     "dates '" + date + "'; give --pre 0 and a time that starts earlier";
            return false;
        }
        if (!weekdays.empty() && !WeekdaysBefore(weekdays, &newWeekdays)) {
            *error = "cannot read the weekdays '" + weekdays + "'";
            return false;
        }
    }
    char newTime[16];
    std::snprintf(newTime, sizeof newTime, "%02d:%02d:%02d", start / 3600, start / 60 % 60, start % 60);
    std::string out = newWeekdays.empty() ? "" : newWeekdays + " ";
    out += newDate + " " + newTime;
    for (size_t i = at + 2; i < words.size(); ++i)
        out += " " + words[i];
    *shifted = out;
    return true;
}

}  // namespace schedule
