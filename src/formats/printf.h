#pragma once

#include <cstdarg>
#include <string>

// printf-style formatting into a std::string (C++20 here has no <format>).
// The result is cut at maxLength bytes, so a format fed with network text
// can never grow without bound.
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string PrintfBounded(size_t maxLength, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
std::string VPrintf(size_t maxLength, const char* format, va_list args);
