// libFuzzer target: the ASF header walk over memory and the texts made from it.
#include "reader_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    bool read = false;
    AbortIfBroken(CheckAsfWalk(std::string(reinterpret_cast<const char*>(data), size), &read));
    return 0;
}
