#pragma once

// Builds ASF files byte by byte for tests: objects, whole files and damaged
// variants. Written independently of the parser under test.

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "formats/asf_guids.h"

namespace asftest {

inline std::string Le(uint64_t v, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += char(v >> (8 * i));
    return s;
}
inline const auto U16 = [](uint64_t v) { return Le(v, 2); };
inline const auto U32 = [](uint64_t v) { return Le(v, 4); };
inline const auto U64 = [](uint64_t v) { return Le(v, 8); };
inline const auto Bytes = [](const Guid& g) {
    return std::string(reinterpret_cast<const char*>(g.data()), 16);
};
inline const auto Utf16 = [](std::u16string_view s) {
    std::string out;
    for (char16_t c : s)
        out += U16(c);
    return out;
};

// GUID, 64-bit size (header included; sizeOverride for damaged objects), body.
inline std::string Object(const Guid& guid, const std::string& body, uint64_t sizeOverride = 0)
{
    return Bytes(guid) + U64(sizeOverride ? sizeOverride : 24 + body.size()) + body;
}

// File id 01020304-0506-0708-090A-0B0C0D0E0F10, created 1970-01-01, 3
// packets of 100 bytes, 128 Kbit/s, seekable.
inline std::string FileProperties(uint64_t play = 1234567890, uint64_t preroll = 3000)
{
    return Object(asf::kFileProperties,
                  Bytes(MakeGuid(0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16})) + U64(0) +
                      U64(116444736000000000ull) + U64(3) + U64(play) + U64(play) + U64(preroll) + U32(2) +
                      U32(100) + U32(100) + U32(128 * 1024));
}

// Title, author, copyright, description, rating; missing ones are empty.
inline std::string ContentDescription(std::vector<std::u16string> texts)
{
    texts.resize(5);
    std::string lengths, strings;
    for (const std::u16string& s : texts)
        lengths += U16(s.size() * 2), strings += Utf16(s);
    return Object(asf::kContentDescription, lengths + strings);
}

// Stream properties of an audio (WAVEFORMATEX) or a video (bitmap) stream.
inline std::string Stream(bool audio, int number, const std::string& typeData)
{
    return Object(asf::kStreamProperties, Bytes(audio ? asf::kAudioMedia : asf::kVideoMedia) +
                                              std::string(24, '\0') + U32(typeData.size()) + U32(8) +
                                              U16(number) + U32(0) + typeData + std::string(8, '\1'));
}
inline std::string AudioStream(int number, int channels, uint32_t rate, int bits,
                               const std::string& extra = {})
{
    return Stream(true, number,
                  U16(0x161) + U16(channels) + U32(rate) + U32(rate * channels * bits / 8) +
                      U16(channels * bits / 8) + U16(bits) + U16(extra.size()) + extra);
}
inline std::string VideoStream(int number, int width, int height, int bpp)
{
    return Stream(false, number,
                  U32(width) + U32(height) + "\2" + U16(40) + U32(40) + U32(width) + U32(height) + U16(1) +
                      U16(bpp) + "WMV2" + std::string(20, '\0'));
}

// Entries of (type, name, description).
inline std::string CodecList(const std::vector<std::tuple<int, std::u16string, std::u16string>>& codecs)
{
    std::string body = std::string(16, '\0') + U32(codecs.size());
    for (const auto& [type, name, description] : codecs)
        body += U16(type) + U16(name.size()) + Utf16(name) + U16(description.size()) + Utf16(description) +
                U16(2) + "in";
    return Object(asf::kCodecList, body);
}

inline std::string Header(const std::vector<std::string>& children, uint64_t sizeOverride = 0)
{
    std::string body = U32(children.size()) + "\1\2";
    for (const std::string& c : children)
        body += c;
    return Object(asf::kHeader, body, sizeOverride);
}

inline std::string Data(uint64_t packets, uint32_t packetSize, uint64_t sizeOverride = 0)
{
    return Object(
        asf::kData,
        std::string(16, '\3') + U64(packets) + U16(0x0101) + std::string(packets * packetSize, '\x82'),
        sizeOverride);
}

// Header (file properties, texts, audio and video streams, codec list, an
// unknown object), 3 data packets, a simple index.
inline std::string SampleFile()
{
    return Header({FileProperties(),
                   ContentDescription({u"Title 제목", u"Author", u"(c) 2024", u"Description", u"G"}),
                   AudioStream(1, 2, 44100, 16, std::string(10, '\5')), VideoStream(2, 320, 240, 24),
                   CodecList({{1, u"Video Codec 8", u"video desc"}, {2, u"Audio Codec", u"64 kbps"}}),
                   Object(MakeGuid(0x12345678, 0x9ABC, 0x0DEF, {1, 2, 3, 4, 5, 6, 7, 8}), "unknown")}) +
           Data(3, 100) + Object(asf::kSimpleIndex, std::string(32, '\7'));
}

}  // namespace asftest
