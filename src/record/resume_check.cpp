#include "record/resume_check.h"

#include <limits>

#include "formats/asf_file_reader.h"

bool ScanForResume(const std::string& path, uint64_t* packet, uint64_t* offset)
{
    ResumeScan scan;
    if (!scan.Scan(path) || scan.resumeOffset > std::numeric_limits<uint32_t>::max())
        return false;
    *packet = static_cast<uint32_t>(scan.resumePacket);
    *offset = static_cast<uint32_t>(scan.resumeOffset);
    return true;
}
