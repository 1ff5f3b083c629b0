#include "protocols/rtsp/decode_base64.h"

namespace rtsp {

namespace {

int SextetOf(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

}  // namespace

std::vector<uint8_t> DecodeBase64(std::string_view text)
{
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3 + 3);
    uint32_t group = 0;
    int count = 0;
    for (char c : text) {
        int v = SextetOf(c);
        if (v < 0)
            continue;
        group = (group << 6) | static_cast<uint32_t>(v);
        if (++count == 4) {
            out.push_back(static_cast<uint8_t>(group >> 16));
            out.push_back(static_cast<uint8_t>(group >> 8));
            out.push_back(static_cast<uint8_t>(group));
            group = 0;
            count = 0;
        }
    }
    // k valid characters of an unfinished group carry k - 1 whole bytes.
    if (count == 2) {
        out.push_back(static_cast<uint8_t>(group >> 4));
    } else if (count == 3) {
        out.push_back(static_cast<uint8_t>(group >> 10));
        out.push_back(static_cast<uint8_t>(group >> 2));
    }
    return out;
}

}  // namespace rtsp
