#pragma once

#include <cstdint>
#include <string>

// The resume scan of an existing ASF output file: true when recording can go
// on at *offset (a file position) with *packet whole data packets kept.
bool ScanForResume(const std::string& path, uint32_t* packet, uint32_t* offset);
