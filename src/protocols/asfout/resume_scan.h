#pragma once

#include <cstdint>
#include <string>

// What a partly recorded ASF file offers for resuming: its packet size and
// declared packet count, and, when Scan() says it is worth resuming, the
// number of whole packets kept and the file position at which the next one
// goes (the last whole packet is fetched again, in case it was cut short).
struct ResumeScan {
    uint32_t packetSize = 0, declaredPackets = 0, resumePacket = 0, resumeOffset = 0;

    // False when the file cannot be read, is not an ASF file we can
    // continue, holds no whole packet, or is complete or nearly so (fewer
    // than six packets missing, which also covers live recordings).
    bool Scan(const std::string& path);
};
