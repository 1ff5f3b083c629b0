#pragma once

#include <string>
#include <vector>

#include "schedule/calendar_time.h"
#include "schedule/schedule_slot.h"
#include "schedule/slot_result.h"

namespace schedule {

// The message for a machine where systemd's user manager cannot be reached.
extern const char kNeedsUserSession[];

// Where the slots of this user live.
struct SchedulePlaces {
    std::string unitDir;   // the user's units: $XDG_CONFIG_HOME/systemd/user
    std::string stateDir;  // the runs' events: $XDG_STATE_HOME/Brimcast/schedule
    static SchedulePlaces FromEnvironment();
};

// A slot as the schedule lists it: what it is, when it starts next, and how
// its latest run ended.
struct SlotListing {
    ScheduleSlot slot;
    std::string onCalendar;  // the timer's start (the slot's time less the padding)
    bool enabled = false;    // the timer is enabled: it runs whenever the user's manager does
    bool running = false;    // recording now (known only when the manager answers)
    NextStart next;          // from the timer when the manager answers, else from the calendar
    SlotResult last;
};

// Scheduled recordings as systemd user timers: every call reads and writes
// the unit files and asks systemctl and systemd-analyze; nothing else holds
// a slot. Calls run those programs and wait for them (seconds at most), so a
// window calls them off its main thread.
class Scheduler {
public:
    // cliPath: the brimcast-cli the timers run; profilePath: the settings
    // file their recordings read.
    Scheduler(SchedulePlaces places, std::string cliPath, std::string profilePath);

    // systemctl --user reaches a manager.
    bool UserManagerReachable() const;

    // Checks the slot and its time, writes its units, and unless unitsOnly
    // enables and starts its timer. Sets slot->id. Without a user manager
    // (and not unitsOnly), or when a step fails, nothing is left behind.
    Outcome Add(ScheduleSlot* slot, bool unitsOnly, NextStart* next);
    // Replaces the slot of slot.id (an enabled timer is restarted; a failed
    // reload puts the old units back).
    Outcome Edit(const ScheduleSlot& slot, NextStart* next);
    // Stops the timer and a recording in progress, and removes the units and
    // the slot's result.
    Outcome Remove(const std::string& id);
    // Starts the slot's recording now.
    Outcome Run(const std::string& id);

    std::vector<SlotListing> List() const;
    // The slot of an id, read back from its units; false when there is none.
    bool Find(const std::string& id, ScheduleSlot* slot) const;

    const SchedulePlaces& places() const { return places_; }

private:
    struct Checked {
        std::string onCalendar;
        NextStart next;
    };
    Outcome Check(const ScheduleSlot& slot, Checked* checked) const;
    std::string UnitPath(const std::string& id, const char* suffix) const;
    std::string ResultPath(const std::string& id) const;
    bool TimerEnabled(const std::string& id) const;
    void RemoveFiles(const std::string& id) const;
    NextStart TimerNextStart(const std::string& id, const NextStart& fallback) const;

    SchedulePlaces places_;
    std::string cliPath_;
    std::string profilePath_;
};

}  // namespace schedule
