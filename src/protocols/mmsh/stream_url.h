#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/app_settings.h"

namespace mmsh {

class MessageLog;

// Every text of an address (the escaped address, host, path, absolute
// target, proxy text) holds at most this many bytes; longer input is
// refused, never cut or overrun.
constexpr size_t kMaxUrlText = 511;

// What the name service found for the host to connect to.
struct HostEntry {
    std::string officialName;
    uint32_t address = 0;  // IPv4, network byte order
};

// One parsed stream address, rebuilt for every target.
struct StreamUrl {
    std::string host;  // as written (after escaping); the "Host:" text
    uint16_t port = 80;
    std::string path;  // from the first "/" after the host, query included
    bool proxied = false;
    std::string absoluteTarget;  // the request target when proxied
    std::string connectHost;     // host, or the proxy host
    uint16_t connectPort = 80;
    bool hasHostEntry = false;
    HostEntry hostEntry;
    uint32_t address = 0;  // dotted connectHost, network byte order; 0 = none

    // The request target of line 1: the absolute form through a proxy.
    const std::string& RequestTarget() const { return proxied ? absoluteTarget : path; }
    // The IPv4 address to connect to (the entry's, else the dotted one).
    uint32_t ConnectAddress() const { return hasHostEntry ? hostEntry.address : address; }
};

// Escapes every byte outside the URL character set as %XX (upper case);
// "%" itself is kept, so an escaped address passes unchanged.
std::string EscapeUrl(std::string_view address);

// The C library's long conversion of text (leading blanks, sign, digits up
// to the first non-digit), truncated to 16 bits as the port fields are.
uint16_t ParsePortNumber(std::string_view text);

// True when text begins with one of the stream prefixes http://, mms://,
// mmsu://, mmst:// (ASCII case ignored).
bool HasStreamPrefix(std::string_view text);

// Splits an escaped address into host, port and path (net::SplitUrl: an
// http, mms, mmsu or mmst scheme or none, a host, a port from 1 to 65535 and
// a path; no user information). defaultPort is the target list's port.
// Reports "Invalid URL format!" and returns false when the address cannot
// be fetched.
bool ParseStreamUrl(std::string_view escaped, uint16_t defaultPort, StreamUrl* url, MessageLog& log);

// The proxy text ("host:port") the settings ask for, empty for none. With
// m_bypassProxy the computer's own first IPv4 address stands for the host.
std::string ProxyTextFromSettings(const AppSettings& settings);

// Fills the proxied fields (or copies host and port into connectHost and
// connectPort when proxyText is empty). Reports "Invalid proxy URL format!"
// and returns false when the proxy text is unusable.
bool ApplyProxy(StreamUrl* url, const std::string& proxyText, MessageLog& log);

// Finds the address to connect to. False when the target cannot be
// fetched: an empty connectHost (silently) or an unknown name ("Unable to
// resolve host '%s'!").
bool ResolveStreamHost(StreamUrl* url, MessageLog& log);

}  // namespace mmsh
