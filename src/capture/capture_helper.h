#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "capture/helper_protocol.h"

// One network adapter as the capture helper lists it.
struct CaptureAdapter {
    std::string name;
    std::string description;  // may be empty
    std::vector<std::string> addresses = {};  // its IPv4 and IPv6 addresses, as text
};

// The capture helper, brimcast-capture: the only program of ours that may
// hold the right to capture. Its path comes from the kernel's record of the
// running program (<that folder>/../libexec/brimcast/, which is also where
// the build tree puts it), else from the folder this build installs into;
// never from the environment.
std::string FindCaptureHelper();

// Why the helper at path is not to be run ("" when it may be): it must be a
// regular file that only root or this user can change.
std::string CaptureHelperProblem(const std::string& path);

// The helper as a child process: its standard output is a pipe read here,
// its standard input and error are /dev/null, its environment is empty, and
// it runs in a process group of its own, so a terminal's Ctrl+C reaches the
// front end only, which then stops it. It is never left running: Stop() and
// the destructor end and reap it, and the helper ends itself when the thread
// that started it ends (so start it from one that outlives it: the main
// thread).
class CaptureHelperProcess {
public:
    CaptureHelperProcess() = default;
    ~CaptureHelperProcess();
    CaptureHelperProcess(const CaptureHelperProcess&) = delete;
    CaptureHelperProcess& operator=(const CaptureHelperProcess&) = delete;

    // False with the reason in *error; *notPermitted when this user may not
    // run the helper at all.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               std::string* error, bool* notPermitted = nullptr);

    enum class ReadStatus { kData, kIdle, kEnd, kFailed };
    // Waits up to timeoutMs for output and adds it to the records.
    ReadStatus Read(int timeoutMs);
    // The next whole record read so far.
    capturehelper::RecordReader::Status Next(capturehelper::RecordType* type, std::string_view* payload)
    {
        return reader_.Next(type, payload);
    }
    const std::string& problem() const { return reader_.problem(); }

    // After the end of its output: how the helper ended, to follow "it"
    // ("stopped with exit status 3"), "" for exit status 0. It is given a
    // moment to exit by itself, then ended.
    std::string Finish();
    // Ends it at once (SIGTERM, then SIGKILL) and reaps it.
    void Stop();
    pid_t pid() const { return pid_; }

private:
    // Reaps the child if it ends within waitMs; true with its wait status.
    bool Reap(int waitMs, int* status);

    pid_t pid_ = -1;
    int fd_ = -1;
    capturehelper::RecordReader reader_;
};

// Lists the adapters through the helper (`--list`), within a few seconds.
// *mayCapture: whether the helper holds the right to capture. False, with
// the reason in *error, when the helper cannot be run or its answer is
// malformed.
bool ListCaptureAdapters(const std::string& helper, std::vector<CaptureAdapter>* adapters,
                         bool* mayCapture, std::string* error);
