#include "capture/media_list_sink.h"

#include <gtest/gtest.h>

#include "capture/capture_memory.h"
#include "capture/frame_parser.h"
#include "frame_builder.h"
#include "medialist/media_list.h"
#include "record/app_settings.h"

using namespace capturetest;

namespace {

TEST(MediaListCaptureSinkTest, CapturedRequestsBecomeListRows)
{
    AppSettings settings;
    MediaList list(settings, nullptr);
    list.AddEntry("http://10.0.0.5/v/a.asf", "Typed by hand", "", "");
    MediaListCaptureSink sink(list);
    CaptureMemory memory;
    FrameParser parser(memory, sink);
    CaptureSettings capture;
    capture.fileTypes = {".asf"};
    parser.SetSettings(capture);
    auto feed = [&](const TcpPacket& packet) {
        const Bytes frame = TcpFrame(packet);
        parser.ParseCapturedFrame(ExactCopy(frame).get(), frame.size());
    };
    TcpPacket get;
    get.payload = HttpGet("/v/a.asf");  // already in the list: nothing added
    feed(get);
    TcpPacket connect;
    connect.destPort = 1755;
    connect.payload = MmsConnect(u"NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}");
    feed(connect);
    TcpPacket open = connect;
    open.payload = MmsOpenFile(u"live/x.asf");
    feed(open);
    feed(open);
    TcpPacket header;
    header.sourcePort = 1755;
    header.destPort = 40000;
    header.payload = AsfHeaderWithTitle(u"Evening news", true);
    feed(header);

    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(0, kColFile), "Typed by hand");
    EXPECT_EQ(list.Cell(1, kColOriginalFile), "mms://10.0.0.5/live/x.asf");
    EXPECT_EQ(list.Cell(1, kColFile), "Evening news");
    EXPECT_EQ(list.Cell(1, kColNs), "NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}");
    EXPECT_EQ(list.Image(1), kImageNetwork);
}

}  // namespace
