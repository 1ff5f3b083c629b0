#include "capture/capture_rights.h"

#include <fstream>

#include <unistd.h>

namespace {

constexpr int kCapNetAdmin = 12;
constexpr int kCapNetRaw = 13;

}  // namespace

bool CaptureRightsIn(unsigned effectiveUid, const std::string& capEffHex)
{
    if (effectiveUid == 0)
        return true;
    if (capEffHex.empty() || capEffHex.size() > 16)
        return false;
    uint64_t caps = 0;
    for (char c : capEffHex) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        caps = caps << 4 | static_cast<uint64_t>(digit);
    }
    const uint64_t needed = (uint64_t{1} << kCapNetAdmin) | (uint64_t{1} << kCapNetRaw);
    return (caps & needed) == needed;
}

bool MayCaptureLive()
{
    std::ifstream status("/proc/self/status");
    if (!status)
        return true;
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("CapEff:", 0) != 0)
            continue;
        const size_t start = line.find_first_not_of(" \t", 7);
        return CaptureRightsIn(::geteuid(), start == std::string::npos ? "" : line.substr(start));
    }
    return true;
}

std::string CaptureRightsCommand(const std::string& programPath)
{
    const bool quote = programPath.find_first_of(" \t'\"$`\\") != std::string::npos;
    std::string path = programPath;
    if (quote) {
        // Single quotes keep everything but a single quote, written '\''.
        path.clear();
        for (char c : programPath)
            path += c == '\'' ? std::string("'\\''") : std::string(1, c);
        path = "'" + path + "'";
    }
    return "sudo setcap cap_net_raw,cap_net_admin+eip " + path;
}
