#include "protocols/net/url_parts.h"

namespace net {

namespace {

// A port: one to five digits, 1 to 65535; 0 when it is not one.
int PortNumber(std::string_view text)
{
    if (text.empty() || text.size() > 5)
        return 0;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value <= 65535 ? value : 0;
}

}  // namespace

bool SplitUrl(std::string_view url, UrlParts* out, bool schemeOptional)
{
    *out = UrlParts{};
    std::string_view rest = url;
    const size_t schemeEnd = url.find("://");
    const size_t firstSlash = url.find('/');
    // A "://" after the first "/" belongs to the path, not to a scheme.
    if (schemeEnd != std::string_view::npos && schemeEnd != 0 && firstSlash >= schemeEnd) {
        out->scheme = std::string(url.substr(0, schemeEnd));
        rest = url.substr(schemeEnd + 3);
    } else if (!schemeOptional) {
        return false;
    }
    const size_t authorityEnd = std::min(rest.find_first_of("/?#\\"), rest.size());
    std::string_view authority = rest.substr(0, authorityEnd);
    if (authorityEnd < rest.size()) {
        out->path = std::string(rest.substr(authorityEnd));
        if (out->path[0] != '/')
            out->path.insert(0, 1, '/');
    }

    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        authority.remove_prefix(at + 1);
        out->hasUserInfo = true;
        const size_t colon = userInfo.find(':');
        out->user = std::string(userInfo.substr(0, colon));
        if (colon != std::string_view::npos)
            out->password = std::string(userInfo.substr(colon + 1));
    }

    bool hasPort = false;
    std::string_view port;
    if (!authority.empty() && authority[0] == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            out->host = std::string(authority.substr(1));
            return false;
        }
        out->host = std::string(authority.substr(1, close - 1));
        out->bracketed = true;
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':')
                return false;
            hasPort = true;
            port = after.substr(1);
        }
    } else {
        const size_t colon = authority.rfind(':');
        out->host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos) {
            hasPort = true;
            port = authority.substr(colon + 1);
        }
    }
    if (hasPort)
        out->port = PortNumber(port);
    // No host holds a blank or a control byte.
    for (char c : out->host) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            return false;
    }
    return !out->host.empty() && (!hasPort || out->port != 0);
}

std::string HostOf(std::string_view url)
{
    UrlParts parts;
    SplitUrl(url, &parts);
    return parts.scheme.empty() ? std::string() : parts.host;
}

}  // namespace net
