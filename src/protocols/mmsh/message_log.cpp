#include "protocols/mmsh/message_log.h"

#include <cstdarg>

#include "formats/printf.h"

namespace mmsh {

void MessageLog::Note(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = VPrintf(kMaxMessage, format, args);
    va_end(args);
    last_ = std::move(text);
}

void MessageLog::Error(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = VPrintf(kMaxMessage, format, args);
    va_end(args);
    last_ = std::move(text);
}

}  // namespace mmsh
