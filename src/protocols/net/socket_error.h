#pragma once

#include <string>

namespace net {

// The short name of a socket error as the status lines and logs show it
// (INTR, CONNREFUSED, ...), for an errno value. An errno without a name is
// written as "<%d>".
std::string SocketErrorName(int errnoValue);

}  // namespace net
