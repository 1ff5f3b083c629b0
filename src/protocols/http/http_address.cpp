#include "protocols/http/http_address.h"

#include "formats/ascii.h"
#include "protocols/net/url_parts.h"

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "%XX" becomes its byte; a "%" without two hexadecimal digits stays.
std::string PercentDecode(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() && text[i] == '%' ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Blanks, control bytes and bytes above 127 of a path go escaped, as a
// browser sends them; everything else (an escape already there included)
// stays.
std::string EscapeForRequest(const std::string& path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : path) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace

bool SplitHttpAddress(const std::string& address, HttpAddress* out)
{
    *out = HttpAddress{};
    net::UrlParts parts;
    if (!net::SplitUrl(address, &parts))
        return false;
    std::string path = parts.path.substr(0, parts.path.find('#'));
    if (path.empty())
        path = "/";
    out->target = (ascii::EqualsNoCase(parts.scheme, "https") ? "https://" : "http://") +
                  (parts.bracketed ? "[" + parts.host + "]" : parts.host) +
                  (parts.port != 0 ? ":" + std::to_string(parts.port) : std::string()) + EscapeForRequest(path);
    out->host = parts.host;
    out->user = PercentDecode(parts.user);
    out->password = PercentDecode(parts.password);
    return true;
}
