#include "record/resume_check.h"

#include <utility>

#include "formats/asf_file_reader.h"

bool ScanForResume(const std::string& path, ResumePoint* point)
{
    ResumeScan scan;
    if (!scan.Scan(path))
        return false;
    point->packet = scan.resumePacket;
    point->offset = scan.resumeOffset;
    point->header = std::move(scan.header);
    point->lastPacket = std::move(scan.lastPacket);
    return true;
}
