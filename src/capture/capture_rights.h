#pragma once

#include <string>

// Who may capture from a live adapter: whoever may run the capture helper
// while it holds the cap_net_raw capability. The Debian package gives it
// that capability only when the administrator agrees, and then only the
// members of one group may run it.
constexpr char kCaptureGroup[] = "brimcast-capture";

// Whether the helper is the one the package installs (and manages).
bool IsPackagedCaptureHelper(const std::string& helperPath);

// The command that gives a helper the capability, for every user who may
// run it.
std::string CaptureRightsCommand(const std::string& helperPath);

// How to get the right to capture, in a few sentences for a message.
std::string CaptureRightsHint(const std::string& helperPath);
