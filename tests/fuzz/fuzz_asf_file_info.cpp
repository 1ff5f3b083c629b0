// libFuzzer target: the ASF header walk over a memory buffer, and the texts
// made from its result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/asf_file_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AsfFileInfo info;
    bool ok = info.ParseBuffer(data, size, "fuzz");
    if (ok != !info.Objects().empty())
        std::abort();
    for (const AsfObjectRecord& r : info.Objects()) {
        if (r.size < 24 || r.offset > size || r.size > size - r.offset)
            std::abort();
    }
    if (info.Title().size() > AsfFileInfo::kMaxText || info.Description().size() > AsfFileInfo::kMaxText)
        std::abort();
    FileInformationLines(info);
    info.Status().Text();
    info.DurationSeconds();
    return 0;
}
