#include "protocols/net/url_parts.h"

#include <utility>

#include "formats/ascii.h"

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

bool IsStreamAddress(std::string_view text)
{
    static constexpr std::string_view kSchemes[] = {"mms", "mmsh", "mmst", "mmsu", "rtsp", "http", "https"};
    UrlParts parts;
    if (!SplitUrl(text, &parts))
        return false;
    const std::string scheme = ascii::LowerCopy(parts.scheme);
    for (std::string_view s : kSchemes) {
        if (scheme == s)
            return true;
    }
    return false;
}

std::string HostOf(std::string_view url)
{
    UrlParts parts;
    SplitUrl(url, &parts);
    return parts.scheme.empty() ? std::string() : parts.host;
}

namespace {

// The scheme credentials are kept for and its default port.
std::pair<std::string, int> CredentialScheme(const std::string& scheme)
{
    const std::string lower = ascii::LowerCopy(scheme);
    if (lower == "https")
        return {"https", 443};
    if (lower == "rtsp" || lower == "rtspt" || lower == "rtspu")
        return {"rtsp", 554};
    if (lower.empty() || lower == "http" || lower == "mms" || lower == "mmsh" || lower == "mmst" ||
        lower == "mmsu")
        return {"http", 80};
    return {lower, 0};
}

}  // namespace

bool CredentialOriginOf(std::string_view url, CredentialOrigin* out)
{
    UrlParts parts;
    *out = CredentialOrigin{};
    if (!SplitUrl(url, &parts))
        return false;
    auto [scheme, defaultPort] = CredentialScheme(parts.scheme);
    out->scheme = scheme;
    out->host = ascii::LowerCopy(parts.host);
    out->port = parts.port != 0 ? parts.port : defaultPort;
    return true;
}

bool SameCredentialOrigin(std::string_view a, std::string_view b)
{
    CredentialOrigin first, second;
    return CredentialOriginOf(a, &first) && CredentialOriginOf(b, &second) && first == second;
}

CredentialSite CredentialSiteOf(std::string_view url)
{
    UrlParts parts;
    SplitUrl(url, &parts, /*schemeOptional=*/true);
    CredentialSite site;
    site.host = parts.host;
    site.bracketed = parts.bracketed;
    site.defaultPort = CredentialScheme(parts.scheme).second;
    site.port = parts.port != 0 ? parts.port : site.defaultPort;
    return site;
}

std::string WithoutUserInfo(std::string_view url)
{
    UrlParts parts;
    SplitUrl(url, &parts, /*schemeOptional=*/true);
    if (!parts.hasUserInfo)
        return std::string(url);
    // The user information ends at the last "@" before the path.
    const size_t start = parts.scheme.empty() ? 0 : parts.scheme.size() + 3;
    size_t end = url.find_first_of("/?#\\", start);
    if (end == std::string_view::npos)
        end = url.size();
    const size_t at = url.substr(0, end).rfind('@');
    if (at == std::string_view::npos || at < start)
        return std::string(url);
    return std::string(url.substr(0, start)) + std::string(url.substr(at + 1));
}

}  // namespace net
