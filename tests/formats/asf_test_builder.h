#pragma once

// Builds ASF files byte by byte for tests: whole files, single objects, and
// damaged variants. Written independently of the parser under test.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/asf_guids.h"

namespace asftest {

inline std::string U16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
inline std::string U32(uint32_t v) { return U16(uint16_t(v)) + U16(uint16_t(v >> 16)); }
inline std::string U64(uint64_t v) { return U32(uint32_t(v)) + U32(uint32_t(v >> 32)); }
inline std::string GuidBytes(const Guid& g)
{
    return std::string(reinterpret_cast<const char*>(g.data()), 16);
}

inline std::string Utf16(std::u16string_view s)
{
    std::string out;
    for (char16_t c : s)
        out += U16(static_cast<uint16_t>(c));
    return out;
}

// An object: GUID, 64-bit size (header included), body. sizeOverride
// replaces the size field (for damaged objects).
inline std::string Object(const Guid& guid, const std::string& body, uint64_t sizeOverride = 0)
{
    return GuidBytes(guid) + U64(sizeOverride ? sizeOverride : 24 + body.size()) + body;
}

inline const Guid kFileId = MakeGuid(0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16});

struct FileProps {
    uint64_t fileSize = 0;
    uint64_t creationDate = 116444736000000000ull;  // 1970-01-01
    uint64_t packets = 3;
    uint64_t play = 1234567890;  // 123.456789 s
    uint64_t send = 1204567890;
    uint64_t preroll = 3000;
    uint32_t flags = 2;
    uint32_t packetSize = 100;
    uint32_t maxBitrate = 128 * 1024;
};

inline std::string FileProperties(const FileProps& p)
{
    return Object(asf::kFileProperties, GuidBytes(kFileId) + U64(p.fileSize) + U64(p.creationDate) +
                                            U64(p.packets) + U64(p.play) + U64(p.send) + U64(p.preroll) +
                                            U32(p.flags) + U32(p.packetSize) + U32(p.packetSize) +
                                            U32(p.maxBitrate));
}

inline std::string ContentDescription(std::u16string_view title, std::u16string_view author,
                                      std::u16string_view copyright, std::u16string_view description,
                                      std::u16string_view rating)
{
    std::string lengths, strings;
    for (std::u16string_view s : {title, author, copyright, description, rating}) {
        lengths += U16(uint16_t(s.size() * 2));
        strings += Utf16(s);
    }
    return Object(asf::kContentDescription, lengths + strings);
}

inline std::string StreamProperties(const Guid& type, int number, const std::string& typeData,
                                    const std::string& errorData = {})
{
    std::string body = GuidBytes(type) + std::string(16, '\0') + U64(0) + U32(uint32_t(typeData.size())) +
                       U32(uint32_t(errorData.size())) + U16(uint16_t(number)) + U32(0) + typeData +
                       errorData;
    return Object(asf::kStreamProperties, body);
}

inline std::string WaveFormat(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t tag = 0x161,
                              const std::string& extra = {})
{
    return U16(tag) + U16(channels) + U32(rate) + U32(rate * channels * bits / 8) +
           U16(uint16_t(channels * bits / 8)) + U16(bits) + U16(uint16_t(extra.size())) + extra;
}

inline std::string AudioStream(int number, uint16_t channels, uint32_t rate, uint16_t bits,
                               const std::string& extra = {})
{
    return StreamProperties(asf::kAudioMedia, number, WaveFormat(channels, rate, bits, 0x161, extra),
                            std::string(8, '\x01'));
}

inline std::string VideoStream(int number, int32_t width, int32_t height, uint16_t bpp,
                               const char* fourcc = "WMV2", const std::string& extra = {})
{
    std::string bitmap = U32(40 + uint32_t(extra.size())) + U32(uint32_t(width)) + U32(uint32_t(height)) +
                         U16(1) + U16(bpp) + std::string(fourcc, 4) + U32(0) + U32(0) + U32(0) + U32(0) +
                         U32(0) + extra;
    std::string typeData = U32(uint32_t(width)) + U32(uint32_t(height)) + std::string(1, '\x02') +
                           U16(uint16_t(bitmap.size())) + bitmap;
    return StreamProperties(asf::kVideoMedia, number, typeData);
}

struct Codec {
    uint16_t type;
    std::u16string name;
    std::u16string description;
    std::string information;
};

inline std::string CodecList(const std::vector<Codec>& codecs, uint32_t countOverride = 0)
{
    std::string body = std::string(16, '\0') + U32(countOverride ? countOverride : uint32_t(codecs.size()));
    for (const Codec& c : codecs) {
        body += U16(c.type) + U16(uint16_t(c.name.size())) + Utf16(c.name) +
                U16(uint16_t(c.description.size())) + Utf16(c.description) +
                U16(uint16_t(c.information.size())) + c.information;
    }
    return Object(asf::kCodecList, body);
}

inline std::string Header(const std::vector<std::string>& children, uint64_t sizeOverride = 0)
{
    std::string body = U32(uint32_t(children.size())) + std::string{'\x01', '\x02'};
    for (const std::string& c : children)
        body += c;
    return Object(asf::kHeader, body, sizeOverride);
}

inline std::string Data(uint64_t packets, uint32_t packetSize, uint64_t sizeOverride = 0)
{
    std::string body = GuidBytes(kFileId) + U64(packets) + U16(0x0101) +
                       std::string(size_t(packets * packetSize), '\x82');
    return Object(asf::kData, body, sizeOverride);
}

inline std::string SimpleIndex() { return Object(asf::kSimpleIndex, std::string(32, '\x07')); }

// A complete small file: header (file properties, content description,
// audio and video streams, codec list, an unknown object), data, index.
inline std::string SampleFile()
{
    FileProps props;
    std::string header = Header({
        FileProperties(props),
        ContentDescription(u"Title 제목", u"Author", u"(c) 2024", u"Description", u"G"),
        AudioStream(1, 2, 44100, 16, std::string(10, '\x05')),
        VideoStream(2, 320, 240, 24),
        CodecList({{1, u"Video Codec 8", u"video desc", "WMV2"}, {2, u"Audio Codec", u"64 kbps", "ab"}}),
        Object(MakeGuid(0x12345678, 0x9ABC, 0x0DEF, {1, 2, 3, 4, 5, 6, 7, 8}), "unknown"),
    });
    return header + Data(3, 100) + SimpleIndex();
}

}  // namespace asftest
