#include "formats/asf_layouts.h"

#include "formats/le.h"

AsfFileProperties AsfFileProperties::Decode(const uint8_t* p)
{
    AsfFileProperties r;
    r.fileId = Guid::FromBytes(p);
    r.fileSize = le::Load64(p + kFileSizeAt);
    r.creationDate = le::Load64(p + kCreationDateAt);
    r.dataPacketsCount = le::Load64(p + kPacketCountAt);
    r.playDuration = le::Load64(p + kPlayDurationAt);
    r.sendDuration = le::Load64(p + kSendDurationAt);
    r.preroll = le::Load64(p + kPrerollAt);
    r.flags = le::Load32(p + kFlagsAt);
    r.minDataPacketSize = le::Load32(p + kMinPacketSizeAt);
    r.maxDataPacketSize = le::Load32(p + kMaxPacketSizeAt);
    r.maxBitrate = le::Load32(p + kMaxBitrateAt);
    return r;
}

AsfWaveFormat AsfWaveFormat::Decode(const uint8_t* p)
{
    AsfWaveFormat r;
    r.formatTag = le::Load16(p);
    r.channels = le::Load16(p + 2);
    r.samplesPerSecond = le::Load32(p + 4);
    r.averageBytesPerSecond = le::Load32(p + 8);
    r.blockAlignment = le::Load16(p + 12);
    r.bitsPerSample = le::Load16(p + 14);
    r.extraSize = le::Load16(p + 16);
    return r;
}

AsfBitmapInfo AsfBitmapInfo::Decode(const uint8_t* p)
{
    AsfBitmapInfo r;
    r.headerSize = le::Load32(p);
    r.width = static_cast<int32_t>(le::Load32(p + 4));
    r.height = static_cast<int32_t>(le::Load32(p + 8));
    r.planes = le::Load16(p + 12);
    r.bitsPerPixel = le::Load16(p + 14);
    r.compression = le::Load32(p + 16);
    r.imageSize = le::Load32(p + 20);
    r.horizontalResolution = static_cast<int32_t>(le::Load32(p + 24));
    r.verticalResolution = static_cast<int32_t>(le::Load32(p + 28));
    r.coloursUsed = le::Load32(p + 32);
    r.importantColours = le::Load32(p + 36);
    return r;
}

AsfDataObjectInfo AsfDataObjectInfo::Decode(const uint8_t* p)
{
    AsfDataObjectInfo r;
    r.fileId = Guid::FromBytes(p);
    r.totalDataPackets = le::Load64(p + 16);
    r.reserved = le::Load16(p + 24);
    return r;
}
