#pragma once

#include <string>
#include <string_view>

#include "base/app_settings.h"

namespace net {

// The parts of an address [scheme://][user[:password]@]host[:port][/path],
// as every client and the job driver read it. Nothing is decoded.
struct UrlParts {
    std::string scheme;  // without "://"; empty when the address names none
    bool hasUserInfo = false;
    std::string user;      // before the first ":" of what precedes the last "@"
    std::string password;  // after that ":"
    std::string host;      // an IPv6 literal without its brackets
    bool bracketed = false;  // the host was written in brackets (IPv6)
    int port = 0;            // 0: the address names none
    // From the first "/", "?" or "#" after the host on, query included, as
    // written ("/" put in front of a "?" or "#"); empty when there is none.
    std::string path;
};

// Splits an address. The host part ends at the first "/", "?", "#" or "\"
// (lists made on Windows use the last). False when the address has no
// "scheme://" (unless schemeOptional), no host, a host with a blank or a
// control byte, or a port that is not a number from 1 to 65535 (an empty one
// included); out holds what was found either way.
bool SplitUrl(std::string_view url, UrlParts* out, bool schemeOptional = false);

// Whether the text is a stream address a recording can be given: one of
// the schemes mms, mmsh, mmst, mmsu, rtsp, http and https (in any case),
// then "://" and a host SplitUrl accepts. Local paths and playlists are
// not addresses in this sense.
bool IsStreamAddress(std::string_view text);

// The host of an address that names a scheme ("" when it names none, or
// none could be found), however its port is written.
std::string HostOf(std::string_view url);

// Where credentials given for an address belong: its scheme, host and port.
// mms, mmsh, mmst, mmsu and http addresses share the scheme "http" (the
// streaming client asks them over HTTP, port 80 unless one is named), https
// has port 443, rtsp 554; host names compare without regard to ASCII case.
struct CredentialOrigin {
    std::string scheme;
    std::string host;  // in lower case
    int port = 0;
    bool operator==(const CredentialOrigin&) const = default;
};
// False when the address cannot be split (it then belongs nowhere).
bool CredentialOriginOf(std::string_view url, CredentialOrigin* out);
// Both addresses split and name the same scheme, host and port.
bool SameCredentialOrigin(std::string_view a, std::string_view b);
// The credential store's site for an address: its host as written and its
// port (see CredentialOrigin).
CredentialSite CredentialSiteOf(std::string_view url);
// The address without its user information ("user:password@").
std::string WithoutUserInfo(std::string_view url);

}  // namespace net
