#include "mms_wire.h"

#include <stdexcept>

namespace mmswire {

std::string Hex(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string FromHex(const std::string& hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

uint32_t U32At(const std::string& s, size_t at)
{
    if (at + 4 > s.size())
        throw std::out_of_range("U32At");
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
    return v;
}

Expected::Expected(uint32_t code, uint32_t sequence, const char* stampHex, uint32_t messageLength)
    : bytes(16 + messageLength, '\0')
{
    U32(0, 1).U32(4, 0xB00BFACE).U32(8, messageLength).Raw(12, "MMS ");
    U32(16, messageLength / 8).U32(20, sequence).Raw(24, FromHex(stampHex));
    U32(32, messageLength / 8 - 2).U32(36, code);
}

Expected& Expected::U32(size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(at + static_cast<size_t>(i)) = static_cast<char>(value >> (8 * i));
    return *this;
}

Expected& Expected::Raw(size_t at, const std::string& raw)
{
    if (at + raw.size() > bytes.size())
        throw std::out_of_range("Raw");
    bytes.replace(at, raw.size(), raw);
    return *this;
}

Expected& Expected::Utf16(size_t at, const std::u16string& text)
{
    for (char16_t u : text) {
        bytes.at(at++) = static_cast<char>(u & 0xFF);
        bytes.at(at++) = static_cast<char>(u >> 8);
    }
    return *this;
}

}  // namespace mmswire
