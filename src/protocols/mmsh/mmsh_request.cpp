#include "protocols/mmsh/mmsh_request.h"

#include <atomic>
#include <cstdlib>
#include <ctime>

#include "formats/printf.h"

namespace mmsh {

namespace {

constexpr size_t kMaxCredentialText = 511;

void AppendCommonLines(std::string& out, const RequestParams& p)
{
    out += "GET " + p.target + " HTTP/1.0\r\n";
    if (!p.authorization.empty())
        out += "Authorization: Basic " + p.authorization + "\r\n";
    out += "Accept: */*\r\n";
    out += "User-Agent: NSPlayer/4.1.0.3856\r\n";
    if (!p.host.empty())
        out += "Host: " + p.host + "\r\n";
}

}  // namespace

std::string MakeClientGuid(unsigned seed)
{
    static constexpr char kDigits[] = "0123456789ABCDE";
    static constexpr int kGroups[] = {8, 4, 4, 4, 12};
    std::string guid = "{";
    for (int g = 0; g < 5; ++g) {
        if (g > 0)
            guid += '-';
        for (int i = 0; i < kGroups[g]; ++i)
            guid += kDigits[rand_r(&seed) % 15];
    }
    guid += '}';
    return guid;
}

std::string NewClientGuid()
{
    static std::atomic<unsigned> counter{0};
    unsigned seed = static_cast<unsigned>(std::time(nullptr)) + 7919u * counter.fetch_add(1);
    return MakeClientGuid(seed);
}

std::string Base64Encode(std::string_view bytes)
{
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t v = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8) |
                     static_cast<uint8_t>(bytes[i + 2]);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    size_t left = bytes.size() - i;
    if (left > 0) {
        uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
        if (left == 2)
            v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += left == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string BasicAuthValue(const std::string& user, const std::string& password)
{
    if (user.empty() || password.empty())
        return {};
    std::string joined = user + ":" + password;
    if (joined.size() > kMaxCredentialText)
        return {};
    return Base64Encode(joined);
}

std::string BuildProbeRequest(const RequestParams& p)
{
    std::string out;
    AppendCommonLines(out, p);
    out += "Pragma: no-cache,rate=1.000000,stream-time=0,stream-offset=0:0,request-context=1,"
           "max-duration=0\r\n";
    out += "Pragma: xClientGUID=" + p.clientGuid + "\r\n";
    out += "Connection: Close\r\n\r\n";
    return out;
}

std::string BuildMediaRequest(const RequestParams& p, bool live, uint32_t offsetHigh,
                              uint32_t offsetLow, uint32_t maxDuration)
{
    std::string out;
    AppendCommonLines(out, p);
    if (live) {
        out += "Pragma: no-cache,rate=1.000000,request-context=2\r\n";
    } else {
        out += Printf("Pragma: no-cache,rate=1.000000,stream-time=0,stream-offset=%u:%u,"
                      "request-context=2,max-duration=%u\r\n",
                      offsetHigh, offsetLow, maxDuration);
    }
    out += "Pragma: xPlayStrm=1\r\n";
    out += "Pragma: xClientGUID=" + p.clientGuid + "\r\n";
    out += "Pragma: stream-switch-count=1\r\n";
    out += "Pragma: stream-switch-entry=ffff:1:0\r\n";
    out += "Connection: Close\r\n\r\n";
    return out;
}

}  // namespace mmsh
