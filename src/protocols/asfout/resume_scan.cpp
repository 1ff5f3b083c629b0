#include "protocols/asfout/resume_scan.h"

#include <cstdio>
#include <limits>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>

#include "formats/asf_guids.h"
#include "formats/le.h"

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// The File Properties object's body: minimum packet size and the low half
// of the data packet count, at offsets from the body's start.
constexpr int64_t kFpBodySize = 80;
constexpr size_t kFpBodyPacketCount = 32;
constexpr size_t kFpBodyMinPacket = 68;
// Fewer missing packets than this are not worth a resume.
constexpr int64_t kMinMissingPackets = 6;

}  // namespace

bool ResumeScan::Scan(const std::string& path)
{
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    FILE* f = file.get();
    posix_fadvise(fileno(f), 0, 0, POSIX_FADV_SEQUENTIAL);
    struct stat st{};
    const int64_t fileSize = fstat(fileno(f), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;

    int64_t headerSize = 0;
    for (;;) {
        uint8_t object[asf::kObjectHeaderSize];
        if (std::fread(object, 1, sizeof(object), f) != sizeof(object))
            break;
        const uint64_t rawSize = le::Load64(object + 16);
        // An object smaller than its own header would make the walk go
        // backwards (or nowhere).
        if (rawSize < asf::kObjectHeaderSize || rawSize > uint64_t{std::numeric_limits<int64_t>::max()})
            break;
        const int64_t size = static_cast<int64_t>(rawSize);
        const int64_t pos = ftello(f);
        const int64_t bodySize = size - static_cast<int64_t>(asf::kObjectHeaderSize);
        if (fileSize > 0 && (pos < 0 || bodySize > fileSize - pos))
            break;
        if (asf::kHeader.Matches(object)) {
            uint8_t rest[6];
            if (bodySize < 6 || std::fread(rest, 1, sizeof(rest), f) != sizeof(rest))
                break;
            headerSize = size;  // its children follow
        } else if (asf::kFileProperties.Matches(object) && bodySize >= kFpBodySize) {
            uint8_t body[kFpBodySize];
            if (std::fread(body, 1, sizeof(body), f) != sizeof(body))
                break;
            packetSize = le::Load32(body + kFpBodyMinPacket);
            declaredPackets = le::Load32(body + kFpBodyPacketCount);
            if (fseeko(f, static_cast<off_t>(pos + bodySize), SEEK_SET) != 0)
                break;
        } else if (fseeko(f, static_cast<off_t>(pos + bodySize), SEEK_SET) != 0) {
            break;
        }
    }

    if (packetSize == 0 || headerSize == 0)
        return false;
    // A file cut inside its header or the Data object's fixed part has no
    // packet to keep.
    const int64_t dataStart = headerSize + static_cast<int64_t>(asf::kDataObjectPrefix);
    if (fileSize < dataStart)
        return false;
    const int64_t whole = (fileSize - dataStart) / packetSize;
    if (whole <= 0)
        return false;
    if (int64_t{declaredPackets} - whole < kMinMissingPackets)
        return false;
    const int64_t offset = dataStart + (whole - 1) * int64_t{packetSize};
    if (offset > int64_t{std::numeric_limits<uint32_t>::max()})
        return false;
    resumePacket = static_cast<uint32_t>(whole - 1);
    resumeOffset = static_cast<uint32_t>(offset);
    return true;
}
