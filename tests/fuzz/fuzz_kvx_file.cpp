// libFuzzer target: the .kvx byte format and the media list's reading of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/kvx_file.h"
#include "formats/legacy_text.h"
#include "medialist/media_list.h"
#include "record/app_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An odd first byte puts a valid header in front of the rest, so that
    // the records get fuzzed from the first run without a seed corpus.
    std::string bytes;
    if (size > 0 && (data[0] & 1)) {
        uint8_t header[kvx::kHeaderSize];
        kvx::EncodeHeader(kvx::Header{"", "", "info", (data[0] & 2) ? "user" : "", "pass"}, header);
        bytes.assign(reinterpret_cast<const char*>(header), sizeof header);
        bytes.append(reinterpret_cast<const char*>(data + 1), size - 1);
        // Bit 2 pads the last record with zeros, so short inputs make whole records.
        if (data[0] & 4)
            bytes.resize(kvx::kHeaderSize +
                         (bytes.size() - kvx::kHeaderSize + kvx::kRecordSize - 1) / kvx::kRecordSize *
                             kvx::kRecordSize);
    } else {
        bytes.assign(reinterpret_cast<const char*>(data), size);
    }
    const kvx::File file = kvx::Parse(bytes);
    if (file.status == kvx::ParseStatus::Ok) {
        // Whatever was read writes back into fixed fields without overrun.
        for (const kvx::Record& r : file.records) {
            uint8_t out[kvx::kRecordSize];
            kvx::EncodeRecord(r, out);
            if (!IsValidUtf8(r.title) || !IsValidUtf8(r.address))
                std::abort();
        }
    }
    AppSettings settings;
    MediaList list(settings, nullptr);
    const int first = list.ReadKvxBytes(bytes);
    if (first >= 0 && static_cast<size_t>(list.RowCount()) != file.records.size())
        std::abort();
    return 0;
}
