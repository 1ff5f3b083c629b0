#include "protocols/http/http_text.h"

namespace {

bool KeptAsIs(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

bool IsWhiteSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::string FormEncode(std::string_view text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (KeptAsIs(c)) {
            out += ch;
        } else if (IsWhiteSpace(c)) {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string FindMmsUrl(std::string_view page)
{
    const size_t end = page.find('\0');
    if (end != std::string_view::npos)
        page = page.substr(0, end);
    const size_t start = page.find("mms://");
    if (start == std::string_view::npos)
        return {};
    const size_t quote = page.find('"', start);
    if (quote == std::string_view::npos)
        return {};
    return std::string(page.substr(start, quote - start));
}
