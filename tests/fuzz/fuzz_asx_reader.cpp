// libFuzzer target: the ASX reader in all three configurations.
#include "reader_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    bool read = false;
    AbortIfBroken(CheckAsxReader(std::string(reinterpret_cast<const char*>(data), size), &read));
    return 0;
}
