// libFuzzer target: one captured frame through the URL-capture parser.
// Byte 0 picks the link type, the capture switches and whether an MMS
// open-file request was seen before (so that server headers are examined);
// the rest is the frame.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include <pcap/dlt.h>

#include "capture/capture_memory.h"
#include "capture/capture_sink.h"
#include "capture/frame_parser.h"

namespace {

class NullSink final : public CaptureSink {
public:
    int AddCapturedRow(const std::string& address, const std::string&, const std::string&) override
    {
        if (address.empty() || address.size() > FrameParser::kMaxHttpAddress)
            __builtin_trap();
        return 0;
    }
    void SetCapturedTitle(const std::string&, const std::string& title) override
    {
        if (title.empty() || title.size() > FrameParser::kMaxTitle * 4)
            __builtin_trap();
    }
};

// An Ethernet frame carrying an MMS open-file request for "f.asf" to 1755.
std::string OpenFileFrame()
{
    std::string body(16, '\0');
    body[0] = 1;
    for (char c : std::string("f.asf")) {
        body += c;
        body += '\0';
    }
    body.append(2, '\0');
    std::string m(40, '\0');
    m[0] = 1;
    const uint8_t signature[4] = {0xCE, 0xFA, 0x0B, 0xB0};
    std::memcpy(&m[4], signature, 4);
    const size_t total = (40 + body.size() + 7) / 8 * 8;
    m[8] = static_cast<char>(total - 16);
    std::memcpy(&m[12], "MMS ", 4);
    m[36] = 0x05;
    m[38] = 0x03;
    m += body;
    m.resize(total, '\0');

    std::string ip(40, '\0');
    ip[0] = 0x45;
    ip[2] = static_cast<char>((40 + m.size()) >> 8);
    ip[3] = static_cast<char>(40 + m.size());
    ip[9] = 6;
    ip[16] = 10;
    ip[19] = 5;
    ip[20 + 2] = static_cast<char>(1755 >> 8);
    ip[20 + 3] = static_cast<char>(1755 & 0xFF);
    ip[20 + 12] = 0x50;
    std::string frame(12, '\0');
    frame += '\x08';
    frame += '\0';
    return frame + ip + m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const int kLinkTypes[] = {DLT_EN10MB, DLT_LINUX_SLL, DLT_LINUX_SLL2, DLT_RAW,
                                     DLT_IPV4,   DLT_NULL,      DLT_LOOP,       DLT_EN10MB};
    const uint8_t selector = data[0];

    CaptureMemory memory;
    NullSink sink;
    FrameParser parser(memory, sink);
    CaptureSettings settings;
    settings.http = !(selector & 0x10);
    settings.mms = !(selector & 0x20);
    settings.rtsp = !(selector & 0x40);
    settings.fileTypes = {".wmv", ".asf", ".wma", ".ogg", ".avi", ".mpa", ".mpg", ".mpeg"};
    parser.SetSettings(settings);
    if (selector & 0x08) {
        const std::string open = OpenFileFrame();
        parser.ParseCapturedFrame(reinterpret_cast<const uint8_t*>(open.data()), open.size());
    }
    // A copy of exactly the frame's size, so that any overread is caught.
    const size_t length = size - 1;
    std::unique_ptr<uint8_t[]> frame(new uint8_t[length ? length : 1]);
    if (length)
        std::memcpy(frame.get(), data + 1, length);
    parser.ParseLinkFrame(kLinkTypes[selector & 7], frame.get(), length);
    return 0;
}
