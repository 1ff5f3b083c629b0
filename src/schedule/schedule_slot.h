#pragma once

#include <string>
#include <string_view>

namespace schedule {

// Longest recording a slot may ask for, and the most padding on either side.
constexpr int kMaxDurationSeconds = 24 * 3600;
constexpr int kMaxPaddingSeconds = 3600;

// One scheduled recording: a broadcast's time slot and what to record in it.
// The slot lives in its two systemd units; this is what they say.
struct ScheduleSlot {
    std::string id;       // "1", "2", ...; empty until the slot is added
    std::string address;  // the stream address
    std::string title;    // empty: the file is named after the address
    std::string when;     // a systemd calendar expression, as the user wrote it
    int durationSeconds = 0;
    int preSeconds = 0;   // the recording starts this much before `when`
    int postSeconds = 0;  // and goes on this much after its end
    std::string dir;      // absolute; empty: the profile's base folder
    std::string ifExists; // ask, resume, overwrite, rename, skip; empty: record's default

    // The length of the recording: the slot with its padding.
    int TotalSeconds() const { return preSeconds + durationSeconds + postSeconds; }
    bool operator==(const ScheduleSlot&) const = default;
};

// How an operation on the schedule came out. BadInput is the user's to fix
// (the CLI's usage error); Failed is the system's (no user session, a tool
// missing or refusing, a file that cannot be written).
struct Outcome {
    enum Kind { Ok, BadInput, Failed };
    Kind kind = Ok;
    std::string message;

    static Outcome Bad(std::string m) { return {BadInput, std::move(m)}; }
    static Outcome Fail(std::string m) { return {Failed, std::move(m)}; }
    bool ok() const { return kind == Ok; }
};

// A span of time as "90m", "1h30m", "45s", "2h" or plain seconds ("120"),
// with an optional "-" in front (so that a negative span can be named as
// such). False for anything else. Spans far beyond any limit come out as
// kSpanCeiling.
constexpr int kSpanCeiling = 100000000;
bool ParseSpan(std::string_view text, int* seconds);

// Checks what the slot says by itself (not its time, which systemd reads):
// the address, the texts, the lengths, the folder (which must exist) and the
// if-exists word. Returns BadInput with a message naming the fault.
Outcome CheckSlot(const ScheduleSlot& slot);

// Slot ids are positive decimal numbers without leading zeros.
bool IsSlotId(std::string_view id);

}  // namespace schedule
