#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

// An ASF object identifier as its 16 bytes appear in a file (the first
// three groups little-endian).
struct Guid {
    std::array<uint8_t, 16> bytes{};

    static Guid FromBytes(const uint8_t* p)
    {
        Guid g;
        std::memcpy(g.bytes.data(), p, 16);
        return g;
    }
    bool Matches(const uint8_t* p) const { return std::memcmp(bytes.data(), p, 16) == 0; }
    const uint8_t* data() const { return bytes.data(); }
    bool operator==(const Guid& other) const { return bytes == other.bytes; }
};

// Builds the byte form of a GUID written as D1-D2-D3-D4(2 bytes)-D4(6 bytes).
constexpr Guid MakeGuid(uint32_t d1, uint16_t d2, uint16_t d3, std::array<uint8_t, 8> d4)
{
    Guid g;
    g.bytes = {static_cast<uint8_t>(d1), static_cast<uint8_t>(d1 >> 8),
               static_cast<uint8_t>(d1 >> 16), static_cast<uint8_t>(d1 >> 24),
               static_cast<uint8_t>(d2), static_cast<uint8_t>(d2 >> 8),
               static_cast<uint8_t>(d3), static_cast<uint8_t>(d3 >> 8),
               d4[0], d4[1], d4[2], d4[3], d4[4], d4[5], d4[6], d4[7]};
    return g;
}

namespace asf {

inline constexpr Guid kHeader =
    MakeGuid(0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
inline constexpr Guid kContentDescription =
    MakeGuid(0x75B22633, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
inline constexpr Guid kStreamBitrateProperties =
    MakeGuid(0x7BF875CE, 0x468D, 0x11D1, {0x8D, 0x82, 0x00, 0x60, 0x97, 0xC9, 0xA2, 0xB2});
inline constexpr Guid kFileProperties =
    MakeGuid(0x8CABDCA1, 0xA947, 0x11CF, {0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65});
inline constexpr Guid kHeaderExtension =
    MakeGuid(0x5FBF03B5, 0xA92E, 0x11CF, {0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65});
inline constexpr Guid kStreamProperties =
    MakeGuid(0xB7DC0791, 0xA9B7, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65});
inline constexpr Guid kExtendedContentDescription =
    MakeGuid(0xD2D0A440, 0xE307, 0x11D2, {0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50});
inline constexpr Guid kCodecList =
    MakeGuid(0x86D15240, 0x311D, 0x11D0, {0xA3, 0xA4, 0x00, 0xA0, 0xC9, 0x03, 0x48, 0xF6});
inline constexpr Guid kData =
    MakeGuid(0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
inline constexpr Guid kSimpleIndex =
    MakeGuid(0x33000890, 0xE5B1, 0x11CF, {0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB});
// Stream types, found inside a Stream Properties object.
inline constexpr Guid kAudioMedia =
    MakeGuid(0xF8699E40, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B});
inline constexpr Guid kVideoMedia =
    MakeGuid(0xBC19EFC0, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B});

// Size of the object header (GUID and 64-bit size) in front of every object.
inline constexpr size_t kObjectHeaderSize = 24;
// The Data object's fixed part after its object header: file id, total
// data packets, reserved; the header of a stream ends with these 50 bytes.
inline constexpr size_t kDataObjectPrefix = 50;

}  // namespace asf

// The name of a known object ("ASF_Header", ...), or for any other GUID its
// groups in upper-case hexadecimal without leading zeros, the last eight
// bytes one by one ("12345678-9ABC-DEF-1-2-3-4-5-6-7-8").
std::string AsfObjectName(const Guid& guid);

// The usual text form, upper case with leading zeros:
// "8CABDCA1-A947-11CF-8EE4-00C00C205365".
std::string GuidText(const Guid& guid);
