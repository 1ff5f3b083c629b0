#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace schedule {

// What a program of the system said and how it ended.
struct ToolResult {
    bool started = false;  // false: it could not be run (not installed)
    int exitCode = -1;     // 128 + signal when a signal ended it
    bool timedOut = false;
    std::string out;
    std::string err;

    bool ok() const { return started && exitCode == 0; }
    // Its first line of complaint, or why it could not run.
    std::string Complaint() const;
};

// Runs argv[0] (looked up in PATH) with stdin from /dev/null, collects what
// it writes (each stream up to 1 MiB), and kills it when it runs longer than
// the timeout.
ToolResult RunTool(const std::vector<std::string>& argv,
                   std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace schedule
