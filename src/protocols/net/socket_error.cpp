#include "protocols/net/socket_error.h"

#include <cerrno>

#include "formats/printf.h"

namespace net {

namespace {

struct ErrorName {
    int errnoValue;
    const char* name;
};

// Every Windows socket error name with a POSIX counterpart. PROCLIM,
// SYSNOTREADY, VERNOTSUPPORTED, NOTINITIALISED and DISCON have none.
constexpr ErrorName kNames[] = {
    {EINTR, "INTR"},
    {EBADF, "BADF"},
    {EACCES, "ACCES"},
    {EFAULT, "FAULT"},
    {EINVAL, "INVAL"},
    {EMFILE, "MFILE"},
    {EWOULDBLOCK, "WOULDBLOCK"},
    {EINPROGRESS, "INPROGRESS"},
    {EALREADY, "ALREADY"},
    {ENOTSOCK, "NOTSOCK"},
    {EDESTADDRREQ, "DESTADDRREQ"},
    {EMSGSIZE, "MSGSIZE"},
    {EPROTOTYPE, "PROTOTYPE"},
    {ENOPROTOOPT, "NOPROTOOPT"},
    {EPROTONOSUPPORT, "PROTONOSUPPORT"},
    {ESOCKTNOSUPPORT, "SOCKTNOSUPPORT"},
    {EOPNOTSUPP, "OPNOTSUPP"},
    {EPFNOSUPPORT, "PFNOSUPPORT"},
    {EAFNOSUPPORT, "AFNOSUPPORT"},
    {EADDRINUSE, "ADDRINUSE"},
    {EADDRNOTAVAIL, "ADDRNOTAVAIL"},
    {ENETDOWN, "NETDOWN"},
    {ENETUNREACH, "NETUNREACH"},
    {ENETRESET, "NETRESET"},
    {ECONNABORTED, "CONNABORTED"},
    {ECONNRESET, "CONNRESET"},
    {ENOBUFS, "NOBUFS"},
    {EISCONN, "ISCONN"},
    {ENOTCONN, "NOTCONN"},
    {ESHUTDOWN, "SHUTDOWN"},
    {ETOOMANYREFS, "TOOMANYREFS"},
    {ETIMEDOUT, "TIMEDOUT"},
    {ECONNREFUSED, "CONNREFUSED"},
    {ELOOP, "LOOP"},
    {ENAMETOOLONG, "NAMETOOLONG"},
    {EHOSTDOWN, "HOSTDOWN"},
    {EHOSTUNREACH, "HOSTUNREACH"},
    {ENOTEMPTY, "NOTEMPTY"},
    {EUSERS, "USERS"},
    {EDQUOT, "DQUOT"},
    {ESTALE, "STALE"},
    {EREMOTE, "REMOTE"},
};

}  // namespace

std::string SocketErrorName(int errnoValue)
{
    for (const ErrorName& e : kNames) {
        if (e.errnoValue == errnoValue)
            return e.name;
    }
    return Printf("<%d>", errnoValue);
}

}  // namespace net
