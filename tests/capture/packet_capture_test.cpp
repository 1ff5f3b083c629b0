#include "capture/packet_capture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <netinet/tcp.h>
#include <pcap/dlt.h>
#include <unistd.h>

#include <csignal>
#include <mutex>
#include <thread>

#include "base/status_sink.h"
#include "capture/adapter_selection.h"
#include "capture/capture_memory.h"
#include "capture/media_list_sink.h"
#include "capture/url_capture.h"
#include "frame_builder.h"
#include "helper_fixture.h"
#include "medialist/media_list.h"
#include "record/recorder_controller.h"
#include "task_queue.h"
#include "test_support.h"

using namespace capturetest;
using namespace std::chrono_literals;

namespace {

// One capture object and one memory for every file: the player
// identification of the first outlives its capture. A link type that
// cannot be read is refused. A stop from another thread takes effect
// before the next frame.
TEST(PacketCaptureTest, SavefilesYieldExactlyTheRequestsUntilStopped)
{
    testsupport::TempDir dir;
    const std::string mixed = dir.File("mixed.pcap"), cooked = dir.File("any.pcap");
    const std::string many = dir.File("many.pcap"), wifi = dir.File("wifi.pcap");
    const Strings expected = WriteMixedSavefile(mixed);
    {
        SavefileWriter writer(cooked, DLT_LINUX_SLL);
        writer.Write(Cooked(Ipv4(Tcp(80, HttpGet("/sll.asf")))));
        writer.Write(Cooked(Ipv4(Tcp(1755, MmsOpenFile(u"sll.asf")))));
        SavefileWriter manyWriter(many, DLT_EN10MB);
        for (int i = 0; i < 200; ++i)
            manyWriter.Write(Frame(80, HttpGet("/m" + std::to_string(i) + ".asf")));
        SavefileWriter wifiWriter(wifi, DLT_IEEE802_11);
    }
    const std::string& mms = expected[expected.size() - 2];
    const std::string player = mms.substr(mms.find("\tplayer"));
    const std::pair<std::string, Strings> cases[] = {
        {mixed, expected},
        {cooked, {"added\thttp://10.0.0.5/sll.asf", "added\tmms://10.0.0.5/sll.asf" + player}}};
    CaptureMemory memory;
    LineSink sink;
    UrlCapture capture(memory, sink);
    Strings ends;
    capture.SetEndHandler([&](const std::string& error) { ends.push_back(error); });
    CaptureStartError error;
    for (const auto& [path, lines] : cases) {
        ASSERT_TRUE(capture.StartSavefile(path, Watched(), &error)) << error.message;
        capture.Wait();
        EXPECT_FALSE(capture.IsCapturing());
        EXPECT_EQ(sink.Take(), lines);
    }
    EXPECT_FALSE(capture.StartSavefile(wifi, Watched(), &error));
    EXPECT_EQ(error.kind, CaptureStartError::kUnsupportedLink) << error.message;

    sink.onRow = [&capture] { std::thread([&capture] { capture.Stop(); }).join(); };
    ASSERT_TRUE(capture.StartSavefile(many, Watched(), &error)) << error.message;
    capture.Wait();
    EXPECT_EQ(sink.Take(), Strings{"added\thttp://10.0.0.5/m0.asf"});
    EXPECT_EQ(capture.capture().FramesSeen(), 1u);
    EXPECT_EQ(ends, (Strings{"", "", ""}));
}

// A savefile that is a FIFO is read in ticks that look at the stop: its
// frames arrive as the writer sends them, Stop() ends a capture whose writer
// has gone quiet (or never came), and a file header
// read on the capture thread that names a link type that cannot be read
// ends the capture with that message.
TEST(PacketCaptureTest, AQuietFifoNeverHoldsTheCaptureThread)
{
    testsupport::TempDir dir;
    const std::string one = dir.File("one.pcap"), wifi = dir.File("wifi.pcap"), fifo = dir.File("f");
    {
        SavefileWriter writer(one, DLT_EN10MB);
        writer.Write(Frame(80, HttpGet("/fifo.asf")));
        SavefileWriter wifiWriter(wifi, DLT_IEEE802_11);
    }
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CaptureMemory memory;
    LineSink sink;
    UrlCapture capture(memory, sink);
    std::mutex mutex;
    Strings ends;
    capture.SetEndHandler([&](const std::string& error) {
        std::lock_guard lock(mutex);
        ends.push_back(error);
    });
    auto writeFifo = [&fifo](const std::string& bytes) {
        int fd = -1;
        for (int i = 0; fd < 0 && i < 100; ++i) {
            fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                std::this_thread::sleep_for(10ms);
        }
        EXPECT_GE(fd, 0);
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        return fd;
    };
    auto stopWithinASecond = [&capture] {
        const auto start = std::chrono::steady_clock::now();
        capture.Stop();
        capture.Wait();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    };
    CaptureStartError error;

    // Quiet after one frame.
    ASSERT_TRUE(capture.StartSavefile(fifo, Watched(), &error)) << error.message;
    int writer = writeFifo(testsupport::ReadFile(one));
    for (int i = 0; i < 100 && capture.capture().FramesSeen() == 0; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(capture.capture().FramesSeen(), 1u);
    EXPECT_TRUE(capture.IsCapturing());
    stopWithinASecond();
    close(writer);
    EXPECT_EQ(sink.Take(), Strings{"added\thttp://10.0.0.5/fifo.asf"});

    // Never opened by a writer at all.
    ASSERT_TRUE(capture.StartSavefile(fifo, Watched(), &error)) << error.message;
    std::this_thread::sleep_for(200ms);
    stopWithinASecond();

    // A link type that cannot be read, found on the thread.
    ASSERT_TRUE(capture.StartSavefile(fifo, Watched(), &error)) << error.message;
    writer = writeFifo(testsupport::ReadFile(wifi));
    capture.Wait();
    close(writer);
    std::lock_guard lock(mutex);
    ASSERT_EQ(ends.size(), 3u);
    EXPECT_EQ(ends[0] + ends[1], "") << "a stop is no failure";
    EXPECT_NE(ends[2].find("cannot be read"), std::string::npos) << ends[2];
}

// A live capture is the capture helper's output, read as hostile input: its
// frames are parsed as a savefile's are; a refusal at the start comes back
// as the helper said it; a record past its limits, of no known type, an
// error or a helper that dies ends the capture with a message; a stop ends a
// helper that ignores SIGTERM within a second. No helper outlives its
// capture.
TEST(PacketCaptureHelperTest, CapturesOnlyWhatTheHelperSendsAsItShould)
{
    testsupport::TempDir dir;
    const Strings expected = WriteMixedSavefile(dir.File("mixed.pcap"));
    const std::string helper = InstallFakeHelper(dir.path(), dir.File("mixed.pcap"));
    auto helperGone = [&] {
        const int pid = std::stoi(testsupport::ReadFile(dir.File("libexec/brimcast/pid")));
        return kill(pid, 0) != 0 && errno == ESRCH;
    };
    CaptureMemory memory;
    LineSink sink;
    UrlCapture capture(memory, sink);
    capture.SetHelper(helper);
    std::mutex mutex;
    Strings ends;
    capture.SetEndHandler([&](const std::string& error) {
        std::lock_guard lock(mutex);
        ends.push_back(error);
    });
    auto lastEnd = [&] {
        std::lock_guard lock(mutex);
        return ends.empty() ? std::string("(none)") : ends.back();
    };
    CaptureStartError error;

    ASSERT_TRUE(capture.StartLive("replay", Watched(), &error)) << error.message;
    capture.Wait();
    EXPECT_EQ(sink.Take(), expected);
    EXPECT_EQ(lastEnd(), "");
    EXPECT_TRUE(helperGone());

    const struct {
        const char* adapter;
        CaptureStartError::Kind kind;
        const char* text;
    } refused[] = {
        {"denied", CaptureStartError::kNotPermitted, "is not permitted"},
        {"version", CaptureStartError::kOther, "something other than a capture"},
        {"a b", CaptureStartError::kNoSuchAdapter, "no network adapter named"},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(capture.StartLive(r.adapter, Watched(), &error)) << r.adapter;
        EXPECT_EQ(error.kind, r.kind) << r.adapter;
        EXPECT_NE(error.message.find(r.text), std::string::npos) << error.message;
        EXPECT_FALSE(capture.IsCapturing());
    }
    EXPECT_TRUE(helperGone());
    ASSERT_EQ(chmod(helper.c_str(), 0777), 0);
    EXPECT_FALSE(capture.StartLive("replay", Watched(), &error));
    EXPECT_NE(error.message.find("may be changed by other users"), std::string::npos) << error.message;
    ASSERT_EQ(chmod(helper.c_str(), 0755), 0);

    const std::pair<const char*, const char*> ended[] = {
        {"huge", "malformed output"},
        {"unknown", "malformed output"},
        {"fails", "receiving frames failed: gone"},
        {"killed", "signal 9"},
    };
    for (const auto& [adapter, text] : ended) {
        ASSERT_TRUE(capture.StartLive(adapter, Watched(), &error)) << adapter << ": " << error.message;
        capture.Wait();
        EXPECT_NE(lastEnd().find(text), std::string::npos) << adapter << ": " << lastEnd();
        EXPECT_TRUE(helperGone()) << adapter;
    }

    ASSERT_TRUE(capture.StartLive("quiet", Watched(), &error)) << error.message;
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(capture.IsCapturing());
    const auto stopped = std::chrono::steady_clock::now();
    capture.Stop();
    capture.Wait();
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 1s);
    EXPECT_EQ(lastEnd(), "");
    EXPECT_TRUE(helperGone());
}

// TCP sockets on a loopback address, closed together. Open returns -1 on
// failure; clients send without delay, one request per segment.
class Sockets {
public:
    ~Sockets()
    {
        for (int fd : fds_)
            close(fd);
    }
    int Open(const std::string& host, uint16_t port, bool listening)
    {
        const int fd = fds_.emplace_back(socket(AF_INET, SOCK_STREAM, 0)), one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        inet_pton(AF_INET, host.c_str(), &a.sin_addr);
        const auto* address = reinterpret_cast<sockaddr*>(&a);
        const bool ok = listening ? bind(fd, address, sizeof a) == 0 && listen(fd, 4) == 0
                                  : connect(fd, address, sizeof a) == 0;
        return ok ? fd : -1;
    }
    int Accept(int listener) { return fds_.emplace_back(accept(listener, nullptr, nullptr)); }
    static bool Send(int fd, const std::string& bytes)
    {
        return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }

private:
    std::vector<int> fds_;
};

// A client that ends at once: enough for a job to start and finish.
class InstantClient final : public ProtocolClient {
public:
    uint64_t Record(const RecordRequest&) override { return 0; }
    void Stop() override {}
};

class NoStatus final : public StatusSink {
public:
    void Post(const JobEvent&) override {}
};

// The "Select Adapter" window as a script.
class ScriptedChooser final : public AdapterChooser {
public:
    std::function<bool(AdapterSelection&)> script;
    int shown = 0;
    bool Choose(AdapterSelection& selection) override
    {
        ++shown;
        return script(selection);
    }
};

// The Start command as a front end wires it: Cancel changes nothing; OK
// starts on the chosen adapter and saves it. An MMS session on the loopback
// interface becomes a media list row with the player identification and the
// title; Record Start then stops the capture through the controller's
// callback. Start while capturing acts as Stop, without the dialog.
TEST(PacketCaptureLiveTest, StartCommandCapturesLoopbackRequestsUntilRecordStart)
{
    testsupport::TempDir dir;
    AppSettings settings;
    settings.m_baseDir = dir.path();
    MediaList list(settings, nullptr);
    testsupport::TaskQueue mainThread;
    MediaListCaptureSink sink(list, mainThread);
    CaptureMemory memory;
    UrlCapture capture(memory, sink);
    capture.SetHelper(BuiltHelper());
    std::atomic<bool> ended{false};
    capture.SetEndHandler([&](const std::string&) { ended = true; });
    ScriptedChooser chooser;
    chooser.script = [](AdapterSelection& s) {
        s.captureMms = false;  // changed, then cancelled
        s.save = true;
        return false;
    };
    auto result = capture.StartCommand(chooser, settings);
    EXPECT_FALSE(result.started || capture.IsCapturing() || !result.error.empty()) << result.error;
    EXPECT_TRUE(settings.m_captureMms == 1 && settings.m_captureDriver.empty());

    // The MMS port is fixed; a loopback address of our own keeps it clear of
    // anything else on this machine.
    const std::string host =
        "127." + std::to_string(100 + getpid() % 100) + "." + std::to_string(getpid() / 100 % 250) + ".9";
    Sockets sockets;
    const int server = sockets.Open(host, 1755, true);
    if (server < 0)
        GTEST_SKIP() << "cannot listen on port 1755 of " << host;
    chooser.script = [](AdapterSelection& s) {
        const auto& a = s.adapters();
        s.save = true;
        const auto lo = std::find_if(a.begin(), a.end(), [](auto& x) { return x.name == "lo"; });
        s.selected = static_cast<int>(lo - a.begin());
        return s.selected < static_cast<int>(a.size());
    };
    result = capture.StartCommand(chooser, settings);
    if (!result.started && result.error.find("not permitted") != std::string::npos)
        GTEST_SKIP() << "live capture is not permitted here: " << result.error;
    ASSERT_TRUE(result.started && capture.IsCapturing()) << result.error;
    EXPECT_EQ(settings.m_captureDriver, "lo");
    CaptureStartError error;
    EXPECT_FALSE(capture.StartLive("lo", Watched(), &error));
    EXPECT_EQ(error.kind, CaptureStartError::kBusy);

    const int player = sockets.Open(host, 1755, false);
    const std::string id = "NSPlayer/9.0.0.3646; {11111111-2222-3333-4444-555555555555}";
    EXPECT_TRUE(Sockets::Send(player, MmsConnect(id)) && Sockets::Send(player, MmsOpenFile(u"live/x.asf")) &&
                Sockets::Send(sockets.Accept(server), AsfTitleHeader(u"Loopback title", true)));
    // Frames arrive in batches, at the latest after the one-second read time-out.
    const std::string address = "mms://" + host + "/live/x.asf";
    mainThread.RunUntil([&] { return list.Cell(list.FindAddress(address), kColFile) == "Loopback title"; });
    const int row = list.FindAddress(address);
    ASSERT_GE(row, 0);
    EXPECT_EQ(list.Cell(row, kColNs), id);
    EXPECT_EQ(list.Cell(row, kColFile), "Loopback title");

    NoStatus status;
    JobServices services;
    services.factory = [](ClientKind, const ClientEnvironment&) { return std::make_unique<InstantClient>(); };
    RecorderController::Callbacks callbacks;
    callbacks.stopCapture = [&capture] { capture.Stop(); };
    RecorderController controller(list, settings, status, services, callbacks);
    ASSERT_TRUE(capture.IsCapturing());
    ASSERT_EQ(controller.RecordStart(row), 1);
    for (int i = 0; i < 40 && !ended; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(ended) << "the capture thread still runs 2 s after Record Start";

    EXPECT_TRUE(capture.StartCommand(chooser, settings).started);
    EXPECT_FALSE(capture.StartCommand(chooser, settings).started || capture.IsCapturing());
    EXPECT_EQ(chooser.shown, 3);
}

}  // namespace
