#include "protocols/mmsh/stream_url.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "formats/ascii.h"
#include "formats/printf.h"
#include "protocols/mmsh/message_log.h"
#include "protocols/net/tcp_connection.h"
#include "protocols/net/url_parts.h"

namespace mmsh {

namespace {

constexpr std::string_view kPrefixes[] = {"http://", "mms://", "mmsu://", "mmst://"};

bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsUnreserved(unsigned char c)
{
    if (IsLetter(c) || (c >= '0' && c <= '9'))
        return true;
    return c != 0 && std::strchr("-_.!~*'()%;/?:@&=+$,", c) != nullptr;
}

}  // namespace

std::string EscapeUrl(std::string_view address)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(address.size());
    for (char ch : address) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == 0)
            break;  // the text ends at its terminator
        if (IsUnreserved(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

uint16_t ParsePortNumber(std::string_view text)
{
    // strtol needs a terminated copy; anything past the digits is ignored,
    // so a bounded copy gives the same number.
    char buf[64];
    size_t n = std::min(text.size(), sizeof(buf) - 1);
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    long value = std::strtol(buf, nullptr, 10);
    return static_cast<uint16_t>(static_cast<unsigned long>(value));
}

bool HasStreamPrefix(std::string_view text)
{
    for (std::string_view prefix : kPrefixes) {
        if (ascii::StartsWithNoCase(text, prefix))
            return true;
    }
    return false;
}

bool ParseStreamUrl(std::string_view escaped, uint16_t defaultPort, StreamUrl* url, MessageLog& log)
{
    *url = StreamUrl{};
    url->port = defaultPort;
    if (escaped.size() > kMaxUrlText) {
        log.Error("Invalid URL format!");
        return false;
    }
    // Any of the four schemes, or none (a host and a path); a path is
    // required, user information is not taken. "/path" or "mms:///x" has
    // no host: local paths begin with "/" here, so a missing playlist file
    // ends up refused.
    net::UrlParts parts;
    const bool split = net::SplitUrl(escaped, &parts, /*schemeOptional=*/true);
    bool known = parts.scheme.empty();
    for (std::string_view prefix : kPrefixes)
        known = known || ascii::EqualsNoCase(parts.scheme, prefix.substr(0, prefix.size() - 3));
    if (!split || !known || parts.hasUserInfo || parts.path.empty()) {
        log.Error("Invalid URL format!");
        return false;
    }
    url->host = std::move(parts.host);
    url->path = std::move(parts.path);
    url->port = parts.port != 0 ? static_cast<uint16_t>(parts.port) : defaultPort;
    return true;
}

std::string ProxyTextFromSettings(const AppSettings& settings)
{
    if (settings.m_useProxy == 0)
        return {};
    if (settings.m_bypassProxy != 0) {
        char name[256];
        if (gethostname(name, sizeof(name)) != 0)
            return {};
        name[sizeof(name) - 1] = '\0';
        sockaddr_in own{};
        if (net::ResolveIPv4(name, &own) != 0)
            return {};
        const auto* b = reinterpret_cast<const unsigned char*>(&own.sin_addr.s_addr);
        return Printf("%d.%d.%d.%d:%d", b[0], b[1], b[2], b[3], settings.m_proxyPort);
    }
    // Not cut here: an over-long text is refused where it is applied.
    return settings.m_proxyServer + Printf(":%d", settings.m_proxyPort);
}

bool ApplyProxy(StreamUrl* url, const std::string& proxyText, MessageLog& log)
{
    if (proxyText.empty()) {
        url->proxied = false;
        url->connectHost = url->host;
        url->connectPort = url->port;
        return true;
    }
    std::string target = url->port == 80
                             ? "http://" + url->host + url->path
                             : "http://" + url->host + Printf(":%d", url->port) + url->path;
    if (target.size() > kMaxUrlText) {
        log.Error("Invalid URL format!");
        return false;
    }
    // "host:port", perhaps after "http://": nothing else.
    net::UrlParts proxy;
    if (proxyText.size() > kMaxUrlText || !net::SplitUrl(proxyText, &proxy, /*schemeOptional=*/true) ||
        !(proxy.scheme.empty() || ascii::EqualsNoCase(proxy.scheme, "http")) || proxy.hasUserInfo ||
        !proxy.path.empty()) {
        log.Error("Invalid proxy URL format!");
        return false;
    }
    url->proxied = true;
    url->absoluteTarget = std::move(target);
    url->connectHost = std::move(proxy.host);
    url->connectPort = proxy.port != 0 ? static_cast<uint16_t>(proxy.port) : url->port;
    return true;
}

bool ResolveStreamHost(StreamUrl* url, MessageLog& log)
{
    url->hasHostEntry = false;
    url->address = 0;
    if (url->connectHost.empty())
        return false;
    log.Info("Resolving host: '%s'\n", url->connectHost.c_str());
    if (!IsLetter(static_cast<unsigned char>(url->connectHost[0]))) {
        // Dotted form; text that is no address becomes all ones, as the
        // classic conversion has it.
        url->address = inet_addr(url->connectHost.c_str());
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = url->address;
        char name[NI_MAXHOST];
        if (getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof(sa), name, sizeof(name),
                        nullptr, 0, NI_NAMEREQD) == 0 &&
            std::strlen(name) <= kMaxUrlText) {
            url->hasHostEntry = true;
            url->hostEntry.officialName = name;
            url->hostEntry.address = url->address;
            url->connectHost = name;
        }
    } else {
        sockaddr_in sa{};
        std::string official;
        if (net::ResolveIPv4(url->connectHost, &sa, &official) != 0) {
            log.Error("Unable to resolve host '%s'!", url->connectHost.c_str());
            return false;
        }
        url->hasHostEntry = true;
        url->hostEntry.officialName =
            official.size() <= kMaxUrlText && !official.empty() ? official : url->connectHost;
        url->hostEntry.address = sa.sin_addr.s_addr;
    }
    return url->hasHostEntry || url->address != 0;
}

}  // namespace mmsh
