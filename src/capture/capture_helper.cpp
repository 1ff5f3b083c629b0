#include "capture/capture_helper.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

#include "formats/printf.h"

namespace {

constexpr char kHelperName[] = "brimcast-capture";
constexpr int kListTimeoutMs = 5000;
// How long a helper that was asked to end may take before it is killed.
constexpr int kEndGraceMs = 300;

// How a helper ended, to follow "it": "" for exit status 0.
std::string WaitStatusText(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status) == 0 ? std::string() : Printf("stopped with exit status %d", WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return Printf("was ended by signal %d", WTERMSIG(status));
    return "stopped";
}

int RemainingMs(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

std::string FindCaptureHelper()
{
    const std::string installed = std::string(BRIMCAST_LIBEXEC_DIR) + "/" + kHelperName;
    char exe[PATH_MAX] = {};
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return installed;
    const std::string program(exe, static_cast<size_t>(n));
    const std::string folder = program.substr(0, program.find_last_of('/'));  // .../bin
    const size_t up = folder.find_last_of('/');
    if (up != std::string::npos) {
        const std::string beside = folder.substr(0, up) + "/libexec/brimcast/" + kHelperName;
        struct stat info {};
        if (::stat(beside.c_str(), &info) == 0)
            return beside;
    }
    return installed;
}

std::string CaptureHelperProblem(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return Printf("The capture helper %s is not installed.", path.c_str());
        return Printf("Cannot run the capture helper %s: %s", path.c_str(), std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode))
        return Printf("The capture helper %s is not a program file.", path.c_str());
    // We run it with our own rights: someone else who could change it
    // would run their code as us.
    if ((info.st_uid != 0 && info.st_uid != ::getuid()) || (info.st_mode & (S_IWGRP | S_IWOTH)))
        return Printf("The capture helper %s may be changed by other users; it is not run.", path.c_str());
    return {};
}

CaptureHelperProcess::~CaptureHelperProcess() { Stop(); }

bool CaptureHelperProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                                 std::string* error, bool* notPermitted)
{
    if (notPermitted)
        *notPermitted = false;
    Stop();
    if (std::string problem = CaptureHelperProblem(program); !problem.empty()) {
        *error = problem;
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        *error = Printf("Cannot run the capture helper: %s", std::strerror(errno));
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP})
        sigaddset(&signals, sig);
    posix_spawnattr_setsigdefault(&attributes, &signals);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    char* environment[] = {nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environment);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        if (notPermitted)
            *notPermitted = rc == EACCES || rc == EPERM;
        *error = Printf("Cannot run the capture helper %s: %s", program.c_str(), std::strerror(rc));
        return false;
    }
    pid_ = pid;
    fd_ = fds[0];
    reader_ = capturehelper::RecordReader();
    return true;
}

CaptureHelperProcess::ReadStatus CaptureHelperProcess::Read(int timeoutMs)
{
    if (fd_ < 0)
        return ReadStatus::kEnd;
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? ReadStatus::kIdle : ReadStatus::kFailed;
    if (ready == 0)
        return ReadStatus::kIdle;
    char buffer[capturehelper::RecordReader::kMaxRead];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) {
        reader_.Feed(buffer, static_cast<size_t>(n));
        return ReadStatus::kData;
    }
    if (n == 0)
        return ReadStatus::kEnd;
    return errno == EINTR || errno == EAGAIN ? ReadStatus::kIdle : ReadStatus::kFailed;
}

bool CaptureHelperProcess::Reap(int waitMs, int* status)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const pid_t done = ::waitpid(pid_, status, WNOHANG);
        if (done == pid_ || (done < 0 && errno != EINTR)) {
            pid_ = -1;
            return done > 0;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string CaptureHelperProcess::Finish()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (pid_ <= 0)
        return {};
    int status = 0;
    if (Reap(kEndGraceMs, &status))
        return WaitStatusText(status);
    Stop();
    return "closed its output but went on";
}

void CaptureHelperProcess::Stop()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (pid_ <= 0)
        return;
    int status = 0;
    ::kill(pid_, SIGTERM);
    // Reap clears pid_ once the child is gone, also when someone else
    // reaped it: never signal a pid that is not ours any more.
    if (!Reap(kEndGraceMs, &status) && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    pid_ = -1;
}

bool ListCaptureAdapters(const std::string& helper, std::vector<CaptureAdapter>* adapters,
                         bool* mayCapture, std::string* error)
{
    using capturehelper::RecordReader;
    using capturehelper::RecordType;
    adapters->clear();
    *mayCapture = false;
    CaptureHelperProcess process;
    if (!process.Start(helper, {"--list"}, error))
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kListTimeoutMs);
    bool rights = false;
    for (;;) {
        RecordType type;
        std::string_view payload;
        RecordReader::Status status;
        while ((status = process.Next(&type, &payload)) == RecordReader::Status::kRecord) {
            capturehelper::AdapterRecord adapter;
            if (type == RecordType::kRights && !rights && payload.size() == 1) {
                rights = true;
                *mayCapture = payload[0] == 1;
            } else if (type == RecordType::kAdapter && rights && adapters->size() < capturehelper::kMaxAdapters &&
                       capturehelper::DecodeAdapter(payload, &adapter)) {
                adapters->push_back({adapter.name, adapter.description, adapter.addresses});
            } else if (type == RecordType::kError && !payload.empty()) {
                *error = capturehelper::ShownText(payload.substr(1), capturehelper::kMaxErrorBytes);
                return false;
            } else {
                status = RecordReader::Status::kMalformed;
                break;
            }
        }
        if (status == RecordReader::Status::kMalformed) {
            *error = Printf("The capture helper %s answered with something other than a list of adapters.",
                            helper.c_str());
            adapters->clear();
            return false;
        }
        const CaptureHelperProcess::ReadStatus read = process.Read(RemainingMs(deadline));
        if (read == CaptureHelperProcess::ReadStatus::kEnd) {
            const std::string how = process.Finish();
            if (rights && how.empty())
                return true;
            *error = Printf("The capture helper %s gave no list of adapters (it %s).", helper.c_str(),
                            how.empty() ? "gave no answer" : how.c_str());
            adapters->clear();
            return false;
        }
        if (read == CaptureHelperProcess::ReadStatus::kFailed || RemainingMs(deadline) == 0) {
            *error = Printf("The capture helper %s did not list the adapters.", helper.c_str());
            adapters->clear();
            return false;
        }
    }
}
