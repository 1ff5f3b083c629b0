#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Conversions between the UTF-16LE that ASF headers and the MMS protocol
// carry and the UTF-8 used everywhere else in the program.

// Converts UTF-16LE bytes to UTF-8. Stops at the first NUL character or at
// the end of the bytes (an odd last byte is ignored). The result holds at
// most maxOut bytes and never ends in a partial character. Unpaired
// surrogates become U+FFFD.
std::string Utf16LeToUtf8(const uint8_t* p, size_t bytes, size_t maxOut = SIZE_MAX);

// Converts UTF-8 to UTF-16. Each byte that does not begin a well-formed
// sequence (overlong forms, surrogates and values above U+10FFFF included)
// becomes U+FFFD. No terminator is added.
std::u16string Utf8ToUtf16(std::string_view utf8);

// The same as little-endian bytes, as the wire and ASF files hold them.
std::string Utf8ToUtf16Le(std::string_view utf8);
