#include "capture/capture_rights.h"

#include "formats/printf.h"

namespace {

// A path as one word of a shell command.
std::string ShellWord(const std::string& text)
{
    if (text.find_first_of(" \t'\"$`\\") == std::string::npos)
        return text;
    // Single quotes keep everything but a single quote, written '\''.
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

bool IsPackagedCaptureHelper(const std::string& helperPath)
{
    return helperPath == "/usr/libexec/brimcast/brimcast-capture";
}

std::string CaptureRightsCommand(const std::string& helperPath)
{
    return "sudo setcap cap_net_raw+ep " + ShellWord(helperPath);
}

std::string CaptureRightsHint(const std::string& helperPath)
{
    std::string hint = Printf("Live capture goes through the capture helper %s, which needs the "
                              "cap_net_raw capability (or root).",
                              helperPath.c_str());
    if (IsPackagedCaptureHelper(helperPath))
        return hint + Printf(" Answering yes to `sudo dpkg-reconfigure brimcast` grants it to the members "
                             "of the group %s; join it with `sudo adduser $USER %s` and log in again.",
                             kCaptureGroup, kCaptureGroup);
    return hint + " `" + CaptureRightsCommand(helperPath) + "` grants it to every user who may run the helper.";
}
