#pragma once

#include <string>
#include <vector>

#include "base/stream_info.h"

// One attempt of a recording's or a check's fallback chain that brought no
// recording: the transport tried, the address it was given, and why, in
// plain words ("connection refused", "HTTP 404 Not Found", ...).
struct FailedAttempt {
    StreamTransport transport = StreamTransport::None;
    std::string address;
    std::string reason;

    bool operator==(const FailedAttempt&) const = default;
};

// "MMS over TCP: connection refused; HTTP: HTTP 404 Not Found"; "" for none.
std::string AttemptsText(const std::vector<FailedAttempt>& attempts);
// A failure's message with the reasons of its attempts beside it:
// "Not Found (MMS over TCP: connection refused; ...)". Either part alone
// when the other is empty.
std::string FailureText(const std::string& message, const std::vector<FailedAttempt>& attempts);
