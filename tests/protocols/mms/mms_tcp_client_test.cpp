#include <gtest/gtest.h>

#include <sys/socket.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "asf_test_file.h"
#include "mms_wire.h"
#include "protocols/asfout/resume_scan.h"
#include "protocols/client_hooks.h"
#include "protocols/mms/mms_tcp_client.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using asftest::AsfFields;
using asftest::AsfParts;
using mmswire::Expected;
using mmswire::Hex;
using testsupport::FakeServer;
using testsupport::TempDir;
using Clock = std::chrono::steady_clock;

struct Hooks : ClientHooks {
    std::vector<std::pair<std::string, int>> connecting;
    std::vector<std::string> errors;
    std::vector<uint32_t> headerDurations;
    uint32_t progressCalls = 0;
    std::function<void()> onProgress;
    void OnConnecting(const std::string& url, int port) override { connecting.emplace_back(url, port); }
    void ReportError(const std::string& text) override { errors.push_back(text); }
    void OnHeaderReceived(const std::string&, uint32_t ms) override { headerDurations.push_back(ms); }
    void OnProgress(uint32_t, uint32_t, uint32_t) override
    {
        ++progressCalls;
        if (onProgress)
            onProgress();
    }
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

// One client with its hooks and settings, recording from a fake server.
struct Recorder {
    AppSettings settings;
    Hooks hooks;
    int idleTimeoutMs = 20000;
    int connectTimeoutMs = 20000;
    std::unique_ptr<MmsTcpClient> client;

    MmsTcpClient& Client()
    {
        if (!client) {
            ClientEnvironment env;
            env.settings = settings;
            env.hooks = &hooks;
            env.idleTimeoutMs = idleTimeoutMs;
            env.connectTimeoutMs = connectTimeoutMs;
            client = std::make_unique<MmsTcpClient>(env);
        }
        return *client;
    }

    // Records into path (a fresh file), or into an open file when given.
    uint32_t Record(int port, const std::string& path, uint32_t resume = 0, FILE* open = nullptr,
                    const std::string& playerAgent = {})
    {
        std::unique_ptr<FILE, FileCloser> own;
        FILE* out = open;
        if (!out && !path.empty()) {
            own.reset(std::fopen(path.c_str(), "wb"));
            out = own.get();
        }
        RecordRequest request;
        request.out = out;
        request.url = Url(port);
        request.resume = resume;
        request.playerAgent = playerAgent;
        return Client().Record(request);
    }

    static std::string Url(int port) { return "mms://127.0.0.1:" + std::to_string(port) + "/sample.asf"; }
};

bool Start(FakeServer& server, const std::string& file, std::vector<std::string> args = {})
{
    args.insert(args.begin(), {"--file", file});
    return server.Start("mms_server.py", args);
}

// The commands the server logged, in order, for one connection.
std::vector<std::string> LoggedCommands(const std::string& log, int connection = 0)
{
    std::vector<std::string> out;
    std::istringstream in(testsupport::ReadFile(log));
    int index;
    std::string hex;
    while (in >> index >> hex) {
        if (index == connection)
            out.push_back(mmswire::FromHex(hex));
    }
    return out;
}

std::string PacketAt(const std::string& file, const AsfFields& f, size_t i)
{
    return file.substr(f.headerSize + 50 + i * f.minPacket, f.minPacket);
}

void ExpectSourcePackets(const std::string& file, const AsfParts& src)
{
    AsfFields f = asftest::ReadFields(file);
    ASSERT_TRUE(f.valid);
    ASSERT_EQ(file.size(), src.header.size() + src.packets.size() * src.packetSize + 62);
    EXPECT_EQ(file.substr(0, src.header.size()).size(), src.header.size());
    for (size_t i = 0; i < src.packets.size(); ++i)
        ASSERT_EQ(PacketAt(file, f, i), src.packets[i]) << "packet " << i;
    EXPECT_TRUE(f.endsWithIndex);
    EXPECT_EQ(f.fileSize, file.size());
    EXPECT_EQ(f.flags, 2u);
}

TEST(MmsTcpClient, SendsEveryCommandByteForByte)
{
    TempDir dir;
    FakeServer server;
    std::string log = dir.File("commands.log");
    ASSERT_TRUE(Start(server, SamplePath(), {"--log", log, "--ping-every", "10"}));
    Recorder r;
    const std::string id = "TestPlayer/1.0; {00000000-1111-2222-3333-444444444444}";
    uint32_t bytes = r.Record(server.port(), dir.File("out.asf"), 0, nullptr, id);
    ASSERT_GT(bytes, 0u);
    server.process().Wait(10s);

    const AsfParts& src = Parts(SamplePath());
    std::vector<std::string> got = LoggedCommands(log);
    const size_t pongs = src.packets.size() / 10;
    ASSERT_EQ(got.size(), 7 + pongs);

    std::u16string id16(id.begin(), id.end());
    Expected connect(0x00030001, 0, "7B14AE47E17A843F", 160);
    connect.U32(40, 0xF0F0F0F0).U32(44, 0x0004000B).U32(48, 0x0003001C).Utf16(52, id16);
    EXPECT_EQ(Hex(got[0]), Hex(connect.bytes));

    Expected funnel(0x00030018, 1, "EC51B81EE17A843F", 32);
    funnel.U32(40, 0xF0F0F0EF).U32(44, 0x0004000B);
    EXPECT_EQ(Hex(got[1]), Hex(funnel.bytes));

    // The transport names the client's own end of the connection.
    const std::string& t = got[2];
    ASSERT_GE(t.size(), 60u);
    std::u16string text;
    for (size_t at = 60; at + 1 < t.size(); at += 2)
        text.push_back(static_cast<char16_t>(static_cast<uint8_t>(t[at]) | static_cast<uint8_t>(t[at + 1]) << 8));
    const std::u16string lead = u"\\\\127.0.0.1\\TCP\\";
    ASSERT_EQ(text.substr(0, lead.size()), lead);
    size_t nul = text.find(u'\0');
    ASSERT_NE(nul, std::u16string::npos);
    std::string port(text.begin() + static_cast<long>(lead.size()), text.begin() + static_cast<long>(nul));
    ASSERT_FALSE(port.empty());
    EXPECT_GT(std::stoi(port), 0);
    EXPECT_EQ(text.substr(nul), std::u16string(u"\0" u"00f", 4));
    Expected transport(0x00030002, 2, "EC51B81E85EBC13F", static_cast<uint32_t>(2 * text.size() + 44));
    transport.U32(40, 0xF0F0F0EF).U32(44, 0xFFFFFFFF).U32(52, 0x000A0000).U32(56, 2).Utf16(60, text);
    EXPECT_EQ(Hex(t), Hex(transport.bytes));

    Expected open(0x00030005, 3, "EC51B81E85EBC13F", 2 * 14 + 40);
    open.U32(40, 1).U32(44, 0xFFFFFFFF).Utf16(56, std::u16string(u"sample.asf\0" u"18.", 14));
    EXPECT_EQ(Hex(got[3]), Hex(open.bytes));

    Expected read(0x00030015, 4, "000000000000D03F", 72);
    read.U32(40, 1).U32(52, 0x8000).U32(56, 0xFFFFFFFF).U32(60, 0x006B0065).U32(76, 0x40AC2000).U32(80, 2);
    EXPECT_EQ(Hex(got[4]), Hex(read.bytes));

    Expected select(0x00030033, 5, "E5D022DBF97EF03F", 48);
    select.U32(40, 2).Raw(44, mmswire::FromHex("ffff01000000ffff02000000")).U32(56, 0xFFFFFFFF).U32(60, 0x006B0065);
    EXPECT_EQ(Hex(got[5]), Hex(select.bytes));

    Expected play(0x00030007, 6, "6F1283C0CAA1F93F", 72);
    play.U32(40, 1).U32(44, 0x0001FFFF).U32(56, 0xFFFFFFFF).U32(60, 0xFFFFFFFF).U32(68, 4);
    play.U32(72, 0x7FFFFFFF).U32(80, 0x7FFFFFFF);
    EXPECT_EQ(Hex(got[6]), Hex(play.bytes));

    // Start playing does not use up a sequence number; each pong does.
    for (size_t i = 0; i < pongs; ++i) {
        Expected pong(0x0003001B, static_cast<uint32_t>(6 + i), "4260E50D22238F40", 32);
        pong.U32(40, 1490).U32(44, 1142);
        EXPECT_EQ(Hex(got[7 + i]), Hex(pong.bytes)) << "pong " << i;
    }
    // The server dropped nobody: the whole stream arrived.
    ExpectSourcePackets(testsupport::ReadFile(dir.File("out.asf")), src);
    ASSERT_EQ(r.hooks.connecting.size(), 1u);
    EXPECT_EQ(r.hooks.connecting[0].second, server.port());
}

TEST(MmsTcpClient, OnDemandRecordingIsTheSourceFile)
{
    const AsfParts& src = Parts(SamplePath());
    TempDir dir;
    std::string reference;
    // The header in one packet and in several, with and without padding.
    for (const char* packets : {"1", "2", "9"}) {
        SCOPED_TRACE(packets);
        FakeServer server;
        ASSERT_TRUE(Start(server, SamplePath(), {"--header-packets", packets, "--trim-padding"}));
        Recorder r;
        std::string path = dir.File(std::string("od-") + packets + ".asf");
        uint32_t bytes = r.Record(server.port(), path);
        std::string file = testsupport::ReadFile(path);
        EXPECT_EQ(bytes, file.size() - 62);
        ExpectSourcePackets(file, src);
        EXPECT_TRUE(r.hooks.errors.empty());
        EXPECT_EQ(r.hooks.progressCalls, src.packets.size());
        if (reference.empty()) {
            reference = file;
            std::string diagnostics;
            EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
            EXPECT_NEAR(testsupport::ProbeDuration(path), testsupport::ProbeDuration(SamplePath()), 0.05);
        } else {
            EXPECT_TRUE(file == reference);
        }
    }
}

TEST(MmsTcpClient, StreamCutIntoTcpPiecesOfAnySizeGivesTheSameFile)
{
    const std::string& sample = SmallSamplePath();
    TempDir dir;
    FakeServer plain;
    ASSERT_TRUE(Start(plain, sample, {"--header-packets", "3", "--ping-every", "4"}));
    Recorder r;
    ASSERT_GT(r.Record(plain.port(), dir.File("ref.asf")), 0u);
    const std::string reference = testsupport::ReadFile(dir.File("ref.asf"));
    ExpectSourcePackets(reference, Parts(sample));

    // One server, one connection per piece size; one client for all runs.
    FakeServer server;
    ASSERT_TRUE(Start(server, sample, {"--header-packets", "3", "--ping-every", "4", "--connections",
                                       "70", "--piece", "1-70", "--linger", "0.5", "--lifetime", "120"}));
    Recorder pieces;
    for (int piece = 1; piece <= 70; ++piece) {
        std::string path = dir.File("piece.asf");
        ASSERT_GT(pieces.Record(server.port(), path), 0u) << "piece " << piece;
        ASSERT_TRUE(testsupport::ReadFile(path) == reference) << "piece " << piece;
    }
}

TEST(MmsTcpClient, LiveRecordingStartsAtZeroAndIsSeekable)
{
    const std::string& sample = SamplePath();
    const AsfParts& src = Parts(sample);
    TempDir dir;
    uint32_t highest = 0;
    for (const std::string& p : src.packets)
        highest = std::max(highest, asftest::SendTime(p, src.packetSize));

    // Two recordings on one client: the second must not inherit the first's
    // counts (the next entry of a playlist uses the same client).
    FakeServer server;
    ASSERT_TRUE(Start(server, sample, {"--live", "--connections", "2", "--stop-after", "20"}));
    Recorder r;
    ASSERT_GT(r.Record(server.port(), dir.File("first.asf")), 0u);
    EXPECT_EQ(r.hooks.headerDurations.back(), 0u);
    std::string path = dir.File("live.asf");
    ASSERT_GT(r.Record(server.port(), path), 0u);
    std::string file = testsupport::ReadFile(path);
    AsfFields f = asftest::ReadFields(file);
    EXPECT_EQ(f.packetCount, 20u);
    EXPECT_EQ(f.dataPackets, 20u);
    EXPECT_EQ(f.dataSize, 50 + 20u * src.packetSize);
    uint32_t highest20 = 0;
    for (size_t i = 0; i < 20; ++i) {
        ASSERT_EQ(PacketAt(file, f, i), src.packets[i]) << "packet " << i;
        highest20 = std::max(highest20, asftest::SendTime(src.packets[i], src.packetSize));
    }
    EXPECT_EQ(f.sendDuration, uint64_t{highest20} * 10000);

    // The whole broadcast: starts at 0, plays and seeks cleanly.
    FakeServer whole;
    ASSERT_TRUE(Start(whole, sample, {"--live"}));
    Recorder w;
    std::string wholePath = dir.File("whole.asf");
    ASSERT_GT(w.Record(whole.port(), wholePath), 0u);
    std::string wf = testsupport::ReadFile(wholePath);
    AsfFields g = asftest::ReadFields(wf);
    EXPECT_EQ(asftest::SendTime(PacketAt(wf, g, 0), g.minPacket), 0u);
    EXPECT_EQ(g.packetCount, src.packets.size());
    EXPECT_EQ(g.playDuration, (uint64_t{highest} + g.preroll) * 10000);
    EXPECT_EQ(g.sendDuration, uint64_t{highest} * 10000);
    EXPECT_EQ(g.flags, 2u);
    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(wholePath, &diagnostics)) << diagnostics;
    EXPECT_NEAR(testsupport::ProbeDuration(wholePath), highest / 1000.0, 0.25);
    auto seek = testsupport::RunProcess({"ffmpeg", "-nostdin", "-v", "error", "-xerror", "-ss", "2",
                                         "-i", wholePath, "-f", "null", "-"});
    EXPECT_EQ(seek.exitCode, 0);
    EXPECT_EQ(seek.err, "");

    // The live setting off: the packets are kept exactly as broadcast.
    FakeServer raw;
    ASSERT_TRUE(Start(raw, sample, {"--live"}));
    Recorder off;
    off.settings.m_liveContentSaveTimeInfo = 0;
    std::string rawPath = dir.File("raw.asf");
    ASSERT_GT(off.Record(raw.port(), rawPath), 0u);
    std::string rf = testsupport::ReadFile(rawPath);
    AsfFields h = asftest::ReadFields(rf);
    EXPECT_EQ(h.playDuration, 0u);
    EXPECT_EQ(h.packetCount, 0u);
    const uint32_t shift = 250000000;
    for (size_t i = 0; i < src.packets.size(); ++i)
        ASSERT_EQ(PacketAt(rf, h, i), asftest::ShiftTimes(src.packets[i], src.packetSize, shift)) << i;
}

TEST(MmsTcpClient, ResumedRecordingEqualsAnUninterruptedOne)
{
    const std::string& sample = SamplePath();
    const AsfParts& src = Parts(sample);
    TempDir dir;
    FakeServer server;
    std::string log = dir.File("commands.log");
    ASSERT_TRUE(Start(server, sample, {"--connections", "2", "--log", log, "--trim-padding"}));

    // The first attempt is stopped half way.
    std::string path = dir.File("resumed.asf");
    Recorder first;
    const uint32_t half = static_cast<uint32_t>(src.packets.size() / 2);
    first.hooks.onProgress = [&] {
        if (first.hooks.progressCalls == half)
            first.Client().Stop();
    };
    ASSERT_GT(first.Record(server.port(), path), 0u);
    EXPECT_EQ(first.hooks.progressCalls, half);

    ResumeScan scan;
    ASSERT_TRUE(scan.Scan(path));
    EXPECT_EQ(scan.resumePacket, half - 1);
    EXPECT_EQ(scan.resumeOffset, src.header.size() + (half - 1) * src.packetSize);

    // As the job driver does it: open for update, seek, record the rest.
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb+"));
    ASSERT_TRUE(file);
    ASSERT_EQ(std::fseek(file.get(), scan.resumeOffset, SEEK_SET), 0);
    Recorder second;
    uint32_t bytes = second.Record(server.port(), "", scan.resumePacket, file.get());
    file.reset();
    EXPECT_EQ(bytes, (src.packets.size() - (half - 1)) * src.packetSize);
    ExpectSourcePackets(testsupport::ReadFile(path), src);
    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;

    // The second start-playing asked for the first packet to fetch again.
    std::vector<std::string> resumed = LoggedCommands(log, 1);
    ASSERT_GE(resumed.size(), 7u);
    EXPECT_EQ(mmswire::U32At(resumed[6], 36), 0x00030007u);
    EXPECT_EQ(mmswire::U32At(resumed[6], 60), half - 1);

    // The finished file is complete: nothing more to resume.
    ResumeScan done;
    EXPECT_FALSE(done.Scan(path));
}

TEST(MmsTcpClient, NearlyCompleteRecordingIsNotResumed)
{
    const AsfParts& src = Parts(SamplePath());
    TempDir dir;
    FakeServer server;
    ASSERT_TRUE(Start(server, SamplePath(), {"--stop-after", std::to_string(src.packets.size() - 3)}));
    Recorder r;
    std::string path = dir.File("nearly.asf");
    ASSERT_GT(r.Record(server.port(), path), 0u);
    ResumeScan scan;
    EXPECT_FALSE(scan.Scan(path));
    // What was recorded is a finished, playable file.
    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
}

TEST(MmsTcpClient, TimeLimitEndsTheRecordingAsAFinishedFile)
{
    const AsfParts& src = Parts(SamplePath());
    TempDir dir;
    FakeServer server;
    ASSERT_TRUE(Start(server, SamplePath()));
    Recorder r;
    r.settings.m_timePolicy = 1;
    r.settings.m_maxTime = 2;
    std::string path = dir.File("limited.asf");
    ASSERT_GT(r.Record(server.port(), path), 0u);
    std::string file = testsupport::ReadFile(path);
    AsfFields f = asftest::ReadFields(file);
    ASSERT_TRUE(f.endsWithIndex);
    size_t n = (file.size() - f.headerSize - 50 - 62) / f.minPacket;
    ASSERT_GT(n, 1u);
    ASSERT_LT(n, src.packets.size());
    EXPECT_GE(asftest::SendTime(src.packets[n - 1], src.packetSize), 2000u);
    EXPECT_LT(asftest::SendTime(src.packets[n - 2], src.packetSize), 2000u);
    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
}

TEST(MmsTcpClient, ProbeEndsAtTheFirstDataPacket)
{
    const AsfParts& src = Parts(SamplePath());
    FakeServer server;
    ASSERT_TRUE(Start(server, SamplePath()));
    Recorder r;
    EXPECT_EQ(r.Record(server.port(), ""), src.header.size());
    EXPECT_EQ(r.hooks.progressCalls, 0u);
}

struct FaultCase {
    const char* fault;
    bool keepsSomething;  // the stream broke after packets were written
};

TEST(MmsTcpClient, ServerFaultsEndTheJobCleanly)
{
    TempDir dir;
    for (FaultCase c : {FaultCase{"close-in-header", false}, FaultCase{"close-in-packet", true},
                        FaultCase{"short-packet", true},
                        FaultCase{"oversized-length", false}, FaultCase{"garbage", false}}) {
        SCOPED_TRACE(c.fault);
        FakeServer server;
        ASSERT_TRUE(Start(server, SamplePath(), {"--fault", c.fault, "--linger", "0.5"}));
        Recorder r;
        r.idleTimeoutMs = 5000;
        std::string path = dir.File(std::string(c.fault) + ".asf");
        auto start = Clock::now();
        uint32_t bytes = r.Record(server.port(), path);
        EXPECT_LT(Clock::now() - start, 8s);
        EXPECT_TRUE(r.hooks.errors.empty());
        if (c.keepsSomething) {
            EXPECT_GT(bytes, 0u);
            std::string diagnostics;
            EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
            AsfFields f = asftest::ReadFields(testsupport::ReadFile(path));
            EXPECT_TRUE(f.endsWithIndex);
        } else {
            EXPECT_EQ(bytes, 0u);
            EXPECT_EQ(testsupport::FileSize(path), 0u);
        }
    }
}

TEST(MmsTcpClient, FailedOpenReportsUrlNotFound)
{
    FakeServer server;
    ASSERT_TRUE(Start(server, SamplePath(), {"--fail-open"}));
    Recorder r;
    EXPECT_EQ(r.Record(server.port(), ""), 0u);
    EXPECT_EQ(r.hooks.errors, std::vector<std::string>{"Url not found"});
}

TEST(MmsTcpClient, ConnectionFailuresAreNamed)
{
    // Nobody listens on this port.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
    socklen_t len = sizeof(a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    Recorder r;
    EXPECT_EQ(r.Record(ntohs(a.sin_port), ""), 0u);
    EXPECT_EQ(r.hooks.errors, std::vector<std::string>{"connect failed !!"});

    // A listener whose queue is full never answers a further attempt.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in l{};
    l.sin_family = AF_INET;
    l.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&l), sizeof(l)), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    len = sizeof(l);
    getsockname(listener, reinterpret_cast<sockaddr*>(&l), &len);
    int filler = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&l), sizeof(l)), 0);
    Recorder unanswered;
    unanswered.connectTimeoutMs = 500;
    auto start = Clock::now();
    EXPECT_EQ(unanswered.Record(ntohs(l.sin_port), ""), 0u);
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_EQ(unanswered.hooks.errors, std::vector<std::string>{"connect failed !!"});
    close(filler);
    close(listener);

    // An address that is not one.
    Recorder bad;
    RecordRequest request;
    request.url = "mms://127.0.0.1:99999/x.asf";
    EXPECT_EQ(bad.Client().Record(request), 0u);
    EXPECT_EQ(bad.hooks.errors, std::vector<std::string>{"connect failed !!"});
}

TEST(MmsTcpClient, SilentServerIsLeftOnStopOrAfterTheIdleTime)
{
    FakeServer server;
    ASSERT_TRUE(Start(server, SamplePath(), {"--fault", "silent", "--connections", "2", "--linger", "1"}));
    TempDir dir;
    {
        Recorder r;
        MmsTcpClient& client = r.Client();
        uint32_t bytes = 1;
        std::thread worker([&] { bytes = r.Record(server.port(), dir.File("silent.asf")); });
        std::this_thread::sleep_for(300ms);
        auto stopAt = Clock::now();
        client.Stop();
        worker.join();
        EXPECT_LT(Clock::now() - stopAt, 1s);
        EXPECT_EQ(bytes, 0u);
        EXPECT_EQ(testsupport::FileSize(dir.File("silent.asf")), 0u);
    }
    {
        Recorder r;
        r.idleTimeoutMs = 400;
        auto start = Clock::now();
        EXPECT_EQ(r.Record(server.port(), dir.File("idle.asf")), 0u);
        EXPECT_LT(Clock::now() - start, 3s);
    }
}

TEST(MmsTcpClient, StopDuringTheStreamKeepsAFinishedFile)
{
    TempDir dir;
    FakeServer server;
    ASSERT_TRUE(Start(server, SamplePath(), {"--packet-delay-ms", "20"}));
    Recorder r;
    MmsTcpClient& client = r.Client();
    uint32_t bytes = 0;
    std::string path = dir.File("stopped.asf");
    std::thread worker([&] { bytes = r.Record(server.port(), path); });
    std::this_thread::sleep_for(500ms);
    auto stopAt = Clock::now();
    client.Stop();
    worker.join();
    EXPECT_LT(Clock::now() - stopAt, 1s);
    ASSERT_GT(bytes, 0u);
    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
    EXPECT_TRUE(asftest::ReadFields(testsupport::ReadFile(path)).endsWithIndex);
}

}  // namespace
