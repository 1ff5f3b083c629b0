#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The resume scan of an existing output file: true when recording can go on
// at *offset (a file position, which may lie past 4 GiB) with *packet whole
// data packets kept. *header receives the file's header as a stream sends
// it (the Header object and the Data object's first 50 bytes), which the
// server's must match for the recording to go on; left empty, nothing is
// compared.
using ResumeScanner = std::function<bool(const std::string& path, uint64_t* packet, uint64_t* offset,
                                         std::vector<uint8_t>* header)>;

// The ASF resume scan (ResumeScan) as a ResumeScanner.
bool ScanForResume(const std::string& path, uint64_t* packet, uint64_t* offset,
                   std::vector<uint8_t>* header);
