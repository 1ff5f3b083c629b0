#pragma once

// Test-side construction of the commands the client must send, written
// from the command table: a zeroed packet of L + 16 bytes with its frame,
// and fields put in at their offsets.

#include <cstdint>
#include <string>

namespace mmswire {

std::string Hex(const std::string& bytes);
std::string FromHex(const std::string& hex);

struct Expected {
    std::string bytes;
    Expected(uint32_t code, uint32_t sequence, const char* stampHex, uint32_t messageLength);
    Expected& U32(size_t at, uint32_t value);
    Expected& Raw(size_t at, const std::string& raw);
    Expected& Utf16(size_t at, const std::u16string& text);
};

uint32_t U32At(const std::string& s, size_t at);

}  // namespace mmswire
