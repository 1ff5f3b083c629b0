#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The resume scan of an existing output file: true when recording can go on
// at *offset (a file position, which may lie past 4 GiB) with *packet whole
// data packets kept.
using ResumeScanner = std::function<bool(const std::string& path, uint64_t* packet, uint64_t* offset)>;

// The ASF resume scan (ResumeScan) as a ResumeScanner.
bool ScanForResume(const std::string& path, uint64_t* packet, uint64_t* offset);
