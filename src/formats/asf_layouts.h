#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/asf_guids.h"

// Decoded views of the fixed-size ASF records that AsfFileInfo keeps as
// bytes. Each Decode reads exactly kSize bytes, which the caller has.

// The File Properties object's body.
struct AsfFileProperties {
    static constexpr size_t kSize = 80;
    Guid fileId;
    uint64_t fileSize = 0;
    uint64_t creationDate = 0;      // 100 ns units since 1601-01-01 UTC
    uint64_t dataPacketsCount = 0;
    uint64_t playDuration = 0;      // 100 ns units, preroll included
    uint64_t sendDuration = 0;      // 100 ns units
    uint64_t preroll = 0;           // milliseconds
    uint32_t flags = 0;             // 0x1 broadcast, 0x2 seekable
    uint32_t minDataPacketSize = 0;
    uint32_t maxDataPacketSize = 0;
    uint32_t maxBitrate = 0;        // bits per second

    static AsfFileProperties Decode(const uint8_t* p);
};

// The wave format record at the start of an audio stream's type-specific data.
struct AsfWaveFormat {
    static constexpr size_t kSize = 18;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlignment = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;

    static AsfWaveFormat Decode(const uint8_t* p);
};

// The bitmap information header inside a video stream's type-specific data.
struct AsfBitmapInfo {
    static constexpr size_t kSize = 40;
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitsPerPixel = 0;
    uint32_t compression = 0;  // four characters, first in the low byte
    uint32_t imageSize = 0;
    int32_t horizontalResolution = 0;
    int32_t verticalResolution = 0;
    uint32_t coloursUsed = 0;
    uint32_t importantColours = 0;

    static AsfBitmapInfo Decode(const uint8_t* p);
};

// The Data object's fixed part after its object header.
struct AsfDataObjectInfo {
    static constexpr size_t kSize = 26;
    Guid fileId;
    uint64_t totalDataPackets = 0;
    uint16_t reserved = 0;

    static AsfDataObjectInfo Decode(const uint8_t* p);
};

namespace asf {
// Sizes of the parts of a Stream Properties object's body.
inline constexpr size_t kStreamPropertiesFixed = 54;
// Video type-specific data before the bitmap header: width, height, flags, size.
inline constexpr size_t kVideoInfoPrefix = 11;
}  // namespace asf
