#include "protocols/net/failure_reason.h"

#include <cerrno>

#include "formats/printf.h"
#include "protocols/net/socket_error.h"

namespace net {

namespace {

// A reason phrase from the network is shown, so it is kept short and
// printable (the terminal escapes what is left).
constexpr size_t kMaxPhrase = 120;

}  // namespace

std::string ConnectFailure(TcpConnection::Status status, int error)
{
    if (status == TcpConnection::Status::Stopped)
        return {};
    if (status == TcpConnection::Status::TimedOut || error == ETIMEDOUT)
        return kNoAnswerInTime;
    if (error == ECONNREFUSED)
        return kConnectionRefused;
    return "cannot connect (" + SocketErrorName(error) + ")";
}

std::string ReadFailure(TcpConnection::Status status, int error, bool anythingReceived)
{
    switch (status) {
    case TcpConnection::Status::Ok:
    case TcpConnection::Status::Stopped:
        return {};
    case TcpConnection::Status::TimedOut:
        return kNoAnswerInTime;
    case TcpConnection::Status::Closed:
        return anythingReceived ? "the server closed the connection in the middle of its answer"
                                : kClosedWithoutAnswer;
    case TcpConnection::Status::Failed:
        break;
    }
    return "connection lost (" + SocketErrorName(error) + ")";
}

std::string HttpStatus(int code, const std::string& phrase)
{
    std::string shown;
    for (char c : phrase) {
        if (shown.size() >= kMaxPhrase)
            break;
        shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    }
    while (!shown.empty() && shown.back() == ' ')
        shown.pop_back();
    return shown.empty() ? Printf("HTTP %d", code) : Printf("HTTP %d %s", code, shown.c_str());
}

std::string ProtocolError(const std::string& what) { return "protocol error: " + what; }

}  // namespace net
