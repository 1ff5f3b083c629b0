#include "protocols/http/http_address.h"

#include "formats/ascii.h"
#include "protocols/net/url_parts.h"

namespace {

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
    out->user = ascii::PercentDecode(parts.user);
    out->password = ascii::PercentDecode(parts.password);
    return true;
}
