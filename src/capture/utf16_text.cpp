#include "capture/utf16_text.h"

namespace {

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

size_t Utf8Length(uint32_t cp)
{
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

}  // namespace

Utf16Text Utf16LeToUtf8(const uint8_t* data, size_t bytes, size_t maxChars, size_t maxBytes)
{
    Utf16Text result;
    const size_t units = bytes / 2;
    size_t chars = 0;
    size_t i = 0;
    while (i < units) {
        uint32_t cp = static_cast<uint32_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (cp == 0) {
            result.terminated = true;
            return result;
        }
        size_t used = 1;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            uint32_t low = 0;
            if (i + 1 < units)
                low = static_cast<uint32_t>(data[2 * i + 2] | (data[2 * i + 3] << 8));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                used = 2;
            } else {
                cp = 0xFFFD;
            }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (chars >= maxChars || result.text.size() + Utf8Length(cp) > maxBytes) {
            result.cut = true;
            // Still report whether the text was terminated within the bytes.
            for (size_t j = i; j < units; ++j) {
                if (data[2 * j] == 0 && data[2 * j + 1] == 0) {
                    result.terminated = true;
                    break;
                }
            }
            return result;
        }
        AppendUtf8(result.text, cp);
        ++chars;
        i += used;
    }
    return result;
}
