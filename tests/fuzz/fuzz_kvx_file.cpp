// libFuzzer target: the .kvx byte format and the media list's reading of it.
#include "reader_checks.h"
#include "base/app_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An odd first byte puts a valid header in front of the rest (bit 2 adds
    // zeros up to a whole record), so that records get fuzzed without a corpus.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (size > 0 && (data[0] & 1)) {
        uint8_t header[kvx::kHeaderSize];
        kvx::EncodeHeader({"", "", "info", (data[0] & 2) ? "user" : "", "pass"}, header);
        bytes.replace(0, 1, reinterpret_cast<const char*>(header), sizeof header);
        if (data[0] & 4)
            bytes.resize(bytes.size() +
                         (kvx::kRecordSize - (size - 1) % kvx::kRecordSize) % kvx::kRecordSize);
    }
    AppSettings settings;
    MediaList list(settings, nullptr);
    bool read = false;
    AbortIfBroken(CheckKvxRead(list, bytes, &read));
    return 0;
}
