#pragma once

// Test-side knowledge of ASF files, written independently of the code under
// test: splitting a file into the header and packets a server streams,
// reading the header fields a finished file must carry, and reading and
// moving the times inside a data packet.

#include <cstdint>
#include <string>
#include <vector>

namespace asftest {

// A file as a server streams it: the header object followed by the Data
// object's 50-byte fixed part, then the data packets.
struct AsfParts {
    std::string header;
    std::vector<std::string> packets;
    uint32_t packetSize = 0;
};
AsfParts SplitAsf(const std::string& file);

// The fields of a file that the writer produces or patches.
struct AsfFields {
    bool valid = false;
    uint64_t headerSize = 0;
    uint64_t fileSize = 0;  // the File Properties field
    uint64_t packetCount = 0;
    uint64_t playDuration = 0;
    uint64_t sendDuration = 0;
    uint32_t preroll = 0;
    uint32_t flags = 0;
    uint32_t minPacket = 0, maxPacket = 0;
    uint64_t dataSize = 0, dataPackets = 0;
    bool endsWithIndex = false;  // a Simple Index object right after the packets
};
AsfFields ReadFields(const std::string& file);

// Offsets of the send time and of every payload's presentation time in a
// data packet (packet length 0 = packetSize); false when it does not parse.
struct PacketTimes {
    size_t sendTimeAt = 0;
    std::vector<size_t> presentationAt;
};
bool FindPacketTimes(const std::string& packet, uint32_t packetSize, PacketTimes* out);
uint32_t SendTime(const std::string& packet, uint32_t packetSize);
// Adds delta to the send time and every presentation time.
std::string ShiftTimes(const std::string& packet, uint32_t packetSize, uint32_t delta);

// Little-endian field access on strings.
uint32_t Get32(const std::string& s, size_t at);
uint64_t Get64(const std::string& s, size_t at);
void Put32(std::string& s, size_t at, uint32_t v);
void Put64(std::string& s, size_t at, uint64_t v);

// Offset of the File Properties object in a header, or npos.
size_t FilePropertiesAt(const std::string& header);
// The header of a live broadcast: play and send duration 0, no packet count,
// the broadcast flag.
std::string MakeLiveHeader(const std::string& header);

// A synthetic file for the resume scan: a header object of headerSize bytes
// whose File Properties give packetSize and declared, the Data object, and
// wholePackets packets plus extraBytes of a cut one.
std::string MakeResumableFile(uint32_t headerSize, uint32_t packetSize, uint32_t declared,
                              uint32_t wholePackets, uint32_t extraBytes);

}  // namespace asftest
