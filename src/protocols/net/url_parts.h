#pragma once

#include <string>

namespace net {

// The parts of a stream address scheme://[user[:password]@]host[:port]/path.
// path is everything from the first "/" after the host on, query included,
// exactly as written (no decoding); empty when the address has none.
// port is 0 when the address names none.
struct UrlParts {
    std::string scheme;
    std::string user;
    std::string password;
    std::string host;
    int port = 0;
    std::string path;
};

// False for text that is not such an address: no "://", no host, or a
// port that is not a number from 1 to 65535.
bool SplitUrl(const std::string& url, UrlParts* out);

}  // namespace net
