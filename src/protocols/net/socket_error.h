#pragma once

#include <string>

namespace net {

// The short name of a socket error, as the Windows program named them
// (INTR, CONNREFUSED, ...), for an errno value. An errno without a name is
// written as "<%d>".
std::string SocketErrorName(int errnoValue);

// The same for a getaddrinfo() result (HOST_NOT_FOUND, TRY_AGAIN, ...).
std::string ResolverErrorName(int gaiError);

}  // namespace net
