#include "capture/packet_capture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <pcap/dlt.h>
#include <unistd.h>

#include <csignal>
#include <mutex>
#include <thread>

#include "capture/capture_memory.h"
#include "capture/url_capture.h"
#include "frame_builder.h"
#include "helper_fixture.h"
#include "test_support.h"

using namespace capturetest;
using namespace std::chrono_literals;

namespace {

// One capture object and one memory for a whole test.
class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        capture.SetEndHandler([this](const std::string& e) {
            std::lock_guard lock(mutex);
            ends.push_back(e);
        });
    }
    Strings Ends()
    {
        std::lock_guard lock(mutex);
        return ends;
    }
    std::string LastEnd()
    {
        const Strings e = Ends();
        return e.empty() ? "(none)" : e.back();
    }
    void Start(const std::string& savefileOrAdapter, bool live = false)
    {
        const bool started = live ? capture.StartLive(savefileOrAdapter, Watched(), &error)
                                  : capture.StartSavefile(savefileOrAdapter, Watched(), &error);
        ASSERT_TRUE(started) << savefileOrAdapter << ": " << error.message;
    }
    void StopWithinASecond()
    {
        const auto start = std::chrono::steady_clock::now();
        capture.Stop();
        capture.Wait();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    }
    testsupport::TempDir dir;
    CaptureMemory memory;
    LineSink sink;
    UrlCapture capture{memory, sink};
    CaptureStartError error;
    std::mutex mutex;
    Strings ends;
};

// A link type that cannot be read is refused; a stop from another thread
// takes effect before the next frame.
TEST_F(CaptureTest, SavefilesYieldExactlyTheRequestsUntilStopped)
{
    const std::string mixed = dir.File("mixed.pcap"), many = dir.File("many.pcap"), wifi = dir.File("wifi.pcap");
    const Strings expected = WriteMixedSavefile(mixed);
    {
        SavefileWriter manyWriter(many, DLT_EN10MB), wifiWriter(wifi, DLT_IEEE802_11);
        for (int i = 0; i < 200; ++i)
            manyWriter.Write(Frame(80, HttpGet("/m" + std::to_string(i) + ".asf")));
    }
    Start(mixed);
    capture.Wait();
    EXPECT_FALSE(capture.IsCapturing());
    EXPECT_EQ(sink.Take(), expected);
    EXPECT_FALSE(capture.StartSavefile(wifi, Watched(), &error));
    EXPECT_EQ(error.kind, CaptureStartError::kUnsupportedLink) << error.message;

    sink.onRow = [this] { std::thread([this] { capture.Stop(); }).join(); };
    Start(many);
    capture.Wait();
    EXPECT_EQ(sink.Take(), Strings{"added\thttp://10.0.0.5/m0.asf"});
    EXPECT_EQ(capture.capture().FramesSeen(), 1u);
    EXPECT_EQ(Ends(), (Strings{"", ""}));
}

// A savefile that is a FIFO is read in ticks that look at the stop: frames
// arrive as the writer sends them, Stop() ends a capture whose writer went
// quiet or never came.
TEST_F(CaptureTest, AQuietFifoNeverHoldsTheCaptureThread)
{
    const std::string one = dir.File("one.pcap"), fifo = dir.File("f");
    {
        SavefileWriter writer(one, DLT_EN10MB);
        writer.Write(Frame(80, HttpGet("/fifo.asf")));
    }
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Start(fifo);
    int writer = -1;  // opens once the capture thread reads
    for (int i = 0; writer < 0 && i < 100; ++i, std::this_thread::sleep_for(writer < 0 ? 10ms : 0ms))
        writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const std::string bytes = testsupport::ReadFile(one);
    EXPECT_EQ(write(writer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    for (int i = 0; i < 100 && capture.capture().FramesSeen() == 0; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(capture.capture().FramesSeen(), 1u);
    EXPECT_TRUE(capture.IsCapturing());
    StopWithinASecond();
    close(writer);
    EXPECT_EQ(sink.Take(), Strings{"added\thttp://10.0.0.5/fifo.asf"});

    Start(fifo);  // never opened by a writer
    std::this_thread::sleep_for(200ms);
    StopWithinASecond();
    EXPECT_EQ(Ends(), (Strings{"", ""})) << "a stop is no failure";
}

// A live capture is the capture helper's output, read as hostile input: its
// frames are parsed as a savefile's; a refusal at the start comes back as
// the helper said it; a record past its limits, of no known type, an error
// or a helper that dies ends the capture with a message; a stop ends a
// helper that ignores SIGTERM within a second. No helper outlives its capture.
TEST_F(CaptureTest, CapturesOnlyWhatTheHelperSendsAsItShould)
{
    const Strings expected = WriteMixedSavefile(dir.File("mixed.pcap"));
    const std::string helper = InstallFakeHelper(dir.path(), dir.File("mixed.pcap"));
    auto helperGone = [&] {
        const int pid = std::stoi(testsupport::ReadFile(dir.File("libexec/brimcast/pid")));
        return kill(pid, 0) != 0 && errno == ESRCH;
    };
    capture.SetHelper(helper);
    Start("replay", true);
    capture.Wait();
    EXPECT_EQ(sink.Take(), expected);
    EXPECT_EQ(LastEnd(), "");
    EXPECT_TRUE(helperGone());

    for (const auto& [adapter, kind, text] :
         {std::tuple{"denied", CaptureStartError::kNotPermitted, "is not permitted"},
          {"a b", CaptureStartError::kNoSuchAdapter, "no network adapter named"}}) {
        EXPECT_FALSE(capture.StartLive(adapter, Watched(), &error)) << adapter;
        EXPECT_EQ(error.kind, kind) << adapter;
        EXPECT_NE(error.message.find(text), std::string::npos) << error.message;
        EXPECT_FALSE(capture.IsCapturing());
    }
    EXPECT_TRUE(helperGone());
    ASSERT_EQ(chmod(helper.c_str(), 0777), 0);
    EXPECT_FALSE(capture.StartLive("replay", Watched(), &error));
    EXPECT_NE(error.message.find("may be changed by other users"), std::string::npos) << error.message;
    ASSERT_EQ(chmod(helper.c_str(), 0755), 0);

    for (const auto& [adapter, text] : {std::pair{"huge", "malformed output"}, {"fails", "receiving frames failed: gone"}, {"killed", "signal 9"}}) {
        Start(adapter, true);
        capture.Wait();
        EXPECT_NE(LastEnd().find(text), std::string::npos) << adapter << ": " << LastEnd();
        EXPECT_TRUE(helperGone()) << adapter;
    }
    Start("quiet", true);
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(capture.IsCapturing());
    StopWithinASecond();
    EXPECT_EQ(LastEnd(), "");
    EXPECT_TRUE(helperGone());
}

}  // namespace
