#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace schedule {

// How the latest run of a slot ended, from the events its recording wrote.
struct SlotResult {
    bool ran = false;    // the slot has run (its result file exists)
    std::string result;  // completed, incomplete, failed or cancelled; empty: the run gave none (yet)
    std::string output;  // the file it recorded into
    int64_t bytes = 0;
    std::string error;        // why it failed
    int64_t endedAt = -1;     // when the events were last written (seconds since 1970)
};

// Reads the result of a run from its --json events: the last "finished"
// event of the slot's address (of any address when none names it). Only the
// file's last MiB is read; the end event is among the last lines.
SlotResult ReadSlotResult(const std::string& path, const std::string& address);

// One line of --json output: an object of strings and numbers, and arrays
// or objects kept as their text (not read into). Numbers keep their text.
// False when the line is not such an object.
bool ParseFlatJson(const std::string& line, std::map<std::string, std::string>* members);

}  // namespace schedule
