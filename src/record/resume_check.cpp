#include "record/resume_check.h"

#include <utility>

#include "formats/asf_file_reader.h"

bool ScanForResume(const std::string& path, uint64_t* packet, uint64_t* offset,
                   std::vector<uint8_t>* header)
{
    ResumeScan scan;
    if (!scan.Scan(path))
        return false;
    *packet = scan.resumePacket;
    *offset = scan.resumeOffset;
    *header = std::move(scan.header);
    return true;
}
