#include "base/failed_attempt.h"

std::string AttemptsText(const std::vector<FailedAttempt>& attempts)
{
    std::string text;
    for (const FailedAttempt& a : attempts) {
        if (!text.empty())
            text += "; ";
        const char* transport = TransportName(a.transport);
        text += *transport ? std::string(transport) + ": " + a.reason : a.reason;
    }
    return text;
}

std::string FailureText(const std::string& message, const std::vector<FailedAttempt>& attempts)
{
    const std::string reasons = AttemptsText(attempts);
    if (reasons.empty())
        return message;
    if (message.empty())
        return reasons;
    return message + " (" + reasons + ")";
}
