#include "test_support.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string SourceDir() { return BRIMCAST_SOURCE_DIR; }
std::string BinaryDir() { return BRIMCAST_BINARY_DIR; }
std::string ServerScript(const std::string& name) { return SourceDir() + "/tests/servers/" + name; }

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/brimcast-test-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

uint64_t FileSize(const std::string& path)
{
    std::error_code ec;
    auto n = fs::file_size(path, ec);
    return ec ? 0 : n;
}

namespace {

std::vector<char*> MakeArgv(const std::vector<std::string>& args)
{
    std::vector<char*> v;
    for (const std::string& a : args)
        v.push_back(const_cast<char*>(a.c_str()));
    v.push_back(nullptr);
    return v;
}

std::vector<std::string> MergedEnv(const std::vector<std::string>& extra)
{
    std::map<std::string, std::string> env;
    std::vector<std::string> order;
    auto add = [&](const std::string& kv) {
        std::string key = kv.substr(0, kv.find('='));
        if (!env.count(key))
            order.push_back(key);
        env[key] = kv;
    };
    for (char** e = environ; *e; ++e)
        add(*e);
    for (const std::string& kv : extra)
        add(kv);
    std::vector<std::string> out;
    for (const std::string& k : order)
        out.push_back(env[k]);
    return out;
}

int DecodeStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

int Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, int inFd,
          int outFd, int errFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, inFd, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Own process group, so that Stop() also reaches grandchildren.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    std::vector<std::string> env = MergedEnv(extraEnv);
    std::vector<char*> args = MakeArgv(argv);
    std::vector<char*> envp = MakeArgv(env);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0].c_str(), &actions, &attr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : -1;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                         const std::string& input, const std::vector<std::string>& extraEnv)
{
    ProcessResult result;
    int outPipe[2], errPipe[2], inPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0 ||
        pipe2(inPipe, O_CLOEXEC) != 0)
        return result;
    int pid = Spawn(argv, extraEnv, inPipe[0], outPipe[1], errPipe[1]);
    close(outPipe[1]);
    close(errPipe[1]);
    close(inPipe[0]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        close(inPipe[1]);
        result.err = "cannot start " + argv[0];
        return result;
    }
    std::thread writer([fd = inPipe[1], input] {
        size_t off = 0;
        signal(SIGPIPE, SIG_IGN);
        while (off < input.size()) {
            ssize_t n = write(fd, input.data() + off, input.size() - off);
            if (n <= 0)
                break;
            off += static_cast<size_t>(n);
        }
        close(fd);
    });
    const auto deadline = Clock::now() + timeout;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    char buf[65536];
    while (open > 0) {
        int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (left <= 0) {
            result.timedOut = true;
            kill(-pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, std::min(left, 200)) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            ssize_t n = read(fds[i].fd, buf, sizeof(buf));
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
            }
        }
    }
    for (pollfd& p : fds)
        if (p.fd >= 0)
            close(p.fd);
    int status = 0;
    waitpid(pid, &status, 0);
    writer.join();
    result.exitCode = DecodeStatus(status);
    return result;
}

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                         int inFd, int childErrFd)
{
    Stop();
    int outPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        return false;
    int errFd = childErrFd >= 0 ? dup(childErrFd) : open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (childErrFd < 0 && std::getenv("BRIMCAST_TEST_SERVER_STDERR"))
        errFd = dup(2);
    pid_ = Spawn(argv, extraEnv, inFd, outPipe[1], errFd);
    close(outPipe[1]);
    close(errFd);
    outFd_ = outPipe[0];
    buffered_.clear();
    exitCode_ = -1;
    if (pid_ < 0) {
        close(outFd_);
        outFd_ = -1;
        return false;
    }
    return true;
}

bool ChildProcess::ReadLine(std::string* line, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        size_t nl = buffered_.find('\n');
        if (nl != std::string::npos) {
            *line = buffered_.substr(0, nl);
            if (!line->empty() && line->back() == '\r')
                line->pop_back();
            buffered_.erase(0, nl + 1);
            return true;
        }
        if (outFd_ < 0)
            return false;
        int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (left <= 0)
            return false;
        pollfd p{outFd_, POLLIN, 0};
        if (poll(&p, 1, left) <= 0)
            continue;
        char buf[4096];
        ssize_t n = read(outFd_, buf, sizeof(buf));
        if (n <= 0) {
            close(outFd_);
            outFd_ = -1;
            continue;
        }
        buffered_.append(buf, static_cast<size_t>(n));
    }
}

std::string ChildProcess::RemainingOutput(std::chrono::milliseconds timeout)
{
    std::string all, line;
    while (ReadLine(&line, timeout))
        all += line + "\n";
    all += buffered_;
    buffered_.clear();
    return all;
}

void ChildProcess::CloseOutput()
{
    if (outFd_ >= 0)
        close(outFd_);
    outFd_ = -1;
    buffered_.clear();
}

void ChildProcess::Signal(int sig)
{
    if (pid_ > 0)
        kill(pid_, sig);
}

int ChildProcess::Wait(std::chrono::milliseconds timeout)
{
    if (pid_ <= 0)
        return exitCode_;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            exitCode_ = DecodeStatus(status);
            pid_ = -1;
            return exitCode_;
        }
        if (Clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ChildProcess::Stop()
{
    if (pid_ > 0) {
        kill(-pid_, SIGTERM);
        if (Wait(std::chrono::seconds(3)) < 0) {
            kill(-pid_, SIGKILL);
            Wait(std::chrono::seconds(5));
        }
    }
    if (outFd_ >= 0) {
        close(outFd_);
        outFd_ = -1;
    }
}

bool FakeServer::Start(const std::string& script, const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {"python3", "-u", ServerScript(script), "--port", "0"};
    argv.insert(argv.end(), args.begin(), args.end());
    if (!process_.Start(argv))
        return false;
    std::string line;
    while (process_.ReadLine(&line, std::chrono::seconds(20))) {
        if (line.rfind("PORT ", 0) == 0) {
            port_ = std::atoi(line.c_str() + 5);
            return port_ > 0;
        }
    }
    process_.Stop();
    return false;
}

std::string MakeSampleAsf(const SampleOptions& options)
{
    static std::mutex mutex;
    static std::map<std::string, std::string> cache;
    static TempDir* dir = new TempDir();  // lives until the process ends
    char key[128];
    std::snprintf(key, sizeof(key), "%.3f-%d-%d-%d%s", options.seconds, options.video ? 1 : 0,
                  options.packetSize, options.videoBitrateK, options.otherClip ? "-other" : "");
    std::lock_guard lock(mutex);
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    std::string path = dir->File(std::string("sample-") + key + ".asf");
    char seconds[32];
    std::snprintf(seconds, sizeof(seconds), "%.3f", options.seconds);
    std::vector<std::string> argv = {"ffmpeg", "-v", "error", "-y"};
    if (options.video) {
        argv.insert(argv.end(), {"-f", "lavfi", "-i",
                                 options.otherClip ? "testsrc2=size=176x144:rate=15" : "testsrc=size=176x144:rate=15"});
    }
    argv.insert(argv.end(), {"-f", "lavfi", "-i",
                             options.otherClip ? "sine=frequency=660:sample_rate=22050"
                                               : "sine=frequency=440:sample_rate=22050",
                             "-t", seconds});
    if (options.video) {
        argv.insert(argv.end(), {"-c:v", "wmv2", "-b:v", std::to_string(options.videoBitrateK) + "k",
                                 "-g", "15"});
    }
    argv.insert(argv.end(), {"-c:a", "wmav2", "-b:a", "64k", "-ac", "2", "-packet_size",
                             std::to_string(options.packetSize), "-f", "asf", path});
    ProcessResult r = RunProcess(argv, std::chrono::seconds(120));
    if (r.exitCode != 0)
        throw std::runtime_error("ffmpeg could not make a sample: " + r.err);
    cache[key] = path;
    return path;
}

bool DecodesCleanly(const std::string& path, std::string* diagnostics)
{
    ProcessResult r = RunProcess({"ffmpeg", "-nostdin", "-v", "error", "-xerror", "-i", path, "-f",
                                  "null", "-"},
                                 std::chrono::seconds(120));
    if (diagnostics)
        *diagnostics = r.out + r.err;
    return r.exitCode == 0 && r.out.empty() && r.err.empty();
}

double ProbeDuration(const std::string& path)
{
    ProcessResult r = RunProcess({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                                  "default=noprint_wrappers=1:nokey=1", path},
                                 std::chrono::seconds(60));
    if (r.exitCode != 0)
        return -1;
    char* end = nullptr;
    double d = std::strtod(r.out.c_str(), &end);
    return end == r.out.c_str() ? -1 : d;
}

}  // namespace testsupport
