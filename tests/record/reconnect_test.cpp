// A recording job whose stream's connection drops: the real clients and the
// job driver against fake servers that close, reset or fall silent.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "asf_stream.h"
#include "formats/asf_file_reader.h"
#include "base/status_sink.h"
#include "record/cmms_thread.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using namespace asfstream;
using testsupport::FakeServer;
using testsupport::TempDir;
using Clock = std::chrono::steady_clock;

class Sink final : public StatusSink {
public:
    void Post(const JobEvent& event) override
    {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
    }
    std::vector<JobEvent> Events() const
    {
        std::lock_guard lock(mutex_);
        return events_;
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        events_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<JobEvent> events_;
};

bool WaitUntil(const std::function<bool()>& condition, Clock::duration timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

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
    std::vector<JobEvent> Events(int code) const
    {
        std::vector<JobEvent> out;
        for (const JobEvent& e : sink.Events())
            if (e.code == code)
                out.push_back(e);
        return out;
    }

    TempDir dir;
    AppSettings settings;
    JobServices services;
    Sink sink;
};

// Large enough to count as a recording when cut short.
const std::string& BigSample()
{
    static const std::string path = [] {
        testsupport::SampleOptions options;
        options.seconds = 12;
        options.videoBitrateK = 400;
        return testsupport::MakeSampleAsf(options);
    }();
    return path;
}

std::string Mms(const FakeServer& s) { return "mms://127.0.0.1:" + std::to_string(s.port()) + "/sample.asf"; }
std::string Http(const FakeServer& s) { return "http://127.0.0.1:" + std::to_string(s.port()) + "/sample.asf"; }

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
    ASSERT_GT(src.packets.size(), 40u);
    TempDir reference;
    // MMS over TCP resumes by packet number, MMS over HTTP by stream offset.
    for (bool http : {false, true}) {
        SCOPED_TRACE(http ? "MMS over HTTP" : "MMS over TCP");
        FakeServer whole, dropping;
        const char* script = http ? "mmsh_server.py" : "mms_server.py";
        ASSERT_TRUE(StartServer(whole, script, Sample()));
        std::vector<std::string> drops = {"--drop", "close:8", "--drop", "reset:12", "--drop", "stall:10"};
        if (!http)  // served one connection after another
            drops.insert(drops.end(), {"--connections", "4"});
        ASSERT_TRUE(StartServer(dropping, script, Sample(), drops));
        const std::string address = http ? Http(dropping) : Mms(dropping);
        const std::string path = dir.File("sample.asf");
        std::remove(path.c_str());
        const JobEvent end = Record(address);
        EXPECT_EQ(end.result, JobResult::Completed) << end.errorText;
        EXPECT_EQ(end.outages, 3u);
        EXPECT_EQ(Events(kStatusReconnected).size(), 3u);
        EXPECT_EQ(Events(kStatusReconnecting).size(), 3u);  // each outage ended at its first attempt
        EXPECT_EQ(end.bytes, testsupport::FileSize(path) - 62);

        // The same client without drops, into a file of its own.
        AppSettings plain = settings;
        plain.m_baseDir = reference.path();
        CmmsThread job(nullptr, 8, plain, http ? Http(whole) : Mms(whole), "", "", "", "", services);
        ASSERT_TRUE(job.Start());
        job.Join();
        const std::string uninterrupted = testsupport::ReadFile(reference.File("sample.asf"));
        ASSERT_FALSE(uninterrupted.empty());
        EXPECT_TRUE(testsupport::ReadFile(path) == uninterrupted) << "the file differs";
        EXPECT_TRUE(IsRecordingOf(path, src, src.packets.size(), false));
        sink.Clear();
        std::remove(reference.File("sample.asf").c_str());
    }
}

TEST_F(ReconnectTest, LiveStreamDroppedTwiceGoesOnInOneFileWithoutAGap)
{
    // The first part is longer than the independent decoder's analysis of
    // the stream's frame rate.
    const Parts& src = Split(BigSample());
    const size_t all = src.packets.size();
    const size_t first = 80, second = 30;
    ASSERT_GT(all, first);
    for (bool http : {false, true}) {
        SCOPED_TRACE(http ? "MMS over HTTP" : "MMS over TCP");
        FakeServer server;
        if (http)
            ASSERT_TRUE(StartServer(server, "mmsh_server.py", BigSample(),
                                    {"--mode", "live", "--drop", "close:80", "--drop", "stall:30"}));
        else
            ASSERT_TRUE(StartServer(server, "mms_server.py", LiveOf(BigSample()),
                                    {"--connections", "3", "--drop", "close:80", "--drop", "reset:30"}));
        const std::string path = dir.File("sample.asf");
        std::remove(path.c_str());
        const JobEvent end = Record(http ? Http(server) : Mms(server));
        EXPECT_EQ(end.result, JobResult::Completed) << end.errorText;
        EXPECT_EQ(end.outages, 2u);
        const auto reconnected = Events(kStatusReconnected);
        ASSERT_EQ(reconnected.size(), 2u);
        uint64_t summed = 0;
        for (const JobEvent& e : reconnected) {
            EXPECT_GT(e.outageAtMs, 1600000000000);  // a wall-clock time
            summed += e.outageMs;
        }
        EXPECT_EQ(end.outageMs, summed);

        // Every packet of the three parts, their times going on from one
        // part to the next: each outage became one packet's step.
        const std::vector<uint32_t> times = SendTimes(path);
        ASSERT_EQ(times.size(), first + second + all);
        for (size_t i = 1; i < times.size(); ++i)
            ASSERT_GE(times[i], times[i - 1]) << "packet " << i;
        // A part lasts to the latest media time it holds (a frame may be
        // sent before its time); the file plays the parts one after the
        // other, a packet's step apart, to the last part's last send time.
        const uint32_t preroll = Get32(src.header, src.fileProps + 80);
        const uint32_t start = SendTime(src.packets[0], src.packetSize);
        auto partLength = [&](size_t n) {
            uint32_t latest = 0;
            for (size_t i = 0; i < n; ++i) {
                const std::vector<size_t> fields = TimeOffsets(src.packets[i], src.packetSize);
                latest = std::max(latest, Get32(src.packets[i], fields[0]));
                for (size_t f = 1; f < fields.size(); ++f)
                    latest = std::max(latest, Get32(src.packets[i], fields[f]) - preroll);
            }
            return latest - start;
        };
        const uint32_t lastSend = SendTime(src.packets.back(), src.packetSize) - start;
        // Each outage became one step of about the average packet time.
        const double step = lastSend / 1000.0 / static_cast<double>(all - 1);
        const double played = (partLength(first) + partLength(second) + lastSend) / 1000.0 + 2 * step;
        EXPECT_NEAR(times.back() / 1000.0, played, 0.1);
        EXPECT_TRUE(Decodes(path));
        EXPECT_NEAR(testsupport::ProbeDuration(path), played, 0.1);
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
    // new streams from their start; the list learns of both.
    EXPECT_TRUE(IsRecordingOf(firstPath, first, 20, true));
    EXPECT_TRUE(IsRecordingOf(end.text, other, other.packets.size(), true));
    EXPECT_TRUE(Decodes(firstPath));
    EXPECT_TRUE(Decodes(end.text));
    std::vector<std::string> announced;
    for (const JobEvent& e : Events(kStatusHeaderReceived))
        if (announced.empty() || announced.back() != e.text)
            announced.push_back(e.text);
    EXPECT_EQ(announced, (std::vector<std::string>{firstPath, end.text}));
}

TEST_F(ReconnectTest, OutageLimitEndsAsIncompleteWithAFinishedFile)
{
    const Parts& src = Split(BigSample());
    const size_t kept = src.packets.size() - 10;
    ASSERT_GT(kept * src.packetSize, 300000u);
    // The server is gone after the drop: every attempt is refused. With the
    // setting at 0 nothing is attempted at all.
    for (int limit : {1, 0}) {
        SCOPED_TRACE(limit);
        settings.m_reconnect = limit;
        FakeServer server;
        ASSERT_TRUE(StartServer(server, "mms_server.py", BigSample(),
                                {"--connections", "1", "--drop", "close:" + std::to_string(kept)}));
        const std::string path = dir.File("sample.asf");
        std::remove(path.c_str());
        const auto start = Clock::now();
        const JobEvent end = Record(Mms(server));
        const auto took = Clock::now() - start;
        EXPECT_EQ(end.result, JobResult::Incomplete) << end.errorText;
        EXPECT_EQ(end.outages, 0u);
        EXPECT_TRUE(IsRecordingOf(path, src, kept, false));
        EXPECT_TRUE(ResumeScan().Scan(path));
        const size_t attempts = Events(kStatusReconnecting).size();
        if (limit == 0) {
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

TEST_F(ReconnectTest, StopDuringTheWaitEndsTheJobAtOnce)
{
    const Parts& src = Split(Sample());
    services.reconnect.backoffMs = {30000};
    settings.m_reconnect = 300;
    FakeServer server;
    ASSERT_TRUE(StartServer(server, "mms_server.py", Sample(), {"--connections", "2", "--drop", "reset:12"}));
    CmmsThread job(&sink, 9, settings, Mms(server), "", "", "", "", services);
    ASSERT_TRUE(job.Start());
    ASSERT_TRUE(WaitUntil([&] { return !Events(kStatusReconnecting).empty(); }, 10s));
    EXPECT_EQ(Events(kStatusReconnecting).front().attempt, 1u);
    const auto stopped = Clock::now();
    job.Stop();
    job.Join();
    EXPECT_LT(Clock::now() - stopped, 1s);
    EXPECT_EQ(sink.Events().back().result, JobResult::Cancelled);
    EXPECT_TRUE(IsRecordingOf(dir.File("sample.asf"), src, 12, false));
}

}  // namespace
