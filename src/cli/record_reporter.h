// The terminal output of brimcast-cli record: a line for each start, output
// file, reconnect, playlist entry and end, a progress line on a terminal, or
// one JSON object per event with --json.

#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/job_event.h"
#include "cli/json_events.h"

class CmmsThread;
class RecordJob;

class RecordReporter {
public:
    // quiet: only failures and incomplete recordings; json: events only.
    RecordReporter(bool quiet, bool json) : quiet_(quiet), json_(json) {}

    // row: the job's row in the list (its position, as --json reports it).
    void Handled(int row, const JobEvent& e, const CmmsThread& thread);
    // A user address that is not a network address: it is never recorded.
    void NotNetwork(const std::string& address);

    // The stream addresses found in pages and playlists, as recorded.
    const std::vector<std::string>& found() const { return found_; }
    bool Failed(const std::string& address) const { return failures_.count(address) != 0; }

private:
    struct Event {
        JsonObject object;
        Event& Add(const char* key, const std::string& v) { object.Add(key, v); return *this; }
        Event& Add(const char* key, int64_t v) { object.Add(key, v); return *this; }
        Event& Add(const char* key, int v) { object.Add(key, static_cast<int64_t>(v)); return *this; }
        void Emit(bool json) const;
    };
    static Event Json(const char* name, const RecordJob& job);
    // "  to PATH (DURATION)", once per output file of a job.
    void ShowOutput(uint16_t id);
    // One entry of a playlist of several: a line of its own, as a job's.
    void EntryFinished(const JobEvent& e, const RecordJob& job);
    // ", 2 outages, 0:00:07": the outages a recording went through, summed.
    static std::string OutagesText(const JobEvent& e);
    // "ADDRESS: completed -> PATH (SIZE)", "ADDRESS: failed: TEXT (REASONS)", ...
    static std::string EndLine(const std::string& address, const JobEvent& e);
    // Failures and incomplete recordings on stderr, the rest on stdout
    // unless quiet. The line quotes addresses, paths and server texts: it is
    // printed escaped.
    void Show(JobResult result, const std::string& line) const;
    void Finished(const JobEvent& e, const RecordJob& job);

    const bool quiet_;
    const bool json_;
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
