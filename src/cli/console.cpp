#include "cli/console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "formats/printf.h"

Console& Console::Get()
{
    static Console console;
    return console;
}

void Console::Progress(const std::string& line)
{
    std::lock_guard lock(mutex_);
    if (!progressEnabled_)
        return;
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
    progressShown_ = true;
}

void Console::ClearProgressLocked()
{
    if (!progressShown_)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    progressShown_ = false;
}

void Console::ClearProgress()
{
    std::lock_guard lock(mutex_);
    ClearProgressLocked();
}

void Console::Out(const std::string& line)
{
    std::lock_guard lock(mutex_);
    ClearProgressLocked();
    if (stdoutFailed_)
        return;
    errno = 0;
    std::fprintf(stdout, "%s\n", line.c_str());
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return;
    // The reader went away (`| head -1`) or the disk is full: said once, and
    // the work goes on without standard output.
    const int code = errno;
    stdoutFailed_ = true;
    std::fprintf(stderr, "brimcast-cli: cannot write to standard output (%s); going on without it\n",
                 std::strerror(code != 0 ? code : EIO));
    std::fflush(stderr);
}

void Console::Err(const std::string& line)
{
    std::lock_guard lock(mutex_);
    ClearProgressLocked();
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

std::string HumanSize(uint64_t bytes)
{
    if (bytes < 1000)
        return Printf("%u B", static_cast<unsigned>(bytes));
    const char* units[] = {"kB", "MB", "GB", "TB"};
    double v = static_cast<double>(bytes) / 1000.0;
    int u = 0;
    while (v >= 1000.0 && u < 3) {
        v /= 1000.0;
        ++u;
    }
    if (v < 10.0)
        return Printf("%.2f %s", v, units[u]);
    if (v < 100.0)
        return Printf("%.1f %s", v, units[u]);
    return Printf("%.0f %s", v, units[u]);
}

std::string ProgressLine(uint32_t progress, uint32_t timeMs, uint64_t bytes, double seconds)
{
    const unsigned t = timeMs / 1000;
    std::string line = progress > 0 ? Printf("%3u%%  ", progress / 100) : std::string("live  ");
    line += Printf("%u:%02u:%02u  ", t / 3600, t / 60 % 60, t % 60);
    line += HumanSize(bytes);
    if (seconds > 0.5)
        line += "  " + HumanSize(static_cast<uint64_t>(static_cast<double>(bytes) / seconds)) + "/s";
    return line;
}
