#pragma once

#include <cstdint>
#include <mutex>
#include <string>

// The CLI's terminal output: result lines on stdout, messages on stderr,
// and, when stderr is a terminal, one progress line that is rewritten in
// place and cleared before anything else is printed. Every writer (main
// loop, prompts on the worker thread, the URL check's thread) goes through
// the one lock.
class Console {
public:
    static Console& Get();

    void EnableProgress(bool on) { progressEnabled_ = on; }
    bool ProgressEnabled() const { return progressEnabled_; }

    void Progress(const std::string& line);
    void ClearProgress();
    // stdout, with a line end. After the first failed write (a closed pipe)
    // nothing more goes there.
    void Out(const std::string& line);
    void Err(const std::string& line);  // stderr, with a line end

    // Held by a prompt for its whole exchange with the user.
    std::mutex& mutex() { return mutex_; }
    // For prompts that hold mutex(): clears the progress line.
    void ClearProgressLocked();

private:
    std::mutex mutex_;
    bool progressEnabled_ = false;
    bool progressShown_ = false;
    bool stdoutFailed_ = false;
};

// "  25%  0:01:05  1.2 MB  150 kB/s": percent (hundredths in), recorded
// time, size and the average rate over `seconds` of wall time. A live
// stream (progress 0) shows no percent.
std::string ProgressLine(uint32_t progress, uint32_t timeMs, uint64_t bytes, double seconds);
// "812 B", "1.5 kB", "12.3 MB", "1.02 GB".
std::string HumanSize(uint64_t bytes);
