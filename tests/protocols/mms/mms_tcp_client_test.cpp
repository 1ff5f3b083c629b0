#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <chrono>
#include <string>
#include <vector>

#include "asf_stream.h"
#include "formats/asf_file_reader.h"
#include "protocols/mms/mms_commands.h"
#include "protocols/mms/mms_tcp_client.h"
#include "stream_recorder.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using namespace asfstream;
using testsupport::FakeServer;
using testsupport::TempDir;
using Mms = Recorder<MmsTcpClient>;

std::string Url(int port) { return "mms://127.0.0.1:" + std::to_string(port) + "/sample.asf"; }

bool Start(FakeServer& server, std::vector<std::string> options, const std::string& file = Sample())
{
    return StartServer(server, "mms_server.py", file, std::move(options));
}

std::string Bytes(const mms::Packet& p) { return std::string(p.begin(), p.end()); }

// The commands in a log of what the server received.
std::vector<std::string> Commands(FakeServer& server, const std::string& log)
{
    server.process().Wait(10s);
    const std::string bytes = testsupport::ReadFile(log);
    std::vector<std::string> out;
    for (size_t at = 0; at + 16 <= bytes.size(); at += out.back().size())
        out.push_back(bytes.substr(at, 16 + Get32(bytes, at + 8)));
    return out;
}

TEST(MmsTcpClient, SendsItsCommandsInOrderAndRecordsTheSourceFile)
{
    const Parts& src = Split(Sample());
    const std::string id = "TestPlayer/1.0; {00000000-1111-2222-3333-444444444444}";
    // The header in one packet and in several, pings answered; the server
    // leaves the padding off the packets.
    for (auto [headerPackets, pingEvery] : {std::pair{1, 10}, {9, 0}}) {
        SCOPED_TRACE(headerPackets);
        TempDir dir;
        FakeServer server;
        ASSERT_TRUE(Start(server, {"--header-packets", std::to_string(headerPackets), "--ping-every",
                                   std::to_string(pingEvery), "--trim-padding", "--log", dir.File("log")}));
        Mms r;
        const std::string path = dir.File("out.asf");
        const uint64_t bytes = r.Record(Url(server.port()), path, 0, false, 0, id);
        EXPECT_EQ(bytes, testsupport::FileSize(path) - 62);
        EXPECT_TRUE(IsRecordingOf(path, src, src.packets.size(), false));
        EXPECT_TRUE(r.hooks.errors.empty());
        EXPECT_EQ(r.hooks.progress, src.packets.size());
        EXPECT_TRUE(headerPackets > 1 || Decodes(path));

        // Streams are selected once, however many packets the header took;
        // start playing uses no sequence number, each pong does.
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        local.sin_port = htons(static_cast<uint16_t>(NextClientPort(server)));
        std::vector<std::string> want = {
            Bytes(mms::Connect(0, id)), Bytes(mms::FunnelInfo(1)), Bytes(mms::Transport(2, local)),
            Bytes(mms::OpenFile(3, "sample.asf")), Bytes(mms::ReadBlock(4)), Bytes(mms::StreamSelect(5)),
            Bytes(mms::StartPlaying(0))};
        for (uint32_t i = 0; pingEvery && i < src.packets.size() / pingEvery; ++i)
            want.push_back(Bytes(mms::Pong(6 + i, mms::kReplyPing)));
        EXPECT_TRUE(Commands(server, dir.File("log")) == want);
    }
}

// Stopped half way and resumed as the job driver does it (scan, open for
// update, seek, record the rest): the second start playing asks for the
// packet to fetch again.
TEST(MmsTcpClient, StoppedRecordingIsResumedToTheWholeFile)
{
    const Parts& src = Split(Sample());
    TempDir dir;
    FakeServer server;
    ASSERT_TRUE(Start(server, {"--connections", "2", "--log", dir.File("log"), "--trim-padding"}));
    const std::string path = dir.File("resumed.asf");
    Mms first;
    const uint32_t half = static_cast<uint32_t>(src.packets.size() / 2);
    first.hooks.onProgress = [&] {
        if (first.hooks.progress == half)
            first.Get().Stop();
    };
    ASSERT_GT(first.Record(Url(server.port()), path), 0u);
    ResumeScan scan;
    ASSERT_TRUE(scan.Scan(path));
    ASSERT_EQ(scan.resumePacket, half - 1);
    EXPECT_EQ(Mms().Record(Url(server.port()), path, scan.resumePacket, true, scan.resumeOffset),
              (src.packets.size() - (half - 1)) * src.packetSize);
    EXPECT_TRUE(IsRecordingOf(path, src, src.packets.size(), false));
    EXPECT_EQ(Commands(server, dir.File("log")).back(), Bytes(mms::StartPlaying(half - 1)));
}

TEST(MmsTcpClient, ServerFaultsEndTheJobWithItsMessageOrCleanly)
{
    const Parts& src = Split(Sample());
    struct Case {
        const char* fault;  // or the other protocol's server
        bool keepsHalf;     // the stream broke off half way
        const char* error;  // what the job shows, if anything
    };
    for (const Case& c : {Case{"fail-open", false, "Url not found"}, Case{"close-in-header", false, nullptr},
                          Case{"close-in-packet", true, nullptr}, Case{"short-packet", true, nullptr},
                          Case{"oversized-length", false, nullptr}, Case{"garbage", false, nullptr},
                          Case{"rtsp_server.py", false, nullptr},
                          // A header past 64 KB is refused; one sent over and
                          // over instead of data ends at the idle time.
                          Case{"big-header", false, "not supported"}, Case{"header-flood", true, nullptr}}) {
        SCOPED_TRACE(c.fault);
        FakeServer server;
        const bool other = std::string(c.fault).ends_with(".py");
        ASSERT_TRUE(other ? StartServer(server, c.fault, Sample()) : Start(server, {"--fault", c.fault}));
        TempDir dir;
        Mms r(1000);
        const auto start = std::chrono::steady_clock::now();
        const uint32_t bytes = r.Record(Url(server.port()), dir.File("out.asf"));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
        EXPECT_EQ(r.hooks.errors, c.error ? std::vector<std::string>{c.error} : std::vector<std::string>{});
        EXPECT_TRUE(c.keepsHalf ? bool(IsRecordingOf(dir.File("out.asf"), src, src.packets.size() / 2, false))
                                : bytes + testsupport::FileSize(dir.File("out.asf")) == 0);
    }
}

}  // namespace
