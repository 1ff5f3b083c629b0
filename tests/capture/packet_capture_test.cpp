#include "capture/packet_capture.h"

#include <gtest/gtest.h>
#include <pcap/dlt.h>
#include <unistd.h>

#include <thread>

#include "capture/capture_memory.h"
#include "capture/media_list_sink.h"
#include "capture/url_capture.h"
#include "frame_builder.h"
#include "medialist/media_list.h"
#include "record/recorder_controller.h"
#include "record/status_sink.h"
#include "test_support.h"

using namespace capturetest;
using namespace std::chrono_literals;

namespace {

CaptureSettings Defaults()
{
    CaptureSettings s;
    s.fileTypes = {".wmv", ".asf", ".wma", ".ogg", ".avi", ".mpa", ".mpg", ".mpeg"};
    return s;
}

TEST(PacketCaptureTest, SavefilesYieldExactlyTheRequests)
{
    testsupport::TempDir dir;
    const std::string mixed = dir.File("mixed.pcap"), cooked = dir.File("any.pcap");
    const Strings expected = WriteMixedSavefile(mixed);
    {
        SavefileWriter writer(cooked, DLT_LINUX_SLL);
        writer.Write(Cooked(Ipv4(Tcp(80, HttpGet("/sll.asf")))));
        writer.Write(Cooked(Ipv4(Tcp(1755, MmsOpenFile(u"sll.asf")))));
    }
    CaptureSettings off = Defaults();
    off.http = off.mms = off.rtsp = false;
    off.fileTypes = {".wmv"};
    const struct {
        std::string path;
        CaptureSettings settings;
        Strings lines;
    } cases[] = {
        {mixed, off, {"added\thttp://10.0.0.5:8080/Cam/B.WMV?x=1"}},  // 8080 whatever the HTTP switch says
        {mixed, Defaults(), expected},
        // The player identification outlives a capture.
        {cooked, Defaults(),
         {"added\thttp://10.0.0.5/sll.asf",
          "added\tmms://10.0.0.5/sll.asf\tplayer\t" + expected[5].substr(expected[5].find("NSPlayer"))}},
    };
    // One capture object throughout: every start takes its own settings.
    CaptureMemory memory;
    LineSink sink;
    UrlCapture capture(memory, sink);
    for (const auto& c : cases) {
        CaptureStartError error;
        ASSERT_TRUE(capture.StartSavefile(c.path, c.settings, &error)) << error.message;
        capture.Wait();
        EXPECT_FALSE(capture.IsCapturing());
        EXPECT_EQ(sink.Take(), c.lines);
    }
}

// Stops the capture from another thread at the first row, before the
// capture thread may go on.
class StoppingSink final : public CaptureSink {
public:
    int AddCapturedRow(const std::string&, const std::string&, const std::string&) override
    {
        if (++rows == 1)
            std::thread([this] { capture->Stop(); }).join();
        return 0;
    }
    void SetCapturedTitle(const std::string&, const std::string&) override {}
    UrlCapture* capture = nullptr;
    int rows = 0;
};

TEST(PacketCaptureTest, StopFromAnotherThreadTakesEffectBeforeTheNextFrame)
{
    testsupport::TempDir dir;
    {
        SavefileWriter writer(dir.File("many.pcap"), DLT_EN10MB);
        for (int i = 0; i < 200; ++i)
            writer.Write(Frame(80, HttpGet("/m" + std::to_string(i) + ".asf")));
    }
    CaptureMemory memory;
    StoppingSink sink;
    UrlCapture capture(memory, sink);
    sink.capture = &capture;
    Strings ends;
    capture.SetEndHandler([&](const std::string& error) { ends.push_back(error); });
    CaptureStartError error;
    ASSERT_TRUE(capture.StartSavefile(dir.File("many.pcap"), Defaults(), &error)) << error.message;
    capture.Wait();
    EXPECT_EQ(sink.rows, 1);
    EXPECT_EQ(capture.capture().FramesSeen(), 1u);
    EXPECT_EQ(ends, Strings{""});
}

// A client that ends at once: enough for a job to start and finish.
class InstantClient final : public ProtocolClient {
public:
    uint32_t Record(const RecordRequest&) override { return 0; }
    void Stop() override {}
};

class NoStatus final : public StatusSink {
public:
    void Post(uint16_t, int) override {}
};

// Requests sent on the loopback interface become media list rows; Record
// Start then stops the capture through the controller's callback, wired as
// a front end does.
TEST(PacketCaptureLiveTest, LoopbackRequestsBecomeRowsAndRecordingStopsTheCapture)
{
    // The request ports are fixed; a loopback address of our own keeps them
    // clear of anything else on this machine.
    const std::string host =
        "127." + std::to_string(100 + getpid() % 100) + "." + std::to_string(getpid() / 100 % 250) + ".9";
    Sockets sockets;
    const int mms = sockets.Open(host, 1755, true);
    if (sockets.Open(host, 8080, true) < 0 || sockets.Open(host, 554, true) < 0 || mms < 0)
        GTEST_SKIP() << "cannot listen on ports 8080, 554 and 1755 of " << host << " (not permitted, in use)";

    testsupport::TempDir dir;
    AppSettings settings;
    settings.m_baseDir = dir.path();
    MediaList list(settings, nullptr);
    list.AddEntry("http://10.0.0.5/v/a.asf", "Typed by hand", "", "");
    MediaListCaptureSink sink(list);
    CaptureMemory memory;
    UrlCapture capture(memory, sink);
    std::atomic<bool> ended{false};
    capture.SetEndHandler([&](const std::string&) { ended = true; });
    CaptureStartError error;
    if (!capture.StartLive("lo", Defaults(), &error)) {
        if (error.kind == CaptureStartError::kNotPermitted)
            GTEST_SKIP() << "live capture is not permitted here: " << error.message;
        FAIL() << error.message;
    }
    EXPECT_FALSE(capture.StartLive("lo", Defaults(), &error));
    EXPECT_EQ(error.kind, CaptureStartError::kBusy);

    const int player = sockets.Open(host, 1755, false);
    const std::string id = "NSPlayer/9.0.0.3646; {11111111-2222-3333-4444-555555555555}";
    EXPECT_TRUE(Sockets::Send(sockets.Open(host, 8080, false), HttpGet("/live/a.asf")) &&
                Sockets::Send(sockets.Open(host, 554, false), RtspDescribe("rtsp://" + host + "/live")) &&
                Sockets::Send(player, MmsConnect(id)) &&
                Sockets::Send(player, MmsOpenFile(u"live/x.asf")) &&
                Sockets::Send(sockets.Accept(mms), AsfTitleHeader(u"Loopback title", true)));
    // Frames arrive in batches, at the latest after the one-second read time-out.
    const std::string mmsAddress = "mms://" + host + "/live/x.asf";
    for (int i = 0; i < 200 && list.Cell(list.FindAddress(mmsAddress), kColFile) != "Loopback title"; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_GT(list.FindAddress("http://" + host + ":8080/live/a.asf"), 0);
    EXPECT_GT(list.FindAddress("rtsp://" + host + "/live"), 0);
    const int row = list.FindAddress(mmsAddress);
    ASSERT_GT(row, 0);
    EXPECT_EQ(list.Cell(row, kColNs), id);
    EXPECT_EQ(list.Cell(row, kColFile), "Loopback title");
    EXPECT_EQ(list.Cell(0, kColFile), "Typed by hand");

    NoStatus status;
    JobServices services;
    services.factory = [](ClientKind, const ClientEnvironment&) { return std::make_unique<InstantClient>(); };
    RecorderController::Callbacks callbacks;
    callbacks.stopCapture = [&capture] { capture.Stop(); };
    RecorderController controller(list, settings, status, services, callbacks);
    ASSERT_TRUE(capture.IsCapturing());
    ASSERT_EQ(controller.RecordStart(0), 1);
    for (int i = 0; i < 40 && !ended; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(ended) << "the capture thread still runs 2 s after Record Start";
}

}  // namespace
