// The streaming client end to end, against the fake media server on
// loopback: the exact requests, the recorded files (compared byte for byte
// with the source and checked by an independent decoder), credentials,
// playlists, faults and stopping.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <thread>

#include "formats/asf_file_info.h"
#include "formats/le.h"
#include "mmsh_test_util.h"
#include "protocols/mmsh/mmsh_client.h"
#include "record/app_settings.h"
#include "record/profile.h"
#include "test_support.h"

using namespace mmshtest;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kAgentLines = "Accept: */*\r\nUser-Agent: NSPlayer/4.1.0.3856\r\n";

std::string ProbeRequest(const std::string& target, const std::string& host, const std::string& guid,
                         const std::string& auth = {})
{
    return "GET " + target + " HTTP/1.0\r\n" + (auth.empty() ? "" : "Authorization: Basic " + auth + "\r\n") +
           kAgentLines + (host.empty() ? "" : "Host: " + host + "\r\n") +
           "Pragma: no-cache,rate=1.000000,stream-time=0,stream-offset=0:0,request-context=1,"
           "max-duration=0\r\n"
           "Pragma: xClientGUID=" +
           guid + "\r\nConnection: Close\r\n\r\n";
}

std::string MediaRequest(const std::string& target, const std::string& host, const std::string& guid,
                         const std::string& pragma, const std::string& auth = {})
{
    return "GET " + target + " HTTP/1.0\r\n" + (auth.empty() ? "" : "Authorization: Basic " + auth + "\r\n") +
           kAgentLines + (host.empty() ? "" : "Host: " + host + "\r\n") + "Pragma: " + pragma +
           "\r\nPragma: xPlayStrm=1\r\nPragma: xClientGUID=" + guid +
           "\r\nPragma: stream-switch-count=1\r\nPragma: stream-switch-entry=ffff:1:0\r\n"
           "Connection: Close\r\n\r\n";
}

std::string OnDemandPragma(const std::string& offset, uint32_t duration)
{
    return "no-cache,rate=1.000000,stream-time=0,stream-offset=" + offset +
           ",request-context=2,max-duration=" + std::to_string(duration);
}

void Store(std::string& bytes, size_t at, uint64_t value, size_t size)
{
    uint8_t b[8];
    le::Store64(b, value);
    bytes.replace(at, size, reinterpret_cast<const char*>(b), size);
}

uint32_t SendTime(const std::string& packet)
{
    const auto* p = reinterpret_cast<const uint8_t*>(packet.data());
    uint8_t f = p[3];
    size_t at = 5 + le::LengthTypeSize((f >> 5) & 3) + le::LengthTypeSize((f >> 1) & 3) +
                le::LengthTypeSize((f >> 3) & 3);
    return le::Load32(p + at);
}

// What an on-demand recording of the whole source must hold: the source's
// header (its file size made true) and every packet.
std::string ExpectedOnDemand(const AsfParts& src, size_t packets)
{
    std::string out = src.header;
    Store(out, src.filePropertiesOffset + 40, src.header.size() + uint64_t{packets} * src.packetSize, 8);
    for (size_t i = 0; i < packets; ++i)
        out += src.packets[i];
    return out;
}

// What a live recording of the whole source must hold: the same packets
// (re-timed back onto the source's own clock) under a header that says
// finished, seekable, with count, size and durations filled in.
std::string ExpectedLive(const AsfParts& src)
{
    const size_t n = src.packets.size();
    uint32_t largest = 0;
    for (const std::string& p : src.packets)
        largest = std::max(largest, SendTime(p));
    std::string out = src.header;
    const size_t fp = src.filePropertiesOffset, data = src.header.size() - 50;
    Store(out, fp + 40, src.header.size() + uint64_t{n} * src.packetSize, 8);
    Store(out, fp + 56, n, 8);
    Store(out, fp + 64, (uint64_t{largest} + src.preroll) * 10000, 8);
    Store(out, fp + 72, uint64_t{largest} * 10000, 8);
    Store(out, fp + 88, 2, 4);
    Store(out, data + 16, uint64_t{n} * src.packetSize + 50, 8);
    Store(out, data + 40, n, 8);
    for (const std::string& p : src.packets)
        out += p;
    return out;
}

class MmshClientTest : public ::testing::Test {
protected:
    void SetUp() override { source_ = SplitAsf(ReadFile(Sample())); }

    ClientEnvironment Env()
    {
        ClientEnvironment env;
        env.hooks = &hooks_;
        env.profile = &profile_;
        env.prompts = &prompts_;
        env.idleTimeoutMs = 5000;
        return env;
    }

    void Serve(std::vector<std::string> args, const std::string& sample = Sample())
    {
        args.insert(args.end(), {"--file", sample, "--log", dir_.File("requests.log")});
        ASSERT_TRUE(server_.Start("mmsh_server.py", args));
    }

    std::string Url(const std::string& path) const
    {
        return "mms://127.0.0.1:" + std::to_string(server_.port()) + path;
    }

    // Records into a file opened with mode; returns Record's result.
    uint32_t RecordInto(MmshClient& client, const std::string& url, const std::string& path,
                        const char* mode = "wb", uint32_t resume = 0, const std::string& user = {},
                        const std::string& password = {})
    {
        FILE* f = std::fopen(path.c_str(), mode);
        EXPECT_NE(f, nullptr);
        RecordRequest r;
        r.out = f;
        r.url = url;
        r.resume = resume;
        r.user = user;
        r.password = password;
        uint32_t n = client.Record(r);
        std::fclose(f);
        return n;
    }

    std::vector<std::string> Requests() const { return SplitRequests(ReadFile(dir_.File("requests.log"))); }
    std::string Out(const std::string& name = "out.asf") const { return dir_.File(name); }
    std::string Playlist(const std::string& name, const std::string& text)
    {
        WriteFile(dir_.File(name), text);
        return dir_.File(name);
    }

    testsupport::TempDir dir_;
    RecordingHooks hooks_;
    MemoryProfile profile_;
    ScriptedPrompts prompts_;
    testsupport::FakeServer server_;
    AsfParts source_;
};

TEST_F(MmshClientTest, OnDemandRecordingHoldsTheSourcePacketsAndItsRequestsAreExact)
{
    ASSERT_GT(source_.packets.size(), 10u);
    Serve({});
    MmshClient client(Env());
    uint32_t written = RecordInto(client, Url("/a.asf"), Out());

    const std::string file = ReadFile(Out());
    EXPECT_EQ(file, ExpectedOnDemand(source_, source_.packets.size()));
    EXPECT_TRUE(testsupport::DecodesCleanly(Out()));
    // The file size field is the one rewrite: 8 bytes more than the last report.
    EXPECT_EQ(written, file.size() + 8);
    ASSERT_FALSE(hooks_.progress().empty());
    EXPECT_EQ(hooks_.progress().back().bytes, file.size());
    EXPECT_EQ(hooks_.headerDurations(), (std::vector<uint32_t>{0, source_.durationMs}));
    EXPECT_EQ(hooks_.finished(), std::vector<uint32_t>{written});
    EXPECT_EQ(hooks_.errors(), 0);

    auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    const std::string guid = ClientGuidOf(requests[0]);
    ASSERT_EQ(guid.size(), 38u);
    EXPECT_EQ(requests[0], ProbeRequest("/a.asf", LoopbackName(), guid));
    EXPECT_EQ(requests[1], MediaRequest("/a.asf", LoopbackName(), guid,
                                        OnDemandPragma("4294967295:4294967295", source_.durationMs)));
}

TEST_F(MmshClientTest, HeaderInPartsTrimmedPacketsAndNewerContentTypesGiveTheSameFile)
{
    Serve({"--header-parts", "3", "--trim-padding", "--probe-type", "application/vnd.ms.wms-hdr.asfv1",
           "--media-type", "application/x-mms-framed", "--pragma-style", "combined"});
    MmshClient client(Env());
    std::vector<std::string> infos;
    client.SetMessageObserver([&](mmsh::MessageLog::Level, const std::string& m) { infos.push_back(m); });
    uint32_t written = RecordInto(client, Url("/a.asf"), Out());
    EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, source_.packets.size()));
    // Packets sent without their padding still count whole.
    EXPECT_EQ(written, testsupport::FileSize(Out()) + 8);
    int partial = 0;
    for (const std::string& m : infos)
        partial += m.rfind("receiving ASF header (", 0) == 0;
    EXPECT_GE(partial, 2);  // reported while the header was short, in both exchanges
}

TEST_F(MmshClientTest, EveryTcpPieceSizeFrom1To70GivesTheSameFile)
{
    const AsfParts small = SplitAsf(ReadFile(ShortSample()));
    Serve({"--lifetime", "60", "--header-parts", "2"}, ShortSample());
    const std::string expected = ExpectedOnDemand(small, small.packets.size());
    for (int piece = 1; piece <= 70; ++piece) {
        MmshClient client(Env());
        const std::string path = Out("piece.asf");
        RecordInto(client, Url("/piece" + std::to_string(piece) + "/a.asf"), path);
        ASSERT_EQ(ReadFile(path), expected) << "pieces of " << piece << " bytes";
    }
}

TEST_F(MmshClientTest, LiveRecordingStartsAtZeroIsSeekableAndCountsItsPackets)
{
    Serve({"--mode", "live", "--pragma-style", "combined", "--rate", "8"});
    MmshClient client(Env());
    uint32_t written = RecordInto(client, Url("/live"), Out());

    const std::string file = ReadFile(Out());
    EXPECT_EQ(file, ExpectedLive(source_));
    EXPECT_EQ(written, file.size() + 48);  // file size plus the five live fields
    EXPECT_EQ(hooks_.progress().back().bytes, file.size());
    EXPECT_EQ(hooks_.headerDurations(), (std::vector<uint32_t>{0, 0}));

    AsfFileInfo info;
    ASSERT_TRUE(info.Parse(Out()));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::Complete);
    EXPECT_EQ(info.FileProperties().flags, 2u);
    EXPECT_EQ(info.DataObject().totalDataPackets, source_.packets.size());
    std::string why;
    EXPECT_TRUE(testsupport::DecodesCleanly(Out(), &why)) << why;
    EXPECT_TRUE(DecodesFrom(Out(), 2.0, &why)) << why;
    EXPECT_NEAR(testsupport::ProbeDuration(Out()), source_.durationMs / 1000.0, 0.3);

    auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1], MediaRequest("/live", LoopbackName(), ClientGuidOf(requests[0]),
                                        "no-cache,rate=1.000000,request-context=2"));
}

TEST_F(MmshClientTest, LiveRecordingStoppedByTheUserIsAFinishedFile)
{
    Serve({"--mode", "live", "--rate", "1"});
    MmshClient client(Env());
    FILE* f = std::fopen(Out().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::thread worker([&] {
        RecordRequest r;
        r.out = f;
        r.url = Url("/live");
        client.Record(r);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(1800));
    client.Stop();
    worker.join();
    std::fclose(f);
    EXPECT_EQ(client.lastMessage(), "Transfer aborted!");

    AsfFileInfo info;
    ASSERT_TRUE(info.Parse(Out()));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::Complete);
    const uint64_t packets = info.DataObject().totalDataPackets;
    EXPECT_GT(packets, 0u);
    EXPECT_LT(packets, source_.packets.size());
    EXPECT_EQ(testsupport::FileSize(Out()), source_.header.size() + packets * source_.packetSize);
    EXPECT_EQ(info.FileProperties().dataPacketsCount, packets);
    EXPECT_EQ(info.FileProperties().flags, 2u);
    std::string why;
    EXPECT_TRUE(testsupport::DecodesCleanly(Out(), &why)) << why;
    EXPECT_GT(testsupport::ProbeDuration(Out()), 0.5);
}

TEST_F(MmshClientTest, TwoSessionsAtOnceKeepTheirOwnState)
{
    Serve({"--rate", "4"});
    MmshClient first(Env()), second(Env());
    std::thread a([&] { RecordInto(first, Url("/a.asf"), Out("a.asf")); });
    std::thread b([&] { RecordInto(second, Url("/piece7/b.asf"), Out("b.asf")); });
    a.join();
    b.join();
    const std::string expected = ExpectedOnDemand(source_, source_.packets.size());
    EXPECT_EQ(ReadFile(Out("a.asf")), expected);
    EXPECT_EQ(ReadFile(Out("b.asf")), expected);
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    std::set<std::string> guids;
    for (const std::string& r : requests)
        guids.insert(ClientGuidOf(r));
    EXPECT_EQ(guids.size(), 2u);  // one identifier per target, each used twice
}

TEST_F(MmshClientTest, LiveRecordingOverALongerFileKeepsNothingOfIt)
{
    WriteFile(Out(), std::string(1 << 20, 'x'));
    Serve({"--mode", "live"});
    MmshClient client(Env());
    // Handed over where a resume scan stopped: a live stream starts over anyway.
    FILE* f = std::fopen(Out().c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fseek(f, 40000, SEEK_SET), 0);
    RecordRequest r;
    r.out = f;
    r.url = Url("/live");
    r.resume = 40000;
    client.Record(r);
    std::fclose(f);
    EXPECT_EQ(ReadFile(Out()), ExpectedLive(source_));
    // A live stream is never resumed: no stream offset in its request.
    EXPECT_EQ(Requests().at(1).find("stream-offset"), std::string::npos);
}

TEST_F(MmshClientTest, ResumeAppendsTheMissingPacketsToAPartialFile)
{
    Serve({"--fault", "close-in-packet=20", "--connections", "2"});
    {
        MmshClient client(Env());
        RecordInto(client, Url("/a.asf"), Out());
        EXPECT_EQ(client.lastMessage(), "Received incomplete chunk... (Chunk is NOT saved)");
    }
    std::string partial = ReadFile(Out());
    ASSERT_EQ(partial.size(), source_.header.size() + 20 * source_.packetSize);
    std::string why;
    EXPECT_TRUE(testsupport::DecodesCleanly(Out(), &why)) << why;
    server_.Stop();
    std::remove(dir_.File("requests.log").c_str());

    Serve({});
    MmshClient client(Env());
    std::vector<std::string> messages;
    client.SetMessageObserver([&](mmsh::MessageLog::Level, const std::string& m) { messages.push_back(m); });
    uint32_t written = RecordInto(client, Url("/a.asf"), Out(), "r+b");
    EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, source_.packets.size()));
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Appending to existing file!\n"), messages.end());
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Not saving header since this is a RESUME."),
              messages.end());
    EXPECT_EQ(written, (source_.packets.size() - 20) * source_.packetSize + 8);
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[1].find("stream-offset=0:" + std::to_string(partial.size()) + ","),
              std::string::npos);
}

TEST_F(MmshClientTest, ResumeOfAFileCutInsideTheHeaderWritesTheHeader)
{
    WriteFile(Out(), std::string(100, 'x'));
    Serve({});
    MmshClient client(Env());
    RecordInto(client, Url("/a.asf"), Out(), "r+b");
    EXPECT_NE(Requests().at(1).find("stream-offset=0:100,"), std::string::npos);
    EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, source_.packets.size()));
}

TEST_F(MmshClientTest, StartOffsetGoesIntoTheRequestOfAnEmptyFile)
{
    Serve({});
    MmshClient client(Env());
    RecordInto(client, Url("/a.asf"), Out(), "wb", 123456);
    EXPECT_NE(Requests().at(1).find("stream-offset=0:123456,"), std::string::npos);
}

TEST_F(MmshClientTest, ACheckCountsTheHeaderAndAFailureIsZeroOnAUsedObject)
{
    Serve({});
    MmshClient client(Env());
    RecordRequest check;
    check.url = Url("/a.asf");
    EXPECT_EQ(client.Record(check), source_.header.size());
    EXPECT_EQ(Requests().size(), 1u);  // the probe alone
    EXPECT_EQ(hooks_.headerDurations(), (std::vector<uint32_t>{0, source_.durationMs}));
    EXPECT_EQ(hooks_.finished().size(), 1u);

    const uint32_t recorded = RecordInto(client, Url("/a.asf"), Out());
    EXPECT_EQ(recorded, testsupport::FileSize(Out()) + 8);
    EXPECT_EQ(RecordInto(client, Url("/missing.asf"), Out("m.asf")), 0u);
    check.url = Url("/missing.asf");
    EXPECT_EQ(client.Record(check), 0u);
    EXPECT_EQ(client.bytesWritten(), recorded);  // the hooks' running count
}

TEST_F(MmshClientTest, ProxyGetsTheAbsoluteTargetAndNoHostLine)
{
    Serve({});
    ClientEnvironment env = Env();
    env.settings.m_useProxy = 1;
    env.settings.m_proxyServer = "127.0.0.1";
    env.settings.m_proxyPort = server_.port();
    MmshClient client(env);
    RecordInto(client, "mms://media.example:8080/a.asf", Out());
    RecordInto(client, "mmst://media.example/a.asf", Out("second.asf"));
    EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, source_.packets.size()));
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0], ProbeRequest("http://media.example:8080/a.asf", "", ClientGuidOf(requests[0])));
    EXPECT_EQ(requests[2], ProbeRequest("http://media.example/a.asf", "", ClientGuidOf(requests[2])));

    env.settings.m_proxyPort = 0;
    MmshClient refused(env);
    EXPECT_EQ(RecordInto(refused, "mms://media.example/a.asf", Out("third.asf")), 0u);
    EXPECT_EQ(refused.lastMessage(), "Invalid proxy URL format!");
    EXPECT_EQ(Requests().size(), 4u);
}

TEST_F(MmshClientTest, GivenCredentialsGoIntoEveryRequest)
{
    Serve({"--auth", "user:secret"});
    MmshClient client(Env());
    RecordInto(client, Url("/a.asf"), Out(), "wb", 0, "user", "secret");
    EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, source_.packets.size()));
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    const std::string guid = ClientGuidOf(requests[0]);
    EXPECT_EQ(requests[0], ProbeRequest("/a.asf", LoopbackName(), guid, "dXNlcjpzZWNyZXQ="));
    EXPECT_EQ(requests[1], MediaRequest("/a.asf", LoopbackName(), guid,
                                        OnDemandPragma("4294967295:4294967295", source_.durationMs),
                                        "dXNlcjpzZWNyZXQ="));
    EXPECT_EQ(prompts_.asked(), 0);
}

TEST_F(MmshClientTest, A401TakesStoredCredentialsThenAsksAndRetries)
{
    Serve({"--auth", "user:secret"});
    WriteStoredCredentials(profile_, LoopbackName(), "user", "wrong");
    prompts_.Answer("user", "secret");
    MmshClient client(Env());
    // An empty password sends no Authorization line at all.
    RecordInto(client, Url("/a.asf"), Out(), "wb", 0, "user", "");
    EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, source_.packets.size()));
    EXPECT_EQ(hooks_.credentials(), (std::vector<std::string>{"user:wrong", "user:secret"}));
    EXPECT_EQ(prompts_.asked(), 1);
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].find("Authorization"), std::string::npos);
    EXPECT_NE(requests[1].find("Authorization: Basic dXNlcjp3cm9uZw==\r\n"), std::string::npos);
    EXPECT_NE(requests[3].find("Authorization: Basic dXNlcjpzZWNyZXQ=\r\n"), std::string::npos);
    EXPECT_EQ(client.user(), "user");
    EXPECT_EQ(client.password(), "secret");
}

TEST_F(MmshClientTest, CancelledCredentialsEndTheCallWithoutFinishing)
{
    Serve({"--auth", "user:secret"});
    MmshClient client(Env());
    EXPECT_EQ(RecordInto(client, Url("/a.asf"), Out()), 0u);
    EXPECT_EQ(client.lastMessage(), "Authorization cancelled!");
    EXPECT_EQ(hooks_.noNext(), 1);
    EXPECT_TRUE(hooks_.finished().empty());
    EXPECT_EQ(prompts_.asked(), 1);
    EXPECT_EQ(Requests().size(), 1u);
}

TEST_F(MmshClientTest, ServerPlaylistsOfEveryFormLeadToTheStream)
{
    const std::string ref = "mms://127.0.0.1:{port}/a.asf";
    const std::string asx = "<ASX version=\"3.0\"><Entry><ref href=\"" + ref + "\"/></Entry></ASX>";
    const std::string ini = "\r\n\r\n\r\n[Reference]\r\nRef1=" + ref + "\r\n";
    const std::string plain = "ASF " + ref + "\r\n";
    // A title in a national script does not stop the playlist.
    const std::string national = "<ASX><Title>Caf\xC3\xA9 \xED\x95\x9C</Title><Entry><Ref href=\"" + ref +
                                 "\"/></Entry></ASX>";
    // An address without a port takes the playlist's own port.
    const std::string portless = "<ASX><Entry><Ref href=\"mms://127.0.0.1/a.asf\"/></Entry></ASX>";
    Serve({"--playlist", "/l.asx=video/x-ms-asf=" + Playlist("l.asx", asx),
           "--playlist", "/ini=text/plain=" + Playlist("ini", ini),
           "--playlist", "/plain=text/plain=" + Playlist("plain", plain),
           "--playlist", "/national=video/x-ms-wvx=" + Playlist("national", national),
           "--playlist", "/portless=audio/x-ms-wax=" + Playlist("portless", portless)});
    for (const char* path : {"/l.asx", "/ini", "/plain", "/national", "/portless"}) {
        MmshClient client(Env());
        RecordInto(client, Url(path), Out());
        EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, source_.packets.size())) << path;
    }
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 15u);
    EXPECT_EQ(requests[1].rfind("GET /a.asf HTTP/1.0\r\n", 0), 0u);
}

TEST_F(MmshClientTest, PlaylistGroupsRecordOneStreamAndHandTheNextGroupBack)
{
    const std::string base = "mms://127.0.0.1:{port}";
    const std::string asx = "<ASX><Entry><Ref href=\"" + base + "/missing1.asf\"/><Ref href=\"" + base +
                            "/a.asf\"/></Entry><Entry><Ref href=\"" + base + "/b.asf\"/><Ref href=\"" +
                            base + "/c.asf\"/></Entry></ASX>";
    Serve({"--playlist", "/groups=video/x-ms-asf=" + Playlist("g", asx)});
    MmshClient client(Env());
    RecordInto(client, Url("/groups"), Out());
    EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, source_.packets.size()));
    EXPECT_EQ(hooks_.found(), std::vector<std::string>{Url("/b.asf")});
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[1].rfind("GET /missing1.asf ", 0), 0u);
    EXPECT_EQ(requests[2].rfind("GET /a.asf ", 0), 0u);
    EXPECT_EQ(requests[3].rfind("GET /a.asf ", 0), 0u);
}

TEST_F(MmshClientTest, TextsThatAreNoPlaylistRecordNothing)
{
    const std::string control = "<ASX>\x01<Entry><Ref href=\"mms://127.0.0.1:{port}/a.asf\"/></Entry></ASX>";
    Serve({"--playlist", "/control=video/x-ms-asf=" + Playlist("c", control)});
    for (const char* path : {"/control", "/html"}) {
        MmshClient client(Env());
        EXPECT_EQ(RecordInto(client, Url(path), Out()), 0u) << path;
        EXPECT_EQ(testsupport::FileSize(Out()), 0u);
    }
    EXPECT_EQ(Requests().size(), 2u);
}

TEST_F(MmshClientTest, LocalPlaylistFileIsFollowed)
{
    Serve({});
    const std::string list = Playlist("local.asx", "<ASX><Entry><Ref href=\"" + Url("/a.asf") + "\"/></Entry></ASX>");
    MmshClient client(Env());
    RecordInto(client, list, Out());
    EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, source_.packets.size()));

    // A path that does not exist is taken as an address, and is no good one.
    MmshClient missing(Env());
    EXPECT_EQ(RecordInto(missing, dir_.File("nothing-here.asx"), Out("x.asf")), 0u);
    EXPECT_EQ(missing.lastMessage(), "Invalid URL format!");
}

TEST_F(MmshClientTest, APlaylistThatNamesItselfStopsAtDepthEight)
{
    Serve({"--playlist", "/self=video/x-ms-asf=" +
                             Playlist("s", "<ASX><Entry><Ref href=\"mms://127.0.0.1:{port}/self\"/></Entry></ASX>")});
    MmshClient client(Env());
    EXPECT_EQ(RecordInto(client, Url("/self"), Out()), 0u);
    EXPECT_EQ(client.lastMessage(), "Playlists nested more than 8 deep are not followed!");
    EXPECT_EQ(Requests().size(), 9u);
}

TEST_F(MmshClientTest, RepliesThatAreNoStreamEndTheTarget)
{
    struct Case {
        std::vector<std::string> args;
        std::string path, message;
    };
    const std::vector<Case> cases = {
        {{"--probe-type", "application/octet-stream; charset=binary"}, "/a.asf",
         "unknown content-type: application/octet-stream; charset=binary"},
        {{"--fault", "no-status"}, "/a.asf", "reply: 0 - <none>"},
        {{}, "/missing.asf", "reply: 404 - Not Found"},
        {{"--fault", "unequal-sizes"}, "/a.asf", "not supported"},
    };
    for (const Case& c : cases) {
        Serve(c.args);
        MmshClient client(Env());
        EXPECT_EQ(RecordInto(client, Url(c.path), Out()), 0u);
        EXPECT_EQ(client.lastMessage(), c.message);
        EXPECT_EQ(Requests().size(), 1u) << c.message;  // no media request
        EXPECT_TRUE(hooks_.finished().empty());
        server_.Stop();
        std::remove(dir_.File("requests.log").c_str());
    }
}

TEST_F(MmshClientTest, FaultsInTheStreamEndTheJobAndKeepWhatWasComplete)
{
    struct Case {
        std::string fault, message;
        size_t packets;  // complete packets the file must hold
    };
    const std::vector<Case> cases = {
        {"bad-confirm=10", "Length confirmation doesn't match!", 10},
        {"oversized=10", "Chunk 10 holds 3216 bytes, more than the packet size of 3200!", 10},
        {"close-in-packet=7", "Received incomplete chunk... (Chunk is NOT saved)", 7},
        {"unknown-chunk=5", "Unknown header type: $4d24", source_.packets.size()},
    };
    for (const Case& c : cases) {
        Serve({"--fault", c.fault});
        MmshClient client(Env());
        uint32_t written = RecordInto(client, Url("/a.asf"), Out());
        EXPECT_EQ(client.lastMessage(), c.message);
        EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, c.packets)) << c.fault;
        EXPECT_EQ(written, source_.header.size() + c.packets * source_.packetSize + 8);
        std::string why;
        EXPECT_TRUE(testsupport::DecodesCleanly(Out(), &why)) << c.fault << ": " << why;
        server_.Stop();
    }
}

TEST_F(MmshClientTest, AStreamCutInsideTheHeaderWritesNothing)
{
    Serve({"--fault", "close-in-header", "--header-parts", "2"});
    MmshClient client(Env());
    EXPECT_EQ(RecordInto(client, Url("/a.asf"), Out()), 0u);
    EXPECT_EQ(testsupport::FileSize(Out()), 0u);
    EXPECT_EQ(hooks_.finished(), std::vector<uint32_t>{0});
}

TEST_F(MmshClientTest, SilenceEndsTheRecordingAsABrokenConnection)
{
    Serve({"--fault", "stall=12"});
    ClientEnvironment env = Env();
    env.idleTimeoutMs = 1000;
    MmshClient client(env);
    RecordInto(client, Url("/a.asf"), Out());
    EXPECT_EQ(client.lastMessage(), "recv failed: TIMEDOUT");
    EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, 12));
}

TEST_F(MmshClientTest, StopEndsTheCallWithinASecondWhateverTheServerDoes)
{
    for (const char* fault : {"stall-head", "stall=5"}) {
        Serve({"--fault", fault});
        MmshClient client(Env());
        FILE* f = std::fopen(Out().c_str(), "wb");
        std::thread worker([&] {
            RecordRequest r;
            r.out = f;
            r.url = Url("/a.asf");
            client.Record(r);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        const auto stopAt = Clock::now();
        client.Stop();
        worker.join();
        EXPECT_LT(Clock::now() - stopAt, std::chrono::seconds(1)) << fault;
        std::fclose(f);
        if (std::string(fault) == "stall=5") {
            EXPECT_EQ(client.lastMessage(), "Transfer aborted!");
            EXPECT_EQ(ReadFile(Out()), ExpectedOnDemand(source_, 5));
        }
        server_.Stop();
    }
}

TEST_F(MmshClientTest, ConnectFailureIsNamed)
{
    // A port that was just free: nothing listens there.
    Serve({"--lifetime", "1"});
    const int port = server_.port();
    server_.Stop();
    MmshClient client(Env());
    EXPECT_EQ(RecordInto(client, "mms://127.0.0.1:" + std::to_string(port) + "/a.asf", Out()), 0u);
    EXPECT_EQ(client.lastMessage(), "connect() failed: CONNREFUSED");
}

}  // namespace
