#pragma once

// Shared fixtures for every test executable: temporary folders, running
// child processes (fake servers, ffmpeg, the CLI), sample media made with
// ffmpeg, and the independent-decoder check of recorded files.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// The source tree and the build tree (for tests/servers, tests/data and the
// built programs).
std::string SourceDir();
std::string BinaryDir();
std::string ServerScript(const std::string& name);  // tests/servers/<name>

// A fresh folder under $TMPDIR, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
uint64_t FileSize(const std::string& path);

struct ProcessResult {
    int exitCode = -1;  // 128 + signal when killed by a signal
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs argv[0] (searched in PATH) with the given arguments and input, waits
// at most timeout, and kills it when it takes longer.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout = std::chrono::seconds(60),
                         const std::string& input = {},
                         const std::vector<std::string>& extraEnv = {});

// A child process that runs in the background until Stop() or destruction
// (SIGTERM, then SIGKILL). Its stdout is readable line by line.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // inFd and errFd (when not -1) become the child's stdin and stderr;
    // otherwise it reads /dev/null and its stderr is dropped.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
               int inFd = -1, int errFd = -1);
    // Closes our end of the child's stdout, as a reader that went away does.
    void CloseOutput();
    // Reads one line of the child's stdout (without the line end); false on
    // end of output or when nothing came within the timeout.
    bool ReadLine(std::string* line, std::chrono::milliseconds timeout);
    void Signal(int sig);
    // Waits for the child to exit; returns its exit code (128 + signal), or
    // -1 when it is still running after the timeout.
    int Wait(std::chrono::milliseconds timeout);
    void Stop();
    int pid() const { return pid_; }
    std::string RemainingOutput(std::chrono::milliseconds timeout);

private:
    int pid_ = -1;
    int outFd_ = -1;
    std::string buffered_;
    int exitCode_ = -1;
};

// A fake server from tests/servers, started on an ephemeral loopback port.
// The script prints "PORT <n>" as its first line; every script takes
// --port 0 and stops by itself after its lifetime.
class FakeServer {
public:
    // script: file name in tests/servers; args: the script's own options.
    bool Start(const std::string& script, const std::vector<std::string>& args = {});
    int port() const { return port_; }
    void Stop() { process_.Stop(); }
    ChildProcess& process() { return process_; }

private:
    ChildProcess process_;
    int port_ = 0;
};

// Sample media made with ffmpeg from its test sources, cached per test
// process. packetSize is the ASF packet size of the file.
struct SampleOptions {
    double seconds = 4.0;
    bool video = true;       // WMV2 video beside WMA2 audio; false: audio only
    int packetSize = 3200;
    int videoBitrateK = 300;
    // Another clip of the same settings and duration: other pictures, another tone.
    bool otherClip = false;
};
std::string MakeSampleAsf(const SampleOptions& options = {});

// True when the independent decoder reads the whole file without a single
// complaint: `ffmpeg -v error -xerror -i F -f null -` exits 0 and prints
// nothing. diagnostics receives what it printed.
bool DecodesCleanly(const std::string& path, std::string* diagnostics = nullptr);

// The duration ffprobe reports for a file, or a negative value when it
// reports none.
double ProbeDuration(const std::string& path);

}  // namespace testsupport
