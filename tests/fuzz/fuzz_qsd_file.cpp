// libFuzzer target: the .qsd INI parser and the media list's import of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/legacy_text.h"
#include "formats/qsd_file.h"
#include "medialist/media_list.h"
#include "record/app_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An odd first byte puts a valid count in front of the rest, so that
    // the entries get fuzzed from the first run without a seed corpus.
    std::string bytes;
    if (size > 0 && (data[0] & 1))
        bytes = "[Info]\nFiles=" + std::to_string(data[0] >> 1) + "\n[Folder 0]\nUrl=";
    if (size > 0)
        bytes.append(reinterpret_cast<const char*>(data + 1), size - 1);
    const qsd::File file = qsd::Parse(bytes);
    for (const qsd::Entry& e : file.entries)
        if (e.index < 0 || e.index >= file.files || !IsValidUtf8(e.title) || !IsValidUtf8(e.url))
            std::abort();
    AppSettings settings;
    MediaList list(settings, nullptr);
    const int files = list.ReadQsdBytes(bytes);
    if (files < 0 || (files == 0 && list.RowCount() != 0) || list.RowCount() > static_cast<int>(file.entries.size()))
        std::abort();
    return 0;
}
