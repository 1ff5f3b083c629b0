#pragma once

#include <string>

#include "schedule/schedule_slot.h"

namespace schedule {

// A slot is two user units of systemd: brimcast-rec-ID.timer starts
// brimcast-rec-ID.service, which runs `brimcast-cli record`. The service
// also holds the slot's own data in X-Brimcast-* keys of its [Unit]
// section (systemd ignores X- keys), so the units are all there is to a
// slot: listing one reads them back.
std::string UnitName(const std::string& id, const char* suffix);  // suffix ".timer" or ".service"

// Where the slot's recording runs from and reports to.
struct ServiceSetup {
    std::string cliPath;      // absolute path of the brimcast-cli to run (ProgramPathIsRunnable)
    std::string profilePath;  // the settings file it reads (--config)
    std::string resultPath;   // its --json events, one run's worth
};

// Seconds a run may last beyond the slot's length (connecting, a stream's
// start-up) before systemd stops it: the recording ends with its slot even
// when outages kept its stream time short.
constexpr int kRunGraceSeconds = 60;

// onCalendar: systemd's normalized form of the slot's start (its time less
// the padding before it).
std::string TimerText(const ScheduleSlot& slot, const std::string& onCalendar);
std::string ServiceText(const ScheduleSlot& slot, const ServiceSetup& setup);

// The slot a service unit describes (its id is not in the text); false when
// the text is not one of ours or its keys cannot be read.
bool ReadServiceUnit(const std::string& text, ScheduleSlot* slot);
// The OnCalendar= of a timer unit ("" when it has none).
std::string ReadTimerCalendar(const std::string& text);
// The file of StandardOutput= of a service unit ("" when it has none).
std::string ReadResultPath(const std::string& text);

}  // namespace schedule
