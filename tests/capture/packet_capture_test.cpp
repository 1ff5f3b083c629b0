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

// One capture object and one memory for a whole test: the player
// identification of a first capture outlives it.
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
    const std::string mixed = dir.File("mixed.pcap"), cooked = dir.File("any.pcap");
    const std::string many = dir.File("many.pcap"), wifi = dir.File("wifi.pcap");
    const Strings expected = WriteMixedSavefile(mixed);
    {
        SavefileWriter writer(cooked, DLT_LINUX_SLL), manyWriter(many, DLT_EN10MB), wifiWriter(wifi, DLT_IEEE802_11);
        writer.Write(Cooked(Ipv4(Tcp(80, HttpGet("/sll.asf")))));
        writer.Write(Cooked(Ipv4(Tcp(1755, MmsOpenFile(u"sll.asf")))));
        for (int i = 0; i < 200; ++i)
            manyWriter.Write(Frame(80, HttpGet("/m" + std::to_string(i) + ".asf")));
    }
    const std::string& mms = expected[expected.size() - 2];
    const std::string player = mms.substr(mms.find("\tplayer"));
    for (const auto& [path, lines] : {std::pair<std::string, Strings>{mixed, expected},
                                      {cooked, {"added\thttp://10.0.0.5/sll.asf", "added\tmms://10.0.0.5/sll.asf" + player}}}) {
        Start(path);
        capture.Wait();
        EXPECT_FALSE(capture.IsCapturing());
        EXPECT_EQ(sink.Take(), lines);
    }
    EXPECT_FALSE(capture.StartSavefile(wifi, Watched(), &error));
    EXPECT_EQ(error.kind, CaptureStartError::kUnsupportedLink) << error.message;

    sink.onRow = [this] { std::thread([this] { capture.Stop(); }).join(); };
    Start(many);
    capture.Wait();
    EXPECT_EQ(sink.Take(), Strings{"added\thttp://10.0.0.5/m0.asf"});
    EXPECT_EQ(capture.capture().FramesSeen(), 1u);
    EXPECT_EQ(Ends(), (Strings{"", "", ""}));
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
    auto writeFifo = [&fifo](const std::string& bytes) {
        int fd = -1;
        for (int i = 0; fd < 0 && i < 100; ++i, std::this_thread::sleep_for(fd < 0 ? 10ms : 0ms))
            fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        return fd;
    };
    Start(fifo);
    const int writer = writeFifo(testsupport::ReadFile(one));
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
          {"version", CaptureStartError::kOther, "something other than a capture"},
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

    for (const auto& [adapter, text] : {std::pair{"huge", "malformed output"}, {"unknown", "malformed output"},
                                        {"fails", "receiving frames failed: gone"}, {"killed", "signal 9"}}) {
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
