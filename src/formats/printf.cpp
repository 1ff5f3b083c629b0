#include "formats/printf.h"

#include <cstdio>

namespace {
constexpr size_t kDefaultMax = 8192;
}

std::string VPrintf(size_t maxLength, const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed <= 0)
        return {};
    size_t length = static_cast<size_t>(needed);
    std::string out(length, '\0');
    std::vsnprintf(out.data(), length + 1, format, args);
    if (out.size() > maxLength)
        out.resize(maxLength);
    return out;
}

std::string Printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string s = VPrintf(kDefaultMax, format, args);
    va_end(args);
    return s;
}

std::string PrintfBounded(size_t maxLength, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string s = VPrintf(maxLength, format, args);
    va_end(args);
    return s;
}
