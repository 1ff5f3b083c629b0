// URL capture throughput: a savefile of one million mixed frames (mostly
// acknowledgements and traffic that is no request worth keeping) read by
// libpcap alone with an empty callback, then read by the capture thread
// with the frame parser. Usage: capture_bench [FILE] (made when missing).

#include <pcap/pcap.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "capture/capture_memory.h"
#include "capture/url_capture.h"
#include "frame_builder.h"

using namespace capturetest;

namespace {

constexpr size_t kFrames = 1000000;

class CountingSink final : public CaptureSink {
public:
    void AddCapturedRow(const std::string&, const std::string&, const std::string&) override { ++rows; }
    void SetCapturedTitle(const std::string&, const std::string&) override { ++titles; }
    int rows = 0;
    int titles = 0;
};

void WriteMixed(const std::string& path)
{
    SavefileWriter writer(path, DLT_EN10MB);
    uint32_t state = 12345;
    auto next = [&] { return state = state * 1103515245u + 12345u; };
    for (size_t i = 0; i < kFrames; ++i) {
        const uint32_t r = next() >> 8;
        const uint32_t kind = r % 100;
        const auto from = static_cast<uint16_t>(30000 + r % 20000);
        std::string segment;
        if (kind < 60)  // bare acknowledgements, both ways
            segment = Tcp(kind % 2 ? 80 : 443, "", from);
        else if (kind < 80)  // server data to the player
            segment = Tcp(40000, std::string(300 + r % 900, 'd'), kind % 3 ? 443 : 1755);
        else if (kind < 92)  // requests on ports nobody watches
            segment = Tcp(kind % 2 ? 443 : 22, HttpGet("/api/v1/items/" + std::to_string(r)), from);
        else if (kind < 98)  // web pages: GET, but not a listed type
            segment = Tcp(80, HttpGet("/static/js/app" + std::to_string(r % 50) + ".js"), from);
        else if (kind < 99)  // streams worth keeping
            segment = Tcp(80, HttpGet("/media/clip" + std::to_string(r % 5000) + ".asf"), from);
        else
            segment = Tcp(554, RtspDescribe("rtsp://10.0.0.5/live" + std::to_string(r % 100)), from);
        writer.Write(Ethernet(Ipv4(segment)));
    }
}

void EmptyCallback(u_char*, const pcap_pkthdr*, const u_char*) {}

double LibpcapRate(const std::string& path, size_t* frames)
{
    // Both runs are timed from opening the file to its last frame.
    const auto start = std::chrono::steady_clock::now();
    char errbuf[PCAP_ERRBUF_SIZE];
    pcap_t* handle = pcap_open_offline(path.c_str(), errbuf);
    if (!handle) {
        std::fprintf(stderr, "%s\n", errbuf);
        return 0;
    }
    size_t count = 0;
    for (int n; (n = pcap_dispatch(handle, -1, EmptyCallback, nullptr)) > 0;)
        count += static_cast<size_t>(n);
    pcap_close(handle);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    *frames = count;
    return static_cast<double>(count) / seconds;
}

double ParseRate(const std::string& path, size_t* frames, int* rows)
{
    CaptureMemory memory;
    CountingSink sink;
    UrlCapture capture(memory, sink);
    CaptureSettings settings;
    settings.fileTypes = {".wmv", ".asf", ".wma", ".ogg", ".avi", ".mpa", ".mpg", ".mpeg"};
    CaptureStartError error;
    const auto start = std::chrono::steady_clock::now();
    if (!capture.StartSavefile(path, settings, &error)) {
        std::fprintf(stderr, "%s\n", error.message.c_str());
        return 0;
    }
    capture.Wait();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    *frames = capture.capture().FramesSeen();
    *rows = sink.rows;
    return static_cast<double>(*frames) / seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : "/tmp/brimcast_capture_bench.pcap";
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        std::printf("writing %zu frames to %s ...\n", kFrames, path.c_str());
        WriteMixed(path);
        stat(path.c_str(), &st);
    }
    std::printf("savefile: %s, %.1f MB\n", path.c_str(), static_cast<double>(st.st_size) / 1e6);

    double bestPcap = 0, bestParse = 0;
    size_t pcapFrames = 0, parseFrames = 0;
    int rows = 0;
    LibpcapRate(path, &pcapFrames);  // warm the page cache
    for (int round = 0; round < 5; ++round) {
        bestPcap = std::max(bestPcap, LibpcapRate(path, &pcapFrames));
        bestParse = std::max(bestParse, ParseRate(path, &parseFrames, &rows));
    }
    std::printf("libpcap read, empty callback: %zu frames, %.2f M frames/s (best of 5)\n",
                pcapFrames, bestPcap / 1e6);
    std::printf("read + frame parser:          %zu frames, %.2f M frames/s (best of 5), "
                "%d rows offered\n",
                parseFrames, bestParse / 1e6, rows);
    std::printf("parser rate / libpcap rate:   %.0f%%\n", 100.0 * bestParse / bestPcap);
    return parseFrames == pcapFrames && pcapFrames == kFrames ? 0 : 1;
}
