#include "formats/utf16.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

size_t Utf8Length(char32_t c)
{
    if (c < 0x80)
        return 1;
    if (c < 0x800)
        return 2;
    if (c < 0x10000)
        return 3;
    return 4;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Decodes one character at s[i], advancing i; kReplacement for a byte that
// does not begin a well-formed sequence (only that byte is consumed).
char32_t DecodeUtf8(std::string_view s, size_t& i)
{
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    size_t need;
    char32_t c;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1, c = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2, c = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3, c = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (s.size() - i <= need) {
        ++i;
        return kReplacement;
    }
    for (size_t k = 1; k <= need; ++k) {
        unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += need + 1;
    return c;
}

}  // namespace

std::string Utf16LeToUtf8(const uint8_t* p, size_t bytes, size_t maxOut)
{
    std::string out;
    if (!p)
        return out;
    size_t units = bytes / 2;
    for (size_t i = 0; i < units; ++i) {
        char32_t u = static_cast<char32_t>(p[2 * i] | (p[2 * i + 1] << 8));
        if (u == 0)
            break;
        char32_t c = u;
        if (IsHighSurrogate(u)) {
            char32_t next = i + 1 < units ? static_cast<char32_t>(p[2 * i + 2] | (p[2 * i + 3] << 8)) : 0;
            if (IsLowSurrogate(next)) {
                c = 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            } else {
                c = kReplacement;
            }
        } else if (IsLowSurrogate(u)) {
            c = kReplacement;
        }
        if (out.size() + Utf8Length(c) > maxOut)
            break;
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = DecodeUtf8(utf8, i);
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::string Utf8ToUtf16Le(std::string_view utf8)
{
    std::u16string units = Utf8ToUtf16(utf8);
    std::string out;
    out.reserve(units.size() * 2);
    for (char16_t u : units) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
    return out;
}
