#pragma once

#include <string>

namespace capturetest {

// Installs the stand-in capture helper (fake_capture_helper.cpp) where a
// program in root/bin looks for it: root/libexec/brimcast/brimcast-capture,
// with a copy of the savefile it replays. Returns its path.
std::string InstallFakeHelper(const std::string& root, const std::string& replaySavefile);
// The real helper of this build.
std::string BuiltHelper();

}  // namespace capturetest
