#pragma once

#include <string>

// An address as the HTTP download and the credential probe use it, split by
// net::SplitUrl. Any scheme is accepted: an mms:// or rtsp:// address that
// falls back to the download is fetched over HTTP from the same host, port
// and object (port 80 unless the address names one). Only https:// keeps
// its own scheme. Blanks, control bytes and bytes above 127 of the path go
// escaped; a fragment is not sent.
struct HttpAddress {
    std::string target;    // what is requested: scheme, host, port, path, query
    std::string host;      // the server name, as the credential store keys it
    std::string user;      // from the address itself, percent-decoded
    std::string password;  // (both empty when the address carries none)
};

// False when the address cannot be split (no scheme, no host, ...).
bool SplitHttpAddress(const std::string& address, HttpAddress* out);
