// Records one mms:// address with MmsTcpClient into a file and prints what
// it took: the client alone, without the job driver around it.
//   mms_tcp_bench URL OUT.asf

#include <chrono>
#include <cstdio>
#include <memory>

#include "formats/file_sink.h"
#include "protocols/client_hooks.h"
#include "protocols/mms/mms_tcp_client.h"

namespace {

struct Hooks : ClientHooks {
    void ReportError(const std::string& text) override { std::fprintf(stderr, "error: %s\n", text.c_str()); }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s URL OUT.asf\n", argv[0]);
        return 2;
    }
    std::unique_ptr<FileSink> out = FileSink::Create(argv[2]);
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    Hooks hooks;
    ClientEnvironment env;
    env.hooks = &hooks;
    MmsTcpClient client(env);
    RecordRequest request;
    request.out = out.get();
    request.url = argv[1];
    const auto start = std::chrono::steady_clock::now();
    const uint64_t bytes = client.Record(request);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!out->Close())
        std::fprintf(stderr, "error: writing %s failed\n", argv[2]);
    std::printf("%llu bytes in %.2f s (%.1f MB/s)\n", static_cast<unsigned long long>(bytes), seconds,
                bytes / seconds / 1e6);
    return bytes != 0 ? 0 : 1;
}
