// The cut on its own, without the CLI's libraries, for the peak-memory and
// throughput figures of bench/cut_bench.sh.
//   cut_bench SOURCE FROM_SECONDS TO_SECONDS OUTPUT
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "tools/asf_cut.h"

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: cut_bench SOURCE FROM TO OUTPUT\n");
        return 2;
    }
    std::atomic<bool> stop{false};
    CutRequest request{argv[1], argv[4], std::atoll(argv[2]), std::atoll(argv[3]), true};
    CutResult r = CutAsfFile(request, stop);
    if (r.status != CutResult::Status::Done) {
        std::fprintf(stderr, "cut_bench: %s\n", r.message.c_str());
        return 1;
    }
    std::printf("%llu packets, %llu bytes\n", static_cast<unsigned long long>(r.packets),
                static_cast<unsigned long long>(r.fileSize));
    return 0;
}
