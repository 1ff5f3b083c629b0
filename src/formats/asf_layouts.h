#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/asf_guids.h"

// Decoded views of the fixed-size ASF records that AsfFileInfo keeps as
// bytes. Each Decode reads exactly kSize bytes, which the caller has.

// The File Properties object's body. The field offsets are the one layout
// every reader and writer of the object uses: from the body's start, and
// (kObjectField) from the object's start.
struct AsfFileProperties {
    static constexpr size_t kSize = 80;
    static constexpr size_t kObjectSize = 24 + kSize;
    static constexpr size_t kFileSizeAt = 16;
    static constexpr size_t kCreationDateAt = 24;
    static constexpr size_t kPacketCountAt = 32;
    static constexpr size_t kPlayDurationAt = 40;
    static constexpr size_t kSendDurationAt = 48;
    static constexpr size_t kPrerollAt = 56;
    static constexpr size_t kFlagsAt = 64;
    static constexpr size_t kMinPacketSizeAt = 68;
    static constexpr size_t kMaxPacketSizeAt = 72;
    static constexpr size_t kMaxBitrateAt = 76;
    static constexpr size_t ObjectField(size_t bodyOffset) { return 24 + bodyOffset; }
    // Flags: a broadcast (no durations or counts yet), and seekable.
    static constexpr uint32_t kBroadcastFlag = 0x1;
    static constexpr uint32_t kSeekableFlag = 0x2;

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
    // From the Data object's start: its size, and the total data packets.
    static constexpr size_t kObjectSizeAt = 16;
    static constexpr size_t kPacketCountAt = 24 + 16;
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
