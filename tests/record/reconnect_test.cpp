// A recording job whose stream's connection drops: the real clients and the
// job driver against fake servers that close, reset or fall silent.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "asf_stream.h"
#include "formats/asf_file_reader.h"
#include "record/cmms_thread.h"
#include "record/job_driver.h"
#include "scripted_clients.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using namespace asfstream;
using testsupport::FakeServer;
using testsupport::TempDir;
using Clock = std::chrono::steady_clock;
using scripted::Sink;

class ReconnectTest : public ::testing::Test {
protected:
    ReconnectTest()
    {
        settings.m_baseDir = dir.path();
        settings.m_reconnect = 20;
        services.connectTimeoutMs = 2000;
        services.idleTimeoutMs = 1000;  // a stalled server is left after a second
        services.reconnect.backoffMs = {100, 200};
        services.reconnect.thenEveryMs = 200;
    }

    // Records address into the base folder and waits for the job's end.
    JobEvent Record(const std::string& address)
    {
        CmmsThread job(&sink, 7, settings, address, "", "", "", "", services);
        EXPECT_TRUE(job.Start());
        job.Join();
        return sink.Events().back();
    }
    std::vector<JobEvent> Events(JobEventKind kind) const
    {
        std::vector<JobEvent> out;
        for (const JobEvent& e : sink.Events())
            if (e.kind == kind)
                out.push_back(e);
        return out;
    }

    TempDir dir;
    AppSettings settings;
    JobServices services;
    Sink sink;
};

// Large enough to count as a recording when cut short.
std::string BigSample() { return testsupport::MakeSampleAsf({.seconds = 12, .videoBitrateK = 400}); }
// Another clip with the same codec settings, packet size and duration (and,
// as this encoder writes them, the same zero file id).
std::string OtherSample() { return testsupport::MakeSampleAsf({.otherClip = true}); }

// A server's script and the scheme a job's address gives it (upper-case RTSP:
// the RTSP client goes first).
struct Via {
    const char* script;
    const char* scheme;
};
const Via kMms{"mms_server.py", "mms"}, kMmsh{"mmsh_server.py", "http"}, kRtsp{"rtsp_server.py", "RTSP"};
std::string Address(const Via& via, const FakeServer& s)
{
    return std::string(via.scheme) + "://127.0.0.1:" + std::to_string(s.port()) + "/sample.asf";
}
std::string Mms(const FakeServer& s) { return Address(kMms, s); }
std::string Http(const FakeServer& s) { return Address(kMmsh, s); }

// The send times of a file's packets, in file order.
std::vector<uint32_t> SendTimes(const std::string& path)
{
    AsfFileReader reader;
    EXPECT_TRUE(reader.Open(path)) << reader.Error();
    std::vector<uint32_t> times;
    std::vector<uint8_t> packet;
    for (uint64_t i = 0; i < reader.PacketCount() && reader.ReadPacket(i, &packet); ++i)
        times.push_back(SendTime(std::string(packet.begin(), packet.end()), reader.Header().packetSize));
    return times;
}

TEST_F(ReconnectTest, OnDemandStreamDroppedThreeTimesGivesTheUninterruptedFile)
{
    const Parts& src = Split(Sample());
    // MMS over TCP resumes by packet number, MMS over HTTP by stream offset.
    for (bool http : {false, true}) {
        SCOPED_TRACE(http ? "MMS over HTTP" : "MMS over TCP");
        FakeServer dropping;
        std::vector<std::string> drops = {"--drop", "close:8", "--drop", "reset:12", "--drop", "stall:10"};
        if (!http)  // served one connection after another
            drops.insert(drops.end(), {"--connections", "4"});
        ASSERT_TRUE(StartServer(dropping, http ? "mmsh_server.py" : "mms_server.py", Sample(), drops));
        const std::string path = dir.File("sample.asf");
        std::remove(path.c_str());
        const JobEvent end = Record(http ? Http(dropping) : Mms(dropping));
        EXPECT_EQ(end.result, JobResult::Completed) << end.errorText;
        // No reconnect brought the media that heals an outage before the
        // last one reached the stream's end: one outage of three attempts.
        EXPECT_EQ(std::to_string(end.outages) + " " + std::to_string(Events(JobEventKind::Reconnected).size()) + " " +
                      std::to_string(Events(JobEventKind::Reconnecting).size()),
                  "1 1 3");
        EXPECT_EQ(end.bytes, testsupport::FileSize(path) - 62);
        EXPECT_TRUE(IsRecordingOf(path, src, src.packets.size(), false));
        sink.Clear();
    }
}

TEST_F(ReconnectTest, LiveStreamDroppedTwiceGoesOnInOneFileWithoutAGap)
{
    // Each part brings more than the media that heals an outage.
    const Parts& src = Split(BigSample());
    const size_t all = src.packets.size();
    const size_t first = 80, second = 40;
    ASSERT_GT(all, first);
    ASSERT_GT(SendTime(src.packets[second - 1], src.packetSize) - SendTime(src.packets[0], src.packetSize),
              CmmsThread::kHealMediaMs);
    for (bool http : {false, true}) {
        SCOPED_TRACE(http ? "MMS over HTTP" : "MMS over TCP");
        FakeServer server;
        if (http)
            ASSERT_TRUE(StartServer(server, "mmsh_server.py", BigSample(),
                                    {"--mode", "live", "--drop", "close:80", "--drop", "stall:40"}));
        else
            ASSERT_TRUE(StartServer(server, "mms_server.py", LiveOf(BigSample()),
                                    {"--connections", "3", "--drop", "close:80", "--drop", "reset:40"}));
        const std::string path = dir.File("sample.asf");
        std::remove(path.c_str());
        const JobEvent end = Record(http ? Http(server) : Mms(server));
        EXPECT_EQ(end.result, JobResult::Completed) << end.errorText;
        EXPECT_EQ(end.outages, 2u);
        EXPECT_EQ(Events(JobEventKind::Reconnected).size(), 2u);

        // Every packet of the three parts, their times going on from one
        // part to the next: each outage became one packet's step.
        const std::vector<uint32_t> times = SendTimes(path);
        ASSERT_EQ(times.size(), first + second + all);
        for (size_t i = 1; i < times.size(); ++i)
            ASSERT_GE(times[i], times[i - 1]) << "packet " << i;
        EXPECT_TRUE(Decodes(path));
        AsfFileReader reader;
        ASSERT_TRUE(reader.Open(path));
        EXPECT_EQ(reader.Header().declaredPackets, times.size());
        sink.Clear();
    }
}

TEST_F(ReconnectTest, BroadcastOfOtherStreamsAfterADropGoesIntoANewFile)
{
    const Parts& first = Split(Sample());
    const Parts& other = Split(SmallSample());  // audio only, other packets
    FakeServer server;
    ASSERT_TRUE(StartServer(server, "mms_server.py", LiveSample(),
                            {"--connections", "3", "--drop", "close:20", "--switch", "2:" + LiveOf(SmallSample())}));
    const JobEvent end = Record(Mms(server));
    EXPECT_EQ(end.result, JobResult::Completed) << end.errorText;
    EXPECT_EQ(end.outages, 1u);
    const std::string firstPath = dir.File("sample.asf");
    ASSERT_NE(end.text, firstPath);
    EXPECT_EQ(end.text.rfind(dir.path() + "/", 0), 0u) << end.text;
    // The first file ends where the broadcast changed; the second holds the
    // new streams from their start.
    EXPECT_TRUE(IsRecordingOf(firstPath, first, 20, true));
    EXPECT_TRUE(IsRecordingOf(end.text, other, other.packets.size(), true));
}

TEST_F(ReconnectTest, OutageLimitEndsAsIncompleteWithAFinishedFile)
{
    // The server is gone after the drop. A stream cut short is kept as
    // incomplete whatever its size (the last one under 256 KB).
    struct Case {
        std::string sample;
        size_t kept;
        int limit;
    };
    const size_t big = Split(BigSample()).packets.size() - 10;
    ASSERT_GT(big * Split(BigSample()).packetSize, 300000u);
    for (const Case& c : {Case{BigSample(), big, 1}, Case{BigSample(), big, 0}, Case{Sample(), 20, 0}}) {
        SCOPED_TRACE(std::to_string(c.kept) + " packets, limit " + std::to_string(c.limit));
        const Parts& src = Split(c.sample);
        settings.m_reconnect = c.limit;
        FakeServer server;
        ASSERT_TRUE(StartServer(server, "mms_server.py", c.sample,
                                {"--connections", "1", "--drop", "close:" + std::to_string(c.kept)}));
        const std::string path = dir.File("sample.asf");
        std::remove(path.c_str());
        const auto start = Clock::now();
        const JobEvent end = Record(Mms(server));
        const auto took = Clock::now() - start;
        EXPECT_EQ(end.result, JobResult::Incomplete) << end.errorText;
        EXPECT_EQ(end.outages, 0u);
        EXPECT_TRUE(IsRecordingOf(path, src, c.kept, false));
        EXPECT_TRUE(Decodes(path));
        EXPECT_TRUE(ResumeScan().Scan(path));
        const size_t attempts = Events(JobEventKind::Reconnecting).size();
        if (c.limit == 0) {
            EXPECT_EQ(attempts, 0u);
        } else {
            // 0.1 s, 0.2 s, then every 0.2 s until the second is over.
            EXPECT_GE(attempts, 4u);
            EXPECT_LE(attempts, 6u);
            EXPECT_GE(took, 800ms);
            EXPECT_LT(took, 3s);
        }
        sink.Clear();
    }
}

// A stop while the job waits to reconnect ends it at once, the file kept.
TEST_F(ReconnectTest, AStopDuringTheWaitEndsTheJobAtOnce)
{
    services.reconnect.backoffMs = {10000};
    FakeServer server;
    ASSERT_TRUE(StartServer(server, "mms_server.py", BigSample(), {"--connections", "1", "--drop", "close:40"}));
    CmmsThread job(&sink, 7, settings, Mms(server), "", "", "", "", services);
    ASSERT_TRUE(job.Start());
    const auto waited = Clock::now();
    while (Events(JobEventKind::Reconnecting).empty() && Clock::now() - waited < 10s)
        std::this_thread::sleep_for(10ms);
    ASSERT_FALSE(Events(JobEventKind::Reconnecting).empty());
    const auto stopped = Clock::now();
    job.Stop();
    job.Join();
    EXPECT_LT(Clock::now() - stopped, 1s);
    EXPECT_TRUE(IsRecordingOf(dir.File("sample.asf"), Split(BigSample()), 40, false));
}

// A server that drops at the same place every time, or serves a look-alike
// clip on a reconnect: nothing foreign goes into the file, which stays as the
// first drop left it; resuming it against the other clip takes a new name.
TEST_F(ReconnectTest, ARepeatedDropOrAnotherClipEndsIncompleteWithTheFileUntouched)
{
    const Parts& src = Split(Sample());
    const Parts& other = Split(OtherSample());
    ASSERT_EQ(src.header.size(), other.header.size());
    ASSERT_EQ(Get64(src.header, src.fileProps + 64), Get64(other.header, other.fileProps + 64));
    const size_t cut = 20;
    const std::string n = "20";
    settings.m_reconnect = 5;
    using V = std::vector<std::string>;
    const struct {
        Via via;
        V options;
        size_t attempts;
    } cases[] = {
        {kMms, {"--connections", "20", "--drop-at", n}, size_t(JobDriver::kMaxFruitlessAttempts)},
        {kRtsp, {"--connections", "20", "--stop-after", n, "--end", "close"}, size_t(JobDriver::kMaxFruitlessAttempts)},
        {kMmsh, {"--fault", "close=" + n}, size_t(JobDriver::kMaxFruitlessAttempts)},
        {kMms, {"--connections", "2", "--drop", "close:" + n, "--switch", "2:" + OtherSample()}, 1},
        {kRtsp, {"--connections", "2", "--stop-after", n, "--end", "close", "--cycle", OtherSample()}, 1},
        {kMmsh, {"--drop", "close:" + n, "--cycle", OtherSample()}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.via.script) + " " + c.options.back());
        FakeServer server;
        ASSERT_TRUE(StartServer(server, c.via.script, Sample(), c.options));
        const std::string path = dir.File("sample.asf");
        std::remove(path.c_str());
        const JobEvent end = Record(Address(c.via, server));
        EXPECT_EQ(end.result, JobResult::Incomplete) << end.errorText;
        EXPECT_EQ(end.outages, 0u);
        EXPECT_EQ(Events(JobEventKind::Reconnecting).size(), c.attempts);
        EXPECT_TRUE(IsRecordingOf(path, src, cut, false));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
        sink.Clear();
    }
    EXPECT_TRUE(Decodes(dir.File("sample.asf")));

    // The file cut short above is resumed against the other clip.
    const std::string kept = testsupport::ReadFile(dir.File("sample.asf"));
    settings.m_resumable = 0;  // resume without asking
    settings.m_overWrite = 0;  // a file that cannot be resumed gets a numbered name
    FakeServer server;
    ASSERT_TRUE(StartServer(server, "mms_server.py", OtherSample(), {"--connections", "2"}));
    const JobEvent end = Record(Mms(server));
    EXPECT_EQ(end.result, JobResult::Completed) << end.errorText;
    EXPECT_EQ(end.text, dir.File("sample(0).asf"));
    EXPECT_TRUE(testsupport::ReadFile(dir.File("sample.asf")) == kept) << "the file was written into";
    EXPECT_TRUE(IsRecordingOf(end.text, other, other.packets.size(), false));
    EXPECT_TRUE(Decodes(end.text));
}

}  // namespace
