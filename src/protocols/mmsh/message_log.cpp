#include "protocols/mmsh/message_log.h"

#include <cstdarg>

#include "formats/printf.h"

namespace mmsh {

void MessageLog::Emit(Level level, std::string text)
{
    if (observer_)
        observer_(level, text);
    if (level != Level::Info)
        last_ = std::move(text);
}

void MessageLog::Info(const char* format, ...)
{
    if (!observer_)
        return;  // dropped anyway; spare the formatting
    va_list args;
    va_start(args, format);
    std::string text = VPrintf(kMaxMessage, format, args);
    va_end(args);
    Emit(Level::Info, std::move(text));
}

void MessageLog::Note(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = VPrintf(kMaxMessage, format, args);
    va_end(args);
    Emit(Level::Note, std::move(text));
}

void MessageLog::Error(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = VPrintf(kMaxMessage, format, args);
    va_end(args);
    Emit(Level::Error, std::move(text));
}

}  // namespace mmsh
