// libFuzzer target: one captured frame through the URL-capture parser.
// Byte 0 picks the link type, the capture switches and whether an MMS
// stream header is awaited (so that server headers are examined); the rest
// is the frame, in a heap block of exactly its size.

#include <pcap/dlt.h>

#include <cstring>
#include <memory>
#include <string>

#include "capture/capture_memory.h"
#include "capture/capture_sink.h"
#include "capture/frame_parser.h"

namespace {

class NullSink final : public CaptureSink {
public:
    void AddCapturedRow(const std::string&, const std::string&, const std::string&) override {}
    void SetCapturedTitle(const std::string&, const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const int kLinkTypes[] = {DLT_EN10MB, DLT_LINUX_SLL, DLT_LINUX_SLL2, DLT_RAW,
                                     DLT_IPV4,   DLT_NULL,      DLT_LOOP,       DLT_EN10MB};
    CaptureMemory memory;
    NullSink sink;
    FrameParser parser(memory, sink);
    CaptureSettings settings;
    settings.http = !(data[0] & 0x10);
    settings.mms = !(data[0] & 0x20);
    settings.rtsp = !(data[0] & 0x40);
    settings.fileTypes = {".wmv", ".asf", ".wma", ".ogg", ".avi", ".mpa", ".mpg", ".mpeg"};
    parser.SetSettings(settings);
    if (data[0] & 0x08)
        memory.AwaitHeaderFor("mms://10.0.0.5/f.asf");
    std::unique_ptr<uint8_t[]> frame(new uint8_t[size - 1 + (size == 1)]);
    std::memcpy(frame.get(), data + 1, size - 1);
    parser.ParseLinkFrame(kLinkTypes[data[0] & 7], frame.get(), size - 1);
    return 0;
}
