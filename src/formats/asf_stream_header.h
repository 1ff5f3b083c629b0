#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/asf_layouts.h"

// What a recorder needs to know of an ASF header as a stream delivers it:
// the Header object followed by the Data object's 50-byte fixed part (the
// data packets come after it).
struct AsfStreamHeader {
    size_t length = 0;            // the Header object and the 50 bytes
    size_t filePropertiesAt = 0;  // where the File Properties object starts
    size_t dataObjectAt = 0;      // where the Data object starts: the Header object's size
    AsfFileProperties properties;
    // Data packets the stream announces (the File Properties count, else
    // the Data object's); 0 when it announces none.
    uint64_t declaredPackets = 0;
    uint32_t packetSize = 0;  // every packet has this size
    uint32_t durationMs = 0;  // without the preroll; 0: live

    // A broadcast: the header gives no play duration.
    bool Live() const { return properties.playDuration == 0; }
};

enum class AsfHeaderCheck {
    Ok,
    Malformed,              // not a Header object with File Properties and the Data object's start
    UnsupportedPacketSize,  // packets of varying size, of 0 bytes, or of 0xFFFF bytes or more
};

// Checks and reads a streamed header of length bytes: it must begin with a
// Header object whose size is length - 50, hold a whole File Properties
// object, and end with the Data object's fixed part. out is filled as far
// as it could be read (also for UnsupportedPacketSize).
AsfHeaderCheck ParseStreamHeader(const uint8_t* data, size_t length, AsfStreamHeader* out);

// The stream's duration in milliseconds without the preroll: 0 when the
// play duration is 0 (live); a stream no longer than its preroll gives 1
// (it is still no broadcast), and a longer one is capped at 32 bits.
uint32_t StreamDurationMs(uint64_t playDuration, uint64_t prerollMs);

// True when two streamed headers describe the same streams: the same packet
// size, and the same Stream Properties objects by stream number, stream type
// and type-specific data (the codec and its settings). Packets of the one
// can then follow packets of the other in one file.
bool SameStreams(const uint8_t* a, size_t aLength, const uint8_t* b, size_t bLength);

// Position of the first File Properties object identifier in buffer, or -1.
long FindFilePropertiesObject(const uint8_t* buffer, size_t length);
