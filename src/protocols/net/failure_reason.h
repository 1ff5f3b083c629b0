#pragma once

#include <string>

#include "protocols/net/tcp_connection.h"

// Why a recording attempt brought nothing, in plain words for the user. The
// clients report one through ClientHooks::OnFailureReason beside their
// error messages, which keep their established texts.
namespace net {

inline constexpr const char* kNotAStreamAddress = "not a stream address";
inline constexpr const char* kNameNotResolved = "name not resolved";
inline constexpr const char* kConnectionRefused = "connection refused";
inline constexpr const char* kNoAnswerInTime = "no answer in time";
inline constexpr const char* kClosedWithoutAnswer = "the server closed the connection without an answer";
inline constexpr const char* kNotWindowsMedia = "not a Windows Media stream";
inline constexpr const char* kNoCredentials = "401 and no credentials";
inline constexpr const char* kCredentialsRefused = "401: the credentials were refused";

// A connect that failed: refused, no answer in time, or "cannot connect
// (NAME)" with the socket error's name. Nothing for a stop.
std::string ConnectFailure(TcpConnection::Status status, int error);
// A read that ended the exchange before the server's answer was whole:
// closed without an answer (nothing came yet) or mid-answer, no answer in
// time, or the connection broken.
std::string ReadFailure(TcpConnection::Status status, int error, bool anythingReceived);
// "HTTP 404 Not Found" (the server's reason phrase, bounded; the code alone
// when it gave none).
std::string HttpStatus(int code, const std::string& phrase);
// "protocol error: " and what was wrong.
std::string ProtocolError(const std::string& what);

}  // namespace net
