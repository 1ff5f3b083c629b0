#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace rtsp {

// Decodes base64 text leniently: every character outside the standard
// alphabet (A-Z, a-z, 0-9, "+", "/"), the padding "=" included, is skipped,
// and a final group of 2 or 3 valid characters yields 1 or 2 bytes. So text
// with or without padding, or broken into lines, gives the same bytes. The
// result is never longer than three quarters of the text.
std::vector<uint8_t> DecodeBase64(std::string_view text);

}  // namespace rtsp
