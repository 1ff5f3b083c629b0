#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mmsh {

// A client identifier "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": 38
// characters, each digit 0-9 or A-E (the generator draws modulo 15).
std::string MakeClientGuid(unsigned seed);
// A fresh identifier: seeded from the clock and a process-wide counter, so
// that two targets in the same second still differ.
std::string NewClientGuid();

// Standard Base64 (RFC 4648 alphabet, "=" padding).
std::string Base64Encode(std::string_view bytes);

// The value of the "Authorization: Basic" line for user and password, or
// empty when either is empty (no line is sent) or when "user:password"
// exceeds the 511 bytes the client allows for it.
std::string BasicAuthValue(const std::string& user, const std::string& password);

// What the request lines need; host empty = no "Host:" line (proxied).
struct RequestParams {
    std::string target;
    std::string authorization;  // Base64 value, empty = no line
    std::string host;
    std::string clientGuid;
};

// The header-only request that tells what kind of stream an address is.
std::string BuildProbeRequest(const RequestParams& params);
// The request that starts the stream. offsetHigh/offsetLow and maxDuration
// go into the on-demand form only.
std::string BuildMediaRequest(const RequestParams& params, bool live, uint32_t offsetHigh,
                              uint32_t offsetLow, uint32_t maxDuration);

}  // namespace mmsh
