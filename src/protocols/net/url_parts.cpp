#include "protocols/net/url_parts.h"

#include <cctype>

namespace net {

bool SplitUrl(const std::string& url, UrlParts* out)
{
    *out = UrlParts{};
    size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos || schemeEnd == 0)
        return false;
    out->scheme = url.substr(0, schemeEnd);
    size_t authorityStart = schemeEnd + 3;
    size_t authorityEnd = url.find_first_of("/?#", authorityStart);
    if (authorityEnd == std::string::npos)
        authorityEnd = url.size();
    std::string authority = url.substr(authorityStart, authorityEnd - authorityStart);
    if (authorityEnd < url.size()) {
        out->path = url.substr(authorityEnd);
        if (out->path[0] != '/')
            out->path = "/" + out->path;
    }

    size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        std::string userInfo = authority.substr(0, at);
        authority.erase(0, at + 1);
        size_t colon = userInfo.find(':');
        out->user = userInfo.substr(0, colon);
        if (colon != std::string::npos)
            out->password = userInfo.substr(colon + 1);
    }

    size_t colon = authority.rfind(':');
    std::string port;
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        if (close == std::string::npos)
            return false;
        out->host = authority.substr(1, close - 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':')
                return false;
            port = authority.substr(close + 2);
        }
    } else if (colon != std::string::npos) {
        out->host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
    } else {
        out->host = authority;
    }
    if (out->host.empty())
        return false;
    if (!port.empty()) {
        if (port.size() > 5)
            return false;
        int value = 0;
        for (char c : port) {
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return false;
            value = value * 10 + (c - '0');
        }
        if (value < 1 || value > 65535)
            return false;
        out->port = value;
    }
    return true;
}

}  // namespace net
