#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "asf_test_file.h"
#include "protocols/asfout/resume_scan.h"
#include "protocols/client_hooks.h"
#include "protocols/rtsp/rtsp_client.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using asftest::AsfFields;
using asftest::AsfParts;
using testsupport::FakeServer;
using testsupport::TempDir;
using Clock = std::chrono::steady_clock;

struct Hooks : ClientHooks {
    std::vector<std::pair<std::string, int>> connecting;
    std::vector<std::string> errors;
    std::vector<uint32_t> headerDurations;
    std::atomic<uint32_t> progressCalls{0};
    void OnConnecting(const std::string& url, int port) override { connecting.emplace_back(url, port); }
    void ReportError(const std::string& text) override { errors.push_back(text); }
    void OnHeaderReceived(const std::string&, uint32_t ms) override { headerDurations.push_back(ms); }
    void OnProgress(uint32_t, uint32_t, uint32_t) override { ++progressCalls; }
};

const std::string& SamplePath()
{
    static const std::string path = testsupport::MakeSampleAsf();
    return path;
}

// A short audio-only sample, for the runs that repeat many times.
const std::string& SmallSamplePath()
{
    static const std::string path = [] {
        testsupport::SampleSpec spec;
        spec.seconds = 1.0;
        spec.video = false;
        spec.packetSize = 1000;
        return testsupport::MakeSampleAsf(spec);
    }();
    return path;
}

const AsfParts& Parts(const std::string& path)
{
    static std::map<std::string, AsfParts> cache;
    auto it = cache.find(path);
    if (it == cache.end())
        it = cache.emplace(path, asftest::SplitAsf(testsupport::ReadFile(path))).first;
    return it->second;
}

struct FileCloser {
    void operator()(FILE* f) const
    {
        if (f)
            std::fclose(f);
    }
};
using File = std::unique_ptr<FILE, FileCloser>;

// One fake server and one client recording from it.
struct Session {
    FakeServer server;
    Hooks hooks;
    ClientEnvironment env;
    std::unique_ptr<RtspClient> client;
    std::string url;

    explicit Session(std::vector<std::string> args, const std::string& sample = SamplePath())
    {
        args.insert(args.begin(), {"--file", sample});
        EXPECT_TRUE(server.Start("rtsp_server.py", args));
        url = "rtsp://127.0.0.1:" + std::to_string(server.port()) + "/sample.asf";
        env.hooks = &hooks;
        env.idleTimeoutMs = 10000;
        client = std::make_unique<RtspClient>(env);
    }
    void Remake()
    {
        client = std::make_unique<RtspClient>(env);
    }
    uint32_t Record(const std::string& path, uint32_t resume = 0, const char* mode = "wb",
                    long seekTo = -1)
    {
        File out(std::fopen(path.c_str(), mode));
        EXPECT_TRUE(out);
        if (seekTo >= 0)
            std::fseek(out.get(), seekTo, SEEK_SET);
        RecordRequest request;
        request.out = out.get();
        request.url = url;
        request.playerAgent = "NSPlayer/never-sent";
        request.resume = resume;
        return client->Record(request);
    }
    // The client's port of the next connection, as the server saw it.
    int ClientPort()
    {
        std::string line;
        while (server.process().ReadLine(&line, 5s))
            if (line.rfind("CONNECTION ", 0) == 0)
                return std::stoi(line.substr(11));
        return -1;
    }
};

std::string Packet(const std::string& file, const AsfFields& f, size_t i)
{
    return file.substr(f.headerSize + 50 + i * f.minPacket, f.minPacket);
}

// The file holds the source's header (up to the fields a finished file
// patches) and exactly the first `count` source packets, and it is a
// complete, indexed file with counts and durations that match them.
void ExpectRecordingOf(const std::string& path, const AsfParts& src, size_t count)
{
    const std::string out = testsupport::ReadFile(path);
    AsfFields f = asftest::ReadFields(out);
    ASSERT_TRUE(f.valid);
    ASSERT_EQ(f.headerSize + 50, src.header.size());
    EXPECT_EQ(out.size(), src.header.size() + count * src.packetSize + 62);
    ASSERT_TRUE(f.endsWithIndex);
    EXPECT_EQ(f.fileSize, out.size());
    EXPECT_EQ(f.flags, 2u);
    EXPECT_EQ(f.packetCount, count);
    EXPECT_EQ(f.dataPackets, count);
    EXPECT_EQ(f.dataSize, 50 + count * src.packetSize);
    uint32_t highest = 0;
    for (size_t i = 0; i < count; ++i) {
        ASSERT_EQ(Packet(out, f, i), src.packets[i]) << "packet " << i;
        highest = std::max(highest, asftest::SendTime(src.packets[i], src.packetSize));
    }
    EXPECT_EQ(f.sendDuration, uint64_t{highest} * 10000);
    EXPECT_EQ(f.playDuration, (uint64_t{highest} + f.preroll) * 10000);

    // Outside the patched fields the header is the source's.
    std::string header = out.substr(0, src.header.size());
    std::string want = src.header;
    const size_t fp = asftest::FilePropertiesAt(want);
    for (size_t field : {40, 56, 64, 72})
        asftest::Put64(want, fp + field, asftest::Get64(header, fp + field));
    asftest::Put32(want, fp + 88, 2);
    asftest::Put64(want, f.headerSize + 16, f.dataSize);
    asftest::Put64(want, f.headerSize + 40, f.dataPackets);
    EXPECT_EQ(header, want);
}

std::string ExpectedRequests(const std::string& url, int localPort, const std::string& session)
{
    const std::string common =
        "User-Agent: WMPlayer/9.0.0.2980 guid/3300AD50-2C39-46C0-AE0A-F15D09C924B4\r\n";
    const std::string accept =
        "Accept-Charset: UTF-8, *;q=0.1\r\n"
        "X-Accept-Authentication: Negotiate, NTLM, Digest, Basic\r\n"
        "Accept-Language: ko-KR, *;q=0.1\r\n";
    const std::string supported =
        "Supported: com.microsoft.wm.srvppair, com.microsoft.wm.sswitch, com.microsoft.wm.eosmsg, "
        "com.microsoft.wm.predstrm\r\n";
    std::string r;
    r += "DESCRIBE " + url + " RTSP/1.0\r\n" + common + "Accept: application/sdp\r\n" + accept +
         "CSeq: 1\r\n" + supported + "\r\n";
    r += "SETUP " + url + "/rtx RTSP/1.0\r\n" + common + "Accept: application/sdp\r\n" + accept +
         "CSeq: 2\r\nX-Playlist-Gen-Id: 0\r\n"
         "Transport: RTP/AVP/UDP;unicast;client_port=" + std::to_string(localPort + 1) + "-" +
         std::to_string(localPort + 2) + ";ssrc=b4feb3b3;mode=PLAY\r\n\r\n";
    r += "SET_PARAMETER " + url + " RTSP/1.0\r\nContent-Length: 29\r\n" + common +
         "Accept: application/sdp\r\n" + accept + "Session: " + session +
         "\r\nContent-Type: application/x-rtsp-udp-packetpair;charset=UTF-8\r\nCSeq: 3\r\n"
         "X-Playlist-Gen-Id: 0\r\n\r\ntype: high-entropy-packetpair";
    r += "SETUP " + url + "/audio RTSP/1.0\r\n" + common + accept + "Session: " + session +
         "\r\nCSeq: 4\r\nX-Playlist-Gen-Id: 0\r\n" + supported +
         "Transport: RTP/AVP/UDP;unicast;interleaved=2-3;ssrc=6ab10808;mode=PLAY\r\n\r\n";
    r += "SETUP " + url + "/video RTSP/1.0\r\n" + common + accept + "Session: " + session +
         "\r\nCSeq: 5\r\nX-Playlist-Gen-Id: 0\r\n"
         "Transport: RTP/AVP/UDP;unicast;interleaved=4-5;ssrc=6ab10808;mode=PLAY\r\n\r\n";
    r += "PLAY " + url + " RTSP/1.0\r\nX-Playlist-Seek-Id: 0\r\n" + common + accept + "Session: " +
         session +
         "\r\nCSeq: 6\r\nRange: npt=0.000-\r\nSpeed: 1.793\r\nBandwidth: 630807\r\n"
         "X-Accelerate-Streaming: AccelDuration=10000;AccelBandwidth=2147483647\r\n\r\n";
    return r;
}

TEST(RtspClient, SendsTheSixRequestsByteForByte)
{
    struct Case {
        std::vector<std::string> args;
        std::string session;  // as the requests carry it
    };
    const std::vector<Case> cases = {
        {{}, " 4711"},
        // Refused SETUPs change nothing in the sequence.
        {{"--refuse", "audio", "--refuse", "video"}, " 4711"},
        {{"--session", "4711"}, " 4711"},
        {{"--session", "ab;c;timeout=5"}, " ab"},
        {{"--refuse", "rtx"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "plain" : c.args.back());
        TempDir dir;
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--log", dir.File("requests.log"), "--packets", "3"});
        Session s(args);
        s.Record(dir.File("out.asf"));
        const int port = s.ClientPort();
        ASSERT_GT(port, 0);
        EXPECT_EQ(testsupport::ReadFile(dir.File("requests.log")), ExpectedRequests(s.url, port, c.session));
        ASSERT_EQ(s.hooks.connecting.size(), 1u);
        EXPECT_EQ(s.hooks.connecting[0].first, s.url);
        EXPECT_EQ(s.hooks.connecting[0].second, s.server.port());
    }
}

TEST(RtspClient, RecordingHoldsTheSourcePacketsAndDecodes)
{
    const AsfParts& src = Parts(SamplePath());
    struct Case {
        const char* name;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases = {
        {"plain", {}},
        {"replies in pieces with pauses", {"--split-replies"}},
        {"packets without their padding", {"--trim-padding"}},
        {"end by close", {"--end", "close"}},
        {"a large but acceptable reply", {"--sdp-extra", "600000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        Session s(c.args);
        const std::string path = dir.File("out.asf");
        const uint32_t bytes = s.Record(path);
        EXPECT_EQ(bytes, src.header.size() + src.packets.size() * src.packetSize);
        EXPECT_TRUE(s.hooks.errors.empty()) << s.hooks.errors.front();
        ExpectRecordingOf(path, src, src.packets.size());
        ASSERT_EQ(s.hooks.headerDurations.size(), 1u);
        AsfFields source = asftest::ReadFields(testsupport::ReadFile(SamplePath()));
        EXPECT_EQ(s.hooks.headerDurations[0], source.playDuration / 10000 - source.preroll);
        EXPECT_EQ(s.hooks.progressCalls, src.packets.size());
        if (c.args.empty()) {
            std::string diagnostics;
            EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
            // The finished header claims the last packet's send time as the
            // duration (preroll excluded), and the decoder agrees.
            const uint32_t last = asftest::SendTime(src.packets.back(), src.packetSize);
            EXPECT_NEAR(testsupport::ProbeDuration(path), last / 1000.0, 0.05);
        }
    }
}

TEST(RtspClient, HeadersOfEveryLengthModuloThreeComeThroughBase64)
{
    const AsfParts& src = Parts(SmallSamplePath());
    std::vector<size_t> residues;
    for (int extra : {0, 1, 2}) {
        TempDir dir;
        Session s({"--header-extra", std::to_string(extra)}, SmallSamplePath());
        const std::string path = dir.File("out.asf");
        ASSERT_GT(s.Record(path), 0u);
        const std::string out = testsupport::ReadFile(path);
        AsfFields f = asftest::ReadFields(out);
        ASSERT_TRUE(f.valid);
        EXPECT_EQ(f.headerSize + 50, src.header.size() + 24 + extra);
        residues.push_back((f.headerSize + 50) % 3);
        ASSERT_EQ(f.packetCount, src.packets.size());
        for (size_t i = 0; i < src.packets.size(); ++i)
            ASSERT_EQ(Packet(out, f, i), src.packets[i]) << "packet " << i;
        std::string diagnostics;
        EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
    }
    std::sort(residues.begin(), residues.end());
    EXPECT_EQ(residues, (std::vector<size_t>{0, 1, 2}));
}

TEST(RtspClient, StreamInPiecesOfAnySizeGivesTheSameFile)
{
    TempDir dir;
    std::string reference;
    {
        Session whole({}, SmallSamplePath());
        ASSERT_GT(whole.Record(dir.File("whole.asf")), 0u);
        reference = testsupport::ReadFile(dir.File("whole.asf"));
        ExpectRecordingOf(dir.File("whole.asf"), Parts(SmallSamplePath()), Parts(SmallSamplePath()).packets.size());
    }
    Session s({"--pieces", "1-70", "--piece-delay-ms", "0.05"}, SmallSamplePath());
    for (int piece = 1; piece <= 70; ++piece) {
        const std::string path = dir.File("piece.asf");
        s.Record(path);
        ASSERT_EQ(testsupport::ReadFile(path), reference) << "pieces of " << piece << " bytes";
    }
    EXPECT_TRUE(s.hooks.errors.empty());
}

TEST(RtspClient, LiveStreamStartsAtZeroAndGetsItsDuration)
{
    TempDir dir;
    Session s({"--live"});
    const std::string path = dir.File("live.asf");
    ASSERT_GT(s.Record(path), 0u);
    ASSERT_FALSE(s.hooks.headerDurations.empty());
    EXPECT_EQ(s.hooks.headerDurations[0], 0u);

    const AsfParts& src = Parts(SamplePath());
    const std::string out = testsupport::ReadFile(path);
    AsfFields f = asftest::ReadFields(out);
    ASSERT_TRUE(f.valid);
    ASSERT_TRUE(f.endsWithIndex);
    EXPECT_EQ(f.packetCount, src.packets.size());
    EXPECT_EQ(f.dataPackets, src.packets.size());
    EXPECT_EQ(f.fileSize, out.size());
    EXPECT_EQ(asftest::SendTime(Packet(out, f, 0), f.minPacket), 0u);
    // The source's times, moved back to start where the first packet does.
    uint32_t highest = 0;
    const uint32_t first = asftest::SendTime(src.packets[0], src.packetSize);
    for (size_t i = 0; i < src.packets.size(); ++i) {
        EXPECT_EQ(asftest::SendTime(Packet(out, f, i), f.minPacket),
                  asftest::SendTime(src.packets[i], src.packetSize) - first);
        highest = std::max(highest, asftest::SendTime(Packet(out, f, i), f.minPacket));
    }
    EXPECT_EQ(f.sendDuration, uint64_t{highest} * 10000);
    EXPECT_EQ(f.playDuration, (uint64_t{highest} + f.preroll) * 10000);
    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
    EXPECT_NEAR(testsupport::ProbeDuration(path), highest / 1000.0, 0.25);
}

TEST(RtspClient, WithoutAUsableHeaderNothingIsRecorded)
{
    for (const char* option : {"--no-header", "--unequal-sizes"}) {
        SCOPED_TRACE(option);
        TempDir dir;
        Session s({option, "--log", dir.File("requests.log")});
        const std::string path = dir.File("out.asf");
        EXPECT_EQ(s.Record(path), 0u);
        EXPECT_EQ(testsupport::FileSize(path), 0u);
        ASSERT_EQ(s.hooks.errors.size(), 1u);
        EXPECT_EQ(s.hooks.errors[0], "not supported");
        // The handshake still went through to PLAY.
        EXPECT_NE(testsupport::ReadFile(dir.File("requests.log")).find("PLAY "), std::string::npos);
    }
}

TEST(RtspClient, BadFramesEndTheSessionWithTheFileFinalised)
{
    const AsfParts& src = Parts(SmallSamplePath());
    for (const char* fault : {"oversized", "huge", "garbage", "short", "tiny", "not-asf", "cut"}) {
        SCOPED_TRACE(fault);
        TempDir dir;
        Session s({"--fault", fault, "--fault-after", "4"}, SmallSamplePath());
        const std::string path = dir.File("out.asf");
        const auto start = Clock::now();
        EXPECT_EQ(s.Record(path), src.header.size() + 4 * src.packetSize);
        EXPECT_LT(Clock::now() - start, 5s);
        ExpectRecordingOf(path, src, 4);
        std::string diagnostics;
        EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
    }
}

TEST(RtspClient, OversizedReplyEndsTheHandshake)
{
    TempDir dir;
    Session s({"--sdp-extra", "1100000"}, SmallSamplePath());
    const std::string path = dir.File("out.asf");
    EXPECT_EQ(s.Record(path), 0u);
    EXPECT_EQ(testsupport::FileSize(path), 0u);
}

TEST(RtspClient, StopsWithinASecondWhateverTheServerDoes)
{
    const AsfParts& src = Parts(SmallSamplePath());
    for (const char* option : {"--silent", "--stall-after"}) {
        SCOPED_TRACE(option);
        TempDir dir;
        std::vector<std::string> args = {option};
        if (std::string(option) == "--stall-after")
            args.push_back("3");
        Session s(args, SmallSamplePath());
        s.env.idleTimeoutMs = 0;  // wait until stopped
        s.Remake();
        uint32_t bytes = 1;
        Clock::time_point returned;
        std::thread worker([&] {
            bytes = s.Record(dir.File("out.asf"));
            returned = Clock::now();
        });
        if (std::string(option) == "--stall-after") {
            // Stop only once the three frames are in, and the server is silent.
            const auto deadline = Clock::now() + 10s;
            while (s.hooks.progressCalls.load() < 3 && Clock::now() < deadline)
                std::this_thread::sleep_for(10ms);
        }
        std::this_thread::sleep_for(300ms);
        const auto stopped = Clock::now();
        s.client->Stop();
        worker.join();
        EXPECT_LT(returned - stopped, 1s);
        if (std::string(option) == "--silent") {
            EXPECT_EQ(bytes, 0u);
        } else {
            EXPECT_EQ(bytes, src.header.size() + 3 * src.packetSize);
            ExpectRecordingOf(dir.File("out.asf"), src, 3);
        }
    }
}

TEST(RtspClient, SilenceLongerThanTheIdleTimeEndsTheSession)
{
    const AsfParts& src = Parts(SmallSamplePath());
    TempDir dir;
    Session s({"--stall-after", "2"}, SmallSamplePath());
    s.env.idleTimeoutMs = 1000;
    s.Remake();
    const auto start = Clock::now();
    EXPECT_EQ(s.Record(dir.File("out.asf")), src.header.size() + 2 * src.packetSize);
    EXPECT_LT(Clock::now() - start, 8s);
    ExpectRecordingOf(dir.File("out.asf"), src, 2);
}

TEST(RtspClient, ResumedRecordingEqualsAnUninterruptedOne)
{
    TempDir dir;
    const std::string whole = dir.File("whole.asf");
    {
        Session s({});
        ASSERT_GT(s.Record(whole), 0u);
    }
    const AsfParts& src = Parts(SamplePath());
    const std::string reference = testsupport::ReadFile(whole);
    // A recording cut off after 10 packets and a half.
    const std::string partial = dir.File("partial.asf");
    testsupport::WriteFile(partial, reference.substr(0, src.header.size() + 10 * src.packetSize + 100));
    ResumeScan scan;
    ASSERT_TRUE(scan.Scan(partial));
    // The last whole packet is fetched again.
    ASSERT_EQ(scan.resumePacket, 9u);

    Session s({});
    const uint32_t bytes = s.Record(partial, scan.resumePacket, "r+b", static_cast<long>(scan.resumeOffset));
    EXPECT_EQ(bytes, (src.packets.size() - 9) * src.packetSize);
    EXPECT_EQ(testsupport::ReadFile(partial), reference);
}

TEST(RtspClient, ProbeCountsTheHeaderAndEndsAtTheFirstFrame)
{
    Session s({});
    RecordRequest request;
    request.url = s.url;
    EXPECT_EQ(s.client->Record(request), Parts(SamplePath()).header.size());
    EXPECT_EQ(s.hooks.progressCalls, 0u);
    EXPECT_TRUE(s.hooks.errors.empty());
}

TEST(RtspClient, ConnectFailuresAreReported)
{
    // Nothing listens on a port the test just closed.
    int port = 0;
    {
        FakeServer probe;
        ASSERT_TRUE(probe.Start("rtsp_server.py", {"--file", SmallSamplePath(), "--lifetime", "1"}));
        port = probe.port();
        probe.Stop();
    }
    Hooks hooks;
    ClientEnvironment env;
    env.hooks = &hooks;
    RtspClient client(env);
    RecordRequest request;
    request.url = "rtsp://127.0.0.1:" + std::to_string(port) + "/x.asf";
    EXPECT_EQ(client.Record(request), 0u);
    request.url = "rtsp://127.0.0.1/x.asf";  // the default port, where nothing listens
    EXPECT_EQ(client.Record(request), 0u);
    request.url = "not an address";
    EXPECT_EQ(client.Record(request), 0u);
    EXPECT_EQ(hooks.errors, (std::vector<std::string>(3, "connect failed !!")));
    ASSERT_EQ(hooks.connecting.size(), 3u);
    EXPECT_EQ(hooks.connecting[0].second, port);
    EXPECT_EQ(hooks.connecting[1].second, RtspClient::kDefaultPort);
}

TEST(RtspClient, ConnectWithoutAnswerFailsAfterTheConnectTimeout)
{
    // A listener whose accept queue is full: further connection attempts
    // get no answer at all.
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t length = sizeof(address);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(c, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        fillers.push_back(c);
    }
    std::this_thread::sleep_for(100ms);

    Hooks hooks;
    ClientEnvironment env;
    env.hooks = &hooks;
    env.connectTimeoutMs = 400;
    env.idleTimeoutMs = 400;
    RtspClient client(env);
    RecordRequest request;
    request.url = "rtsp://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x.asf";
    const auto start = Clock::now();
    EXPECT_EQ(client.Record(request), 0u);
    EXPECT_GE(Clock::now() - start, 350ms);
    EXPECT_EQ(hooks.errors, (std::vector<std::string>{"connect failed !!"}));
    for (int c : fillers)
        ::close(c);
    ::close(listener);
}

}  // namespace
