// libFuzzer target: the .qsd INI parser and the media list's import of it.
#include "reader_checks.h"
#include "base/app_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An odd first byte puts a valid count in front of the rest, so that
    // entries get fuzzed without a corpus.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (size > 0 && (data[0] & 1))
        bytes.replace(0, 1, "[Info]\nFiles=" + std::to_string(data[0] >> 1) + "\n[Folder 0]\nUrl=");
    AppSettings settings;
    MediaList list(settings, nullptr);
    bool read = false;
    AbortIfBroken(CheckQsdRead(list, bytes, &read));
    return 0;
}
