#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "asf_stream.h"
#include "formats/asf_file_reader.h"
#include "protocols/rtsp/rtsp_client.h"
#include "stream_recorder.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using namespace asfstream;
using testsupport::FakeServer;
using testsupport::TempDir;

// A fake server (another script when the options start with one) and a
// client recording from it.
struct Session : Recorder<RtspClient> {
    FakeServer server;
    std::string url;

    explicit Session(std::vector<std::string> options, const std::string& sample = Sample())
    {
        std::string script = "rtsp_server.py";
        if (!options.empty() && options[0].ends_with(".py")) {
            script = options[0];
            options.erase(options.begin());
        }
        EXPECT_TRUE(StartServer(server, script, sample, options));
        url = "rtsp://127.0.0.1:" + std::to_string(server.port()) + "/sample.asf";
    }
    uint64_t Record(const std::string& path, uint64_t resume = 0, bool keep = false, uint64_t offset = 0)
    {
        return Recorder::Record(url, path, resume, keep, offset, "NSPlayer/never-sent");
    }
};

std::string ExpectedRequests(const std::string& url, int localPort, const std::string& session)
{
    const std::string agent = "User-Agent: WMPlayer/9.0.0.2980 guid/3300AD50-2C39-46C0-AE0A-F15D09C924B4\r\n";
    const std::string accept =
        "Accept-Charset: UTF-8, *;q=0.1\r\nX-Accept-Authentication: Negotiate, NTLM, Digest, Basic\r\n"
        "Accept-Language: ko-KR, *;q=0.1\r\n";
    const std::string supported =
        "Supported: com.microsoft.wm.srvppair, com.microsoft.wm.sswitch, com.microsoft.wm.eosmsg, "
        "com.microsoft.wm.predstrm\r\n";
    const std::string sdp = "Accept: application/sdp\r\n", id = "Session: " + session + "\r\n";
    const std::string gen = "X-Playlist-Gen-Id: 0\r\n";
    return "DESCRIBE " + url + " RTSP/1.0\r\n" + agent + sdp + accept + "CSeq: 1\r\n" + supported + "\r\n" +
           "SETUP " + url + "/rtx RTSP/1.0\r\n" + agent + sdp + accept + "CSeq: 2\r\n" + gen +
           "Transport: RTP/AVP/UDP;unicast;client_port=" + std::to_string(localPort + 1) + "-" +
           std::to_string(localPort + 2) + ";ssrc=b4feb3b3;mode=PLAY\r\n\r\n" +
           "SET_PARAMETER " + url + " RTSP/1.0\r\nContent-Length: 29\r\n" + agent + sdp + accept + id +
           "Content-Type: application/x-rtsp-udp-packetpair;charset=UTF-8\r\nCSeq: 3\r\n"
           "X-Playlist-Gen-Id: 0\r\n\r\ntype: high-entropy-packetpair" +
           "SETUP " + url + "/audio RTSP/1.0\r\n" + agent + accept + id + "CSeq: 4\r\n" + gen +
           supported + "Transport: RTP/AVP/UDP;unicast;interleaved=2-3;ssrc=6ab10808;mode=PLAY\r\n\r\n" +
           "SETUP " + url + "/video RTSP/1.0\r\n" + agent + accept + id + "CSeq: 5\r\n" + gen +
           "Transport: RTP/AVP/UDP;unicast;interleaved=4-5;ssrc=6ab10808;mode=PLAY\r\n\r\n" +
           "PLAY " + url + " RTSP/1.0\r\nX-Playlist-Seek-Id: 0\r\n" + agent + accept + id +
           "CSeq: 6\r\nRange: npt=0.000-\r\nSpeed: 1.793\r\nBandwidth: 630807\r\n"
           "X-Accelerate-Streaming: AccelDuration=10000;AccelBandwidth=2147483647\r\n\r\n";
}

TEST(RtspClient, SendsTheSixRequestsByteForByte)
{
    struct Case {
        std::vector<std::string> options;
        std::string session;  // as the requests carry it
    };
    for (const Case& c : {Case{{}, " 4711"},
                          Case{{"--session", "ab;c;timeout=5"}, " ab"},
                          Case{{"--refuse", "rtx"}, ""}}) {
        SCOPED_TRACE(c.options.empty() ? "plain" : c.options.back());
        TempDir dir;
        std::vector<std::string> options = c.options;
        options.insert(options.end(), {"--log", dir.File("log")});
        Session s(options, SmallSample());
        s.Record(dir.File("out.asf"));
        EXPECT_EQ(testsupport::ReadFile(dir.File("log")), ExpectedRequests(s.url, NextClientPort(s.server), c.session));
    }
}

TEST(RtspClient, RecordingHoldsTheSourcePacketsAndThePatchedFields)
{
    const Parts& src = Split(Sample());
    const uint32_t last = SendTime(src.packets.back(), src.packetSize);
    const uint32_t duration =
        Get64(src.header, src.fileProps + 64) / 10000 - Get32(src.header, src.fileProps + 80);
    for (const char* option : {"plain", "live", "--split-replies", "--trim-padding", "--sdp-extra=600000"}) {
        SCOPED_TRACE(option);
        const bool live = option == std::string("live");
        TempDir dir;
        Session s(option[0] == '-' ? std::vector<std::string>{option} : std::vector<std::string>{},
                  live ? LiveSample() : Sample());
        const std::string path = dir.File("out.asf");
        EXPECT_EQ(s.Record(path), src.header.size() + src.packets.size() * src.packetSize);
        EXPECT_TRUE(s.hooks.errors.empty()) << s.hooks.errors.front();
        EXPECT_TRUE(IsRecordingOf(path, src, src.packets.size(), true));
        EXPECT_EQ(s.hooks.durations, std::vector<uint32_t>{live ? 0 : duration});
        EXPECT_EQ(s.hooks.progress, src.packets.size());
        if (option[0] != '-') {  // seekable; the decoder agrees on the duration (the last send time)
            EXPECT_TRUE(Decodes(path, live ? 2.0 : 0));
            EXPECT_NEAR(testsupport::ProbeDuration(path), last / 1000.0, 0.05);
        }
    }
}

TEST(RtspClient, FailuresEndTheSessionPromptlyKeepingWhatWasWhole)
{
    const Parts& src = Split(SmallSample());
    struct Case {
        std::vector<std::string> options;
        int packets;  // kept in a finished file; -1: nothing written
        const char* error;
    };
    std::vector<Case> cases = {
        {{"--no-header"}, -1, "not supported"},
        {{"--unequal-sizes"}, -1, "not supported"},
        {{"--sdp-extra", "1100000"}, -1, nullptr},  // a reply larger than any server's
        {{"mms_server.py"}, -1, nullptr},           // a server of another protocol
    };
    for (const char* fault : {"oversized", "huge", "garbage", "short", "tiny", "not-asf", "cut"})
        cases.push_back({{"--fault", fault, "--fault-after", "4"}, 4, nullptr});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.options));
        TempDir dir;
        Session s(c.options, SmallSample());
        const auto start = std::chrono::steady_clock::now();
        const uint32_t bytes = s.Record(dir.File("out.asf"));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        EXPECT_EQ(s.hooks.errors, c.error ? std::vector<std::string>{c.error} : std::vector<std::string>{});
        // Cut short, the header's counts stand so that the file can be
        // resumed; without the server's end notice a reconnect may go on.
        EXPECT_EQ(bytes, c.packets < 0 ? 0 : src.header.size() + c.packets * src.packetSize);
        EXPECT_TRUE(c.packets < 0 ? testsupport::FileSize(dir.File("out.asf")) == 0
                                  : bool(IsRecordingOf(dir.File("out.asf"), src, c.packets, false)));
        EXPECT_EQ(s.hooks.ends, (c.packets < 0 ? std::vector<std::pair<StreamEnd, uint64_t>>{}
                                               : std::vector<std::pair<StreamEnd, uint64_t>>{{StreamEnd::Interrupted, 4}}));
    }
}

TEST(RtspClient, ResumedRecordingEqualsAnUninterruptedOneAndAProbeEndsAtTheFirstFrame)
{
    const Parts& src = Split(Sample());
    TempDir dir;
    Session s({"--connections", "3"});
    ASSERT_GT(s.Record(dir.File("whole.asf")), 0u);
    const std::string reference = testsupport::ReadFile(dir.File("whole.asf"));
    // Cut off after 10 packets and a half; the last whole packet is fetched again.
    const std::string partial = dir.File("partial.asf");
    testsupport::WriteFile(partial, reference.substr(0, src.header.size() + 10 * src.packetSize + 100));
    ResumeScan scan;
    ASSERT_TRUE(scan.Scan(partial));
    ASSERT_EQ(scan.resumePacket, 9u);
    EXPECT_EQ(s.Record(partial, scan.resumePacket, true, scan.resumeOffset),
              (src.packets.size() - 9) * src.packetSize);
    EXPECT_EQ(testsupport::ReadFile(partial), reference);

    EXPECT_EQ(s.Record(""), src.header.size());
    EXPECT_EQ(s.hooks.progress, 2 * src.packets.size() - 9);
}

}  // namespace
