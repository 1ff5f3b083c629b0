#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/asf_stream_header.h"

// Reads an ASF file of fixed-size data packets (every file a recording
// makes, and most others): its header as a stream would deliver it, its
// data packets one by one, and the Simple Index object after them. Sizes
// and positions are 64-bit. Reading stays inside the file: a packet count
// or object size the file does not back is not believed.
class AsfFileReader {
public:
    // A header larger than this is refused.
    static constexpr uint64_t kMaxHeaderSize = 16 * 1024 * 1024;
    // So is an index object larger than this.
    static constexpr uint64_t kMaxIndexSize = 64 * 1024 * 1024;

    AsfFileReader() = default;
    ~AsfFileReader();
    AsfFileReader(const AsfFileReader&) = delete;
    AsfFileReader& operator=(const AsfFileReader&) = delete;

    // False when the file cannot be read or does not begin with a whole
    // header of fixed-size packets (Error() says why); the reader is then
    // closed.
    bool Open(const std::string& path);
    void Close();
    const std::string& Error() const { return error_; }

    // The Header object and the Data object's first 50 bytes, as a stream
    // sends them (what AsfFileWriter::WriteHeader takes), and what they say.
    const std::vector<uint8_t>& HeaderBytes() const { return headerBytes_; }
    const AsfStreamHeader& Header() const { return header_; }
    uint64_t FileSize() const { return fileSize_; }
    // Where data packet 0 starts.
    uint64_t DataStart() const { return header_.length; }
    // Whole data packets the file holds: up to the end of the Data object
    // when its size is plausible, else up to the index object or the end of
    // the file. May differ from what the header announces.
    uint64_t PacketCount() const { return packetCount_; }

    // Packet index, PacketSize bytes. False past the last whole packet or on
    // a read error.
    bool ReadPacket(uint64_t index, std::vector<uint8_t>* packet) const;
    // Packets first to first + count - 1, one after the other, in one read
    // (count * PacketSize bytes). False when one of them lies past the last
    // whole packet or on a read error.
    bool ReadPackets(uint64_t first, size_t count, std::vector<uint8_t>* packets) const;
    // The Simple Index object after the packets, whole; false when there is none.
    bool ReadIndexObject(std::vector<uint8_t>* object) const;

private:
    bool ReadAt(uint64_t position, uint8_t* out, size_t n) const;
    bool Fail(std::string why);
    // An index object that starts at position and fits in the file; its size.
    uint64_t IndexObjectAt(uint64_t position) const;

    int fd_ = -1;
    std::string error_;
    std::vector<uint8_t> headerBytes_;
    AsfStreamHeader header_;
    uint64_t fileSize_ = 0;
    uint64_t packetCount_ = 0;
    uint64_t indexAt_ = 0;  // 0: none found
};

// What a partly recorded ASF file offers for resuming: its packet size and
// announced packet count, and, when Scan() says it is worth resuming, the
// number of whole packets kept and the file position at which the next one
// goes (the last whole packet is fetched again, in case it was cut short).
struct ResumeScan {
    // Fewer missing packets than this are not worth a resume.
    static constexpr uint64_t kMinMissingPackets = 6;

    uint32_t packetSize = 0;
    uint64_t declaredPackets = 0;
    uint64_t resumePacket = 0;
    uint64_t resumeOffset = 0;
    // The file's header as a stream sends it (see AsfFileReader::HeaderBytes).
    std::vector<uint8_t> header;
    // The last whole packet (number resumePacket), which the stream must
    // send again unchanged before anything is added.
    std::vector<uint8_t> lastPacket;

    // False when the file cannot be read, is not an ASF file we can
    // continue, holds no whole packet, or is complete or nearly so (fewer
    // than kMinMissingPackets missing, which also covers live recordings).
    bool Scan(const std::string& path);
};
