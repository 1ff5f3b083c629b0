// Records one MMS-over-HTTP address into a file with MmshClient alone (no
// job driver, no front end), for bench/mmsh_bench.py.
//   mmsh_record ADDRESS OUTPUT
// Prints the bytes written; exit status 0 when something was recorded.

#include <cstdio>
#include <cstdlib>

#include "protocols/client_hooks.h"
#include "protocols/mmsh/mmsh_client.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ADDRESS OUTPUT\n", argv[0]);
        return 2;
    }
    FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    ClientHooks hooks;  // progress reports go nowhere, as in a quiet CLI run
    ClientEnvironment env;
    env.hooks = &hooks;
    MmshClient client(env);
    RecordRequest request;
    request.out = out;
    request.url = argv[1];
    uint32_t written = client.Record(request);
    if (std::fclose(out) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    std::printf("%u bytes written\n", written);
    if (written == 0)
        std::fprintf(stderr, "%s\n", client.lastMessage().c_str());
    return written > 0 ? 0 : 1;
}
