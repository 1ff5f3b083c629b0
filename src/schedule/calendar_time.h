#pragma once

#include <cstdint>
#include <string>

namespace schedule {

// When a calendar expression next elapses, as systemd tells it.
struct NextStart {
    std::string text;       // "Mon 2026-12-07 06:58:00 CET"; empty: never again
    int64_t unixTime = -1;  // seconds since 1970; -1 when the text could not be read
};

// What `systemd-analyze calendar EXPR` says of one expression.
struct CalendarReading {
    std::string normalized;  // "Mon..Fri *-*-* 07:00:00"
    NextStart next;
};

// Reads the output of `systemd-analyze calendar` for one expression; false
// when it holds no normalized form.
bool ParseCalendarOutput(const std::string& output, CalendarReading* reading);

// "Mon 2026-12-07 06:58:00 CET" (systemd's time stamps: local time, or UTC
// when they say so) as seconds since 1970; -1 when it is not such a text.
int64_t ParseSystemdTimestamp(const std::string& text);

// The normalized form of an expression with its time of day moved `seconds`
// earlier (at most a day). A time before midnight moves the day back too,
// which is possible for every day (the weekdays move back one) and for one
// fixed date. Other forms (several times a day, "*:0/15", a date like
// "*-*-01") cannot be shifted: false, with the reason in *error.
bool ShiftEarlier(const std::string& normalized, int seconds, std::string* shifted, std::string* error);

}  // namespace schedule
