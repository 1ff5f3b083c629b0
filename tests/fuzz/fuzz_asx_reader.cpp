// libFuzzer target: the ASX reader in all three configurations.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/asx_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<std::string> kLeading = {"client", "-x"};
    for (AsxReader::Mode mode :
         {AsxReader::Mode::MainView, AsxReader::Mode::RecordingJob, AsxReader::Mode::StreamingClient}) {
        AsxReader::Result r = AsxReader::Read(mode, data, size, kLeading);
        if (r.output.size() > AsxReader::kMaxReferences || r.messages.size() > AsxReader::kMaxMessages ||
            static_cast<size_t>(r.referenceCount) > r.output.size())
            std::abort();
        if (mode != AsxReader::Mode::StreamingClient && r.referenceCount > 0) {
            size_t bytes = 0;
            for (const std::string& ref : r.output)
                bytes += ref.size() + 1;
            if (bytes > AsxReader::kMaxReferenceText)
                std::abort();
        }
    }
    return 0;
}
