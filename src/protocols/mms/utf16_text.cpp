#include "protocols/mms/utf16_text.h"

#include <cstdint>

namespace mms {

std::u16string Utf8ToUtf16(const std::string& text)
{
    std::u16string out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = p[i];
        uint32_t cp = 0xFFFD;
        size_t length = 1;
        uint32_t min = 0;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2, cp = c & 0x1F, min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3, cp = c & 0x0F, min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4, cp = c & 0x07, min = 0x10000;
        }
        if (length > 1) {
            bool ok = i + length <= n;
            for (size_t k = 1; ok && k < length; ++k) {
                if ((p[i + k] & 0xC0) != 0x80)
                    ok = false;
                else
                    cp = (cp << 6) | (p[i + k] & 0x3F);
            }
            if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                cp = 0xFFFD;
                length = 1;
            }
        }
        i += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::u16string CutUnits(const std::u16string& text, size_t maxUnits)
{
    if (text.size() <= maxUnits)
        return text;
    size_t n = maxUnits;
    if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF)
        --n;  // a high surrogate without its partner
    return text.substr(0, n);
}

}  // namespace mms
