#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Where a partly recorded file goes on: `packet` whole data packets are kept
// before the one the stream starts again with, which lies at `offset` (a
// file position, which may lie past 4 GiB) and is the file's last whole
// packet. `header` is the file's header as a stream sends it (the Header
// object and the Data object's first 50 bytes), which the server's must
// match; `lastPacket` is the file's copy of that last packet, which the
// server must send again unchanged before anything is added. Either left
// empty is not compared.
struct ResumePoint {
    uint64_t packet = 0;
    uint64_t offset = 0;
    std::vector<uint8_t> header;
    std::vector<uint8_t> lastPacket;
};

// The resume scan of an existing output file: true when recording can go on
// (*point says where).
using ResumeScanner = std::function<bool(const std::string& path, ResumePoint* point)>;

// The ASF resume scan (ResumeScan) as a ResumeScanner.
bool ScanForResume(const std::string& path, ResumePoint* point);
