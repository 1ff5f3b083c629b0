#include "capture/packet_capture.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pcap/dlt.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <thread>

#include "capture/capture_memory.h"
#include "capture/url_capture.h"
#include "frame_builder.h"
#include "test_support.h"

using namespace capturetest;
using namespace std::chrono_literals;

namespace {

CaptureSettings DefaultSettings()
{
    CaptureSettings s;
    s.fileTypes = {".wmv", ".asf", ".wma", ".ogg", ".avi", ".mpa", ".mpg", ".mpeg"};
    return s;
}

TcpPacket To(uint16_t port, std::string payload)
{
    TcpPacket p;
    p.destPort = port;
    p.payload = std::move(payload);
    return p;
}

// An HTTP request whose frame is exactly `frameSize` bytes long.
Bytes GetFrameOfSize(const std::string& target, size_t frameSize)
{
    std::string payload = "GET " + target + " HTTP/1.0\r\n";
    const size_t headers = 14 + 20 + 20;
    payload.resize(frameSize - headers - 2, 'x');
    payload += "\r\n";
    Bytes frame = TcpFrame(To(80, payload));
    EXPECT_EQ(frame.size(), frameSize);
    return frame;
}

// Reads a savefile through a capture thread and returns the rows.
std::vector<RecordingSink::Row> ReadSavefile(const std::string& path, const CaptureSettings& s,
                                             uint64_t* seen = nullptr, uint64_t* parsed = nullptr)
{
    CaptureMemory memory;
    RecordingSink sink;
    UrlCapture capture(memory, sink);
    CaptureStartError error;
    EXPECT_TRUE(capture.StartSavefile(path, s, &error)) << error.message;
    capture.Wait();
    EXPECT_FALSE(capture.IsCapturing());
    if (seen)
        *seen = capture.capture().FramesSeen();
    if (parsed)
        *parsed = capture.capture().FramesParsed();
    return sink.Rows();
}

TEST(PacketCaptureTest, FramesOf96BytesAreSkipped97Parsed)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("sizes.pcap");
    {
        SavefileWriter writer(path, DLT_EN10MB);
        ASSERT_TRUE(writer.ok());
        writer.Write(GetFrameOfSize("/s96.asf", 96));
        writer.Write(GetFrameOfSize("/s97.asf", 97));
    }
    uint64_t seen = 0, parsed = 0;
    const auto rows = ReadSavefile(path, DefaultSettings(), &seen, &parsed);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].address, "http://10.0.0.5/s97.asf");
    EXPECT_EQ(seen, 2u);
    EXPECT_EQ(parsed, 1u);
}

TEST(PacketCaptureTest, MixedSavefileYieldsExactlyTheRequests)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("mixed.pcap");
    const MixedCapture mixed = WriteMixedSavefile(path);
    uint64_t seen = 0;
    const auto rows = ReadSavefile(path, DefaultSettings(), &seen);
    EXPECT_EQ(seen, mixed.frames);
    std::vector<std::string> lines;
    for (const auto& row : rows) {
        std::string line = "added\t" + row.address;
        if (!row.identity.empty())
            line += "\tplayer\t" + row.identity;
        lines.push_back(line);
    }
    for (const auto& row : rows) {
        if (!row.title.empty())
            lines.push_back("title\t" + row.address + "\t" + row.title);
    }
    EXPECT_EQ(lines, mixed.expectedLines);
}

TEST(PacketCaptureTest, CookedLinkSavefile)
{
    // What libpcap writes when capturing on the "any" device.
    testsupport::TempDir dir;
    const std::string path = dir.File("any.pcap");
    {
        SavefileWriter writer(path, DLT_LINUX_SLL);
        ASSERT_TRUE(writer.ok());
        writer.Write(LinuxCooked(Ipv4(To(80, HttpGet("/sll.asf")))));
        writer.Write(LinuxCooked(Ipv4(To(1755, MmsOpenFile(u"sll.asf")))));
    }
    const auto rows = ReadSavefile(path, DefaultSettings());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].address, "http://10.0.0.5/sll.asf");
    EXPECT_EQ(rows[1].address, "mms://10.0.0.5/sll.asf");
}

TEST(PacketCaptureTest, StartFailuresLeaveTheCaptureIdle)
{
    testsupport::TempDir dir;
    CaptureMemory memory;
    RecordingSink sink;
    UrlCapture capture(memory, sink);
    CaptureStartError error;

    const std::string wifi = dir.File("wifi.pcap");
    { SavefileWriter writer(wifi, DLT_IEEE802_11); }
    EXPECT_FALSE(capture.StartSavefile(wifi, DefaultSettings(), &error));
    EXPECT_EQ(error.kind, CaptureStartError::kUnsupportedLink);
    EXPECT_NE(error.message.find("link type 105"), std::string::npos) << error.message;
    EXPECT_FALSE(capture.IsCapturing());

    error = {};
    EXPECT_FALSE(capture.StartSavefile(dir.File("missing.pcap"), DefaultSettings(), &error));
    EXPECT_EQ(error.kind, CaptureStartError::kOther);
    EXPECT_NE(error.message.find("missing.pcap"), std::string::npos) << error.message;
    EXPECT_NE(error.message.find("No such file"), std::string::npos) << error.message;

    error = {};
    EXPECT_FALSE(capture.StartLive("brimcast-none0", DefaultSettings(), &error));
    EXPECT_EQ(error.kind, CaptureStartError::kNoSuchAdapter);
    EXPECT_NE(error.message.find("brimcast-none0"), std::string::npos);
    EXPECT_FALSE(capture.IsCapturing());
}

// Blocks the capture thread inside the first row until the test lets it go.
class GateSink final : public CaptureSink {
public:
    int AddCapturedRow(const std::string&, const std::string&, const std::string&) override
    {
        std::unique_lock lock(mutex_);
        ++rows_;
        reached_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return released_; });
        return rows_;
    }
    void SetCapturedTitle(const std::string&, const std::string&) override {}
    void WaitReached()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return reached_; });
    }
    void Release()
    {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    int rows()
    {
        std::lock_guard lock(mutex_);
        return rows_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reached_ = false;
    bool released_ = false;
    int rows_ = 0;
};

TEST(PacketCaptureTest, StopFromOtherThreadsTakesEffectBeforeTheNextFrame)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("many.pcap");
    {
        SavefileWriter writer(path, DLT_EN10MB);
        for (int i = 0; i < 200; ++i)
            writer.Write(TcpFrame(To(80, HttpGet("/m" + std::to_string(i) + ".asf"))));
    }
    CaptureMemory memory;
    GateSink sink;
    UrlCapture capture(memory, sink);
    std::atomic<int> ends{0};
    std::string endError = "not called";
    capture.SetEndHandler([&](const std::string& error) {
        endError = error;
        ++ends;
    });
    CaptureStartError error;
    ASSERT_TRUE(capture.StartSavefile(path, DefaultSettings(), &error)) << error.message;
    sink.WaitReached();
    EXPECT_TRUE(capture.IsCapturing());
    std::vector<std::thread> stoppers;
    for (int i = 0; i < 3; ++i)
        stoppers.emplace_back([&] { capture.Stop(); });
    for (auto& t : stoppers)
        t.join();
    EXPECT_FALSE(capture.IsCapturing());
    sink.Release();
    capture.Wait();
    EXPECT_EQ(sink.rows(), 1);
    EXPECT_EQ(capture.capture().FramesSeen(), 1u);
    EXPECT_EQ(ends.load(), 1);
    EXPECT_EQ(endError, "");
}

TEST(PacketCaptureTest, RestartTakesNewSettings)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("again.pcap");
    {
        SavefileWriter writer(path, DLT_EN10MB);
        writer.Write(TcpFrame(To(80, HttpGet("/a.asf"))));
        writer.Write(TcpFrame(To(554, RtspDescribe("rtsp://10.0.0.5/r"))));
    }
    CaptureMemory memory;
    RecordingSink sink;
    UrlCapture capture(memory, sink);
    CaptureSettings noHttp = DefaultSettings();
    noHttp.http = false;
    CaptureStartError error;
    ASSERT_TRUE(capture.StartSavefile(path, noHttp, &error));
    // Starting again collects the first thread, whether or not it ended yet.
    capture.Wait();
    ASSERT_TRUE(capture.StartSavefile(path, DefaultSettings(), &error));
    capture.Wait();
    EXPECT_EQ(sink.Addresses(), (std::vector<std::string>{"rtsp://10.0.0.5/r",
                                                           "http://10.0.0.5/a.asf"}));
}

// --- Live capture on the loopback interface ---

class Socket {
public:
    explicit Socket(int fd = -1) : fd_(fd) {}
    ~Socket()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Socket(Socket&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    Socket& operator=(Socket&& o) noexcept
    {
        std::swap(fd_, o.fd_);
        return *this;
    }
    int fd() const { return fd_; }

private:
    int fd_;
};

sockaddr_in Address(const std::string& host, uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    return a;
}

Socket Listen(const std::string& host, uint16_t port)
{
    Socket s(socket(AF_INET, SOCK_STREAM, 0));
    const int one = 1;
    setsockopt(s.fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = Address(host, port);
    if (bind(s.fd(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s.fd(), 4) != 0)
        return Socket();
    return s;
}

Socket Connect(const std::string& host, uint16_t port)
{
    Socket s(socket(AF_INET, SOCK_STREAM, 0));
    const int one = 1;
    setsockopt(s.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval tv{5, 0};
    setsockopt(s.fd(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in a = Address(host, port);
    if (connect(s.fd(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return Socket();
    return s;
}

Socket Accept(const Socket& listener)
{
    Socket s(accept(listener.fd(), nullptr, nullptr));
    const int one = 1;
    setsockopt(s.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval tv{5, 0};
    setsockopt(s.fd(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    return s;
}

void SendAll(const Socket& s, const std::string& bytes)
{
    ASSERT_EQ(send(s.fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
}

// Receives exactly n bytes, as the peer of a request/reply exchange.
void Receive(const Socket& s, size_t n)
{
    std::string buffer(n, '\0');
    size_t got = 0;
    while (got < n) {
        const ssize_t r = recv(s.fd(), buffer.data() + got, n - got, 0);
        ASSERT_GT(r, 0) << "peer closed or timed out";
        got += static_cast<size_t>(r);
    }
}

TEST(PacketCaptureLiveTest, LoopbackRequestsBecomeRows)
{
    // The request ports are fixed (8080, 554, 1755); a loopback address of
    // our own keeps them clear of anything else on this machine.
    std::string host;
    Socket http, rtsp, mms;
    for (int attempt = 0; attempt < 8 && host.empty(); ++attempt) {
        const std::string candidate = "127." + std::to_string(100 + (getpid() + attempt) % 100) +
                                      "." + std::to_string((getpid() / 100 + attempt) % 250) + ".9";
        http = Listen(candidate, 8080);
        rtsp = Listen(candidate, 554);
        mms = Listen(candidate, 1755);
        if (http.fd() >= 0 && rtsp.fd() >= 0 && mms.fd() >= 0)
            host = candidate;
    }
    if (host.empty())
        GTEST_SKIP() << "cannot listen on ports 8080, 554 and 1755 of a loopback address "
                        "(not permitted or in use)";

    CaptureMemory memory;
    RecordingSink sink;
    UrlCapture capture(memory, sink);
    CaptureStartError error;
    if (!capture.StartLive("lo", DefaultSettings(), &error)) {
        if (error.kind == CaptureStartError::kNotPermitted)
            GTEST_SKIP() << "live capture is not permitted here: " << error.message;
        FAIL() << error.message;
    }
    // A second start while one runs is refused; the first keeps running.
    CaptureStartError busy;
    EXPECT_FALSE(capture.StartLive("lo", DefaultSettings(), &busy));
    EXPECT_EQ(busy.kind, CaptureStartError::kBusy);
    EXPECT_TRUE(capture.IsCapturing());

    {
        Socket client = Connect(host, 8080);
        Socket server = Accept(http);
        SendAll(client, HttpGet("/live/a.asf"));
        Receive(server, HttpGet("/live/a.asf").size());
    }
    {
        Socket client = Connect(host, 554);
        Socket server = Accept(rtsp);
        SendAll(client, RtspDescribe("rtsp://" + host + "/live"));
        Receive(server, RtspDescribe("rtsp://" + host + "/live").size());
    }
    {
        Socket client = Connect(host, 1755);
        Socket server = Accept(mms);
        const std::string connect =
            MmsConnect(u"NSPlayer/9.0.0.3646; {11111111-2222-3333-4444-555555555555}; Host: x");
        SendAll(client, connect);
        Receive(server, connect.size());
        const std::string reply = MmsCommand(0x00040001, std::string(40, '\0'));
        SendAll(server, reply);
        Receive(client, reply.size());
        const std::string open = MmsOpenFile(u"live/x.asf");
        SendAll(client, open);
        Receive(server, open.size());
        const std::string header = AsfHeaderWithTitle(u"Loopback title", true);
        SendAll(server, header);
        Receive(client, header.size());
    }

    const std::vector<std::string> expected = {"http://" + host + ":8080/live/a.asf",
                                               "rtsp://" + host + "/live",
                                               "mms://" + host + "/live/x.asf"};
    // Frames arrive in batches, at the latest after the one-second read
    // time-out; give them a generous bound.
    std::vector<RecordingSink::Row> ours;
    bool titled = false;
    for (int i = 0; i < 200 && !(ours.size() == 3 && titled); ++i) {
        std::this_thread::sleep_for(50ms);
        ours.clear();
        titled = false;
        for (const auto& row : sink.Rows()) {
            if (row.address.find(host) != std::string::npos)
                ours.push_back(row);
            if (row.title == "Loopback title")
                titled = true;
        }
    }
    std::thread stopper([&] { capture.Stop(); });
    stopper.join();
    capture.Wait();
    EXPECT_FALSE(capture.IsCapturing());

    ASSERT_EQ(ours.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(ours[i].address, expected[i]);
    EXPECT_EQ(ours[2].identity, "NSPlayer/9.0.0.3646; {11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(ours[2].title, "Loopback title");
}

}  // namespace
