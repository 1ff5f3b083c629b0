#pragma once

#include <cstdint>
#include <string>

// Whether this process may capture from a live network adapter: it runs as
// root, or holds both CAP_NET_RAW and CAP_NET_ADMIN among its effective
// capabilities (what `setcap cap_net_raw,cap_net_admin+eip` on the program
// gives it). Read from /proc/self/status; true when that cannot be read
// (the open of the adapter then says what is wrong).
bool MayCaptureLive();
// The same decision on an effective user id and the "CapEff:" value of
// /proc/<pid>/status (hexadecimal); false for a value that does not parse.
bool CaptureRightsIn(unsigned effectiveUid, const std::string& capEffHex);

// The command that grants a program the rights to capture.
std::string CaptureRightsCommand(const std::string& programPath);
