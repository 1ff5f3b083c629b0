#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Bounded conversion of UTF-16LE text taken from a captured frame into
// UTF-8. The text ends at the first 16-bit NUL or at the end of the bytes
// given, whichever comes first; a lone surrogate becomes U+FFFD. The result
// holds at most maxChars characters and maxBytes bytes and is always cut at
// a character boundary, so a hostile frame can neither overrun nor produce
// broken UTF-8.
struct Utf16Text {
    std::string text;
    bool terminated = false;  // a NUL was found within the bytes given
    bool cut = false;         // characters were dropped to respect the limits
};

Utf16Text Utf16LeToUtf8(const uint8_t* data, size_t bytes, size_t maxChars, size_t maxBytes);
