#include "formats/legacy_text.h"

#include <cerrno>
#include <cstdint>

#include <iconv.h>

namespace {

// Length of the UTF-8 sequence that starts at text[i], or 0 when it is not
// a well-formed one.
size_t Utf8SequenceLength(std::string_view text, size_t i)
{
    const auto at = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t b = at(i);
    const size_t left = text.size() - i;
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        return left >= 2 && (at(i + 1) & 0xC0) == 0x80 ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        if (left < 3 || (at(i + 1) & 0xC0) != 0x80 || (at(i + 2) & 0xC0) != 0x80)
            return 0;
        if (b == 0xE0 && at(i + 1) < 0xA0)
            return 0;  // overlong
        if (b == 0xED && at(i + 1) >= 0xA0)
            return 0;  // surrogate
        return 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (left < 4 || (at(i + 1) & 0xC0) != 0x80 || (at(i + 2) & 0xC0) != 0x80 ||
            (at(i + 3) & 0xC0) != 0x80)
            return 0;
        if (b == 0xF0 && at(i + 1) < 0x90)
            return 0;  // overlong
        if (b == 0xF4 && at(i + 1) >= 0x90)
            return 0;  // above U+10FFFF
        return 4;
    }
    return 0;
}

bool IsAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<uint8_t>(c) >= 0x80)
            return false;
    return true;
}

constexpr char kReplacement[] = "\xEF\xBF\xBD";
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

}  // namespace

bool IsValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const size_t n = Utf8SequenceLength(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

Cp949Decoder::Cp949Decoder() : cd_(iconv_open("UTF-8", "CP949")) {}

Cp949Decoder::~Cp949Decoder()
{
    if (static_cast<iconv_t>(cd_) != kNoConverter)
        iconv_close(static_cast<iconv_t>(cd_));
}

std::string Cp949Decoder::Convert(std::string_view text)
{
    if (IsAscii(text))
        return std::string(text);  // ASCII is the same in both
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    const iconv_t cd = static_cast<iconv_t>(cd_);
    if (cd == kNoConverter) {
        // No CP949 tables installed: keep ASCII, mark everything else.
        for (char c : text) {
            if (static_cast<uint8_t>(c) < 0x80)
                out += c;
            else
                out += kReplacement;
        }
        return out;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[1024];
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* o = buffer;
        size_t outLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (r != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        if (errno == EINVAL)
            break;  // a lead byte without its trail at the end: dropped
        // EILSEQ: mark the byte, skip it and start afresh. Some converters
        // report EILSEQ after they have consumed the whole input.
        out += kReplacement;
        if (inLeft == 0)
            break;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

std::string Cp949ToUtf8(std::string_view text)
{
    if (IsAscii(text))
        return std::string(text);
    Cp949Decoder decoder;
    return decoder.Convert(text);
}

std::string LegacyTextToUtf8(std::string_view text)
{
    if (IsValidUtf8(text))
        return std::string(text);
    return Cp949ToUtf8(text);
}

std::string_view CutUtf8(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    // Step back over continuation bytes to the start of the character that
    // would be split; at most three of them belong to one character.
    size_t steps = 0;
    while (end > 0 && steps < 4 && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80) {
        --end;
        ++steps;
    }
    if (steps == 4)
        end = maxBytes;  // not UTF-8 here: a plain byte cut
    return text.substr(0, end);
}
