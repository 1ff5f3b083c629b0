// The streaming client against the fake media server: exact requests,
// files compared with the source, credentials, faults, hostile numbers.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include <arpa/inet.h>
#include <netdb.h>

#include "asf_stream.h"
#include "base/memory_profile.h"
#include "client_fakes.h"
#include "formats/asf_file_writer.h"
#include "formats/file_sink.h"
#include "protocols/mmsh/chunk_stream.h"
#include "protocols/mmsh/mmsh_client.h"
#include "protocols/mmsh/mmsh_request.h"
#include "test_support.h"

namespace {

using testsupport::FileSize;
using testsupport::ReadFile;
using testsupport::WriteFile;
using asfstream::Parts;

const Parts& Source() { return asfstream::Split(asfstream::Sample()); }

// The play duration without the preroll, in ms.
uint32_t DurationMs()
{
    const Parts& src = Source();
    return static_cast<uint32_t>(asfstream::Get64(src.header, src.fileProps + 64) / 10000 -
                                 asfstream::Get32(src.header, src.fileProps + 80));
}

std::string ClientGuidOf(const std::string& request)
{
    const size_t at = request.find("xClientGUID=") + 12;
    return request.substr(at, request.find("\r\n", at) - at);
}

// The name the client puts in "Host:" for 127.0.0.1 (its reverse lookup).
std::string LoopbackName()
{
    sockaddr_in sa{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    char name[NI_MAXHOST];
    return getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof(sa), name, sizeof(name), nullptr, 0,
                       NI_NAMEREQD) == 0 ? name : "127.0.0.1";
}

class MmshClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        env_.hooks = &hooks_;
        env_.profile = &profile_;
        env_.prompts = &prompts_;
        env_.idleTimeoutMs = 5000;
    }
    void Serve(std::vector<std::string> args)
    {
        server_.Stop();
        std::remove(dir_.File("requests.log").c_str());
        args.insert(args.end(), {"--file", asfstream::Sample(), "--log", dir_.File("requests.log")});
        ASSERT_TRUE(server_.Start("mmsh_server.py", args));
    }
    std::string Url(const std::string& path) const
    {
        return "mms://127.0.0.1:" + std::to_string(server_.port()) + path;
    }
    std::string Out(const std::string& name = "out.asf") const { return dir_.File(name); }
    // The file holds a finished recording of the first n packets.
    ::testing::AssertionResult Holds(size_t n, bool live = false)
    {
        return asfstream::IsRecordingOf(Out(), Source(), n, live);
    }
    std::vector<std::string> Requests() const { return clienttest::SplitHeads(ReadFile(dir_.File("requests.log"))); }

    // Records url into out.asf, a file made anew or (keep) handed over at resume.
    uint64_t Record(MmshClient& client, const std::string& url, bool keep = false, uint64_t resume = 0,
                    const std::string& user = {}, const std::string& password = {},
                    const std::string& keptHeader = {})
    {
        std::unique_ptr<FileSink> sink = keep ? FileSink::OpenExisting(Out()) : FileSink::Create(Out());
        EXPECT_NE(sink, nullptr);
        RecordRequest r;
        r.out = sink.get();
        r.out->Seek(resume);
        r.url = url;
        r.resume = ResumeAt::Byte(resume);
        r.user = user;
        r.password = password;
        r.keptHeader.assign(keptHeader.begin(), keptHeader.end());
        const uint64_t n = client.Record(r);
        EXPECT_TRUE(sink->Close());
        return n;
    }

    // The requests the client must send (auth: "user:password").
    static std::string Auth(const std::string& pair) { return pair.empty() ? "" : mmsh::Base64Encode(pair); }
    static std::string Probe(const std::string& target, const std::string& guid, const std::string& auth = {},
                             const std::string& host = LoopbackName())
    {
        return mmsh::BuildProbeRequest({target, Auth(auth), host, guid});
    }
    static std::string Media(const std::string& target, const std::string& guid, bool live, uint32_t offset,
                             const std::string& auth = {}, const std::string& host = LoopbackName())
    {
        const uint32_t whole = offset ? 0 : 0xFFFFFFFF;
        return mmsh::BuildMediaRequest({target, Auth(auth), host, guid}, live, whole, offset ? offset : whole,
                                       DurationMs());
    }
    const size_t all_ = Source().packets.size();

    testsupport::TempDir dir_;
    clienttest::RecordingHooks hooks_;
    MemoryProfile profile_;
    clienttest::ScriptedPrompts prompts_;
    ClientEnvironment env_;
    testsupport::FakeServer server_;
};

TEST_F(MmshClientTest, OnDemandRecordingHoldsTheSourcePacketsAndItsRequestsAreExact)
{
    // As later servers send it: newer content types, the header in parts,
    // packets without their padding.
    Serve({"--later", "--header-parts", "3"});
    MmshClient client(env_);
    const uint64_t written = Record(client, Url("/a b.asf"));  // the blank goes escaped
    EXPECT_TRUE(Holds(all_));
    EXPECT_TRUE(testsupport::DecodesCleanly(Out()));
    EXPECT_EQ(written, FileSize(Out()) - 62);  // the index aside
    EXPECT_EQ(hooks_.durations, (std::vector<uint32_t>{DurationMs()}));
    EXPECT_EQ(hooks_.finished, std::vector<uint64_t>{written});
    EXPECT_TRUE(hooks_.errors.empty());

    // A check (no file) reads the header alone.
    RecordRequest check;
    check.url = Url("/a.asf");
    EXPECT_EQ(client.Record(check), Source().header.size());

    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    const std::string guid = ClientGuidOf(requests[0]);
    ASSERT_EQ(guid.size(), 38u);
    EXPECT_EQ(requests[0], Probe("/a%20b.asf", guid));
    EXPECT_EQ(requests[1], Media("/a%20b.asf", guid, false, 0));
    EXPECT_EQ(requests[2], Probe("/a.asf", ClientGuidOf(requests[2])));
    EXPECT_NE(ClientGuidOf(requests[2]), guid);
}

TEST_F(MmshClientTest, LiveRecordingStartsAtZeroIsSeekableAndKeepsNothingOfAnOlderFile)
{
    WriteFile(Out(), std::string(1 << 20, 'x'));
    Serve({"--mode", "live", "--later", "--rate", "8"});
    MmshClient client(env_);
    // Handed over inside an older file: a live stream starts over anyway.
    const uint64_t written = Record(client, Url("/live"), true, 40000);
    EXPECT_TRUE(Holds(all_, true));
    EXPECT_EQ(written, FileSize(Out()) - 62);
    EXPECT_EQ(hooks_.durations, (std::vector<uint32_t>{0}));
    EXPECT_TRUE(asfstream::Decodes(Out(), 2.0));  // and seekable
    // A live stream is never resumed: no stream offset in its request.
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1], Media("/live", ClientGuidOf(requests[0]), true, 0));

    // Stopped by the user, it is a finished, seekable file all the same.
    Serve({"--mode", "live", "--rate", "1"});
    MmshClient stopped(env_);
    std::thread worker([&] { Record(stopped, Url("/live")); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1800));
    const auto stopAt = std::chrono::steady_clock::now();
    stopped.Stop();
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, std::chrono::seconds(1));
    const size_t packets = (FileSize(Out()) - Source().header.size()) / Source().packetSize;
    ASSERT_GT(packets, 0u);
    ASSERT_LT(packets, all_);
    EXPECT_TRUE(Holds(packets, true));
}

TEST_F(MmshClientTest, ResumeAsksForTheMissingBytesOnlyOfTheSameStream)
{
    std::string partial = Source().header;
    for (size_t i = 0; i < 20; ++i)
        partial += Source().packets[i];
    // A partial file, and one cut inside the header.
    for (const std::string& before : {partial, std::string(100, 'x')}) {
        WriteFile(Out(), before);
        Serve({});
        MmshClient client(env_);
        const uint64_t written = Record(client, Url("/a.asf"), true);
        const auto requests = Requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1], Media("/a.asf", ClientGuidOf(requests[0]), false, uint32_t(before.size())));
        EXPECT_TRUE(Holds(all_)) << before.size();
        EXPECT_TRUE(before != partial || written == (all_ - 20) * Source().packetSize) << written;
    }
    // The file goes on only when it holds the stream the server sends:
    // otherwise nothing is written and the resume is refused.
    for (const bool same : {false, true}) {
        SCOPED_TRACE(same);
        WriteFile(Out(), partial);
        Serve({});
        MmshClient client(env_);
        hooks_.resumeRefused = 0;
        const uint64_t written =
            Record(client, Url("/a.asf"), true, 0, {}, {}, same ? Source().header : asfstream::Split(asfstream::SmallSample()).header);
        EXPECT_EQ(hooks_.resumeRefused, same ? 0 : 1);
        EXPECT_EQ(written, same ? (all_ - 20) * Source().packetSize : 0u);
        EXPECT_TRUE(same ? Holds(all_) : ReadFile(Out()) == partial);
    }
}

TEST_F(MmshClientTest, CredentialsStoredAskedForCancelledAndKeptFromOtherHosts)
{
    Serve({"--auth", "user:secret"});
    // A 401 takes the pair stored for the host as written and the port
    // (not for the name it resolves to), then the dialog. An empty password
    // sends no Authorization line at all.
    WriteStoredCredentials(profile_, LoopbackName(), "user", "resolved");
    WriteStoredCredentials(profile_, "127.0.0.1:" + std::to_string(server_.port()), "user", "wrong");
    prompts_.Answer("user", "secret");
    MmshClient asked(env_);
    Record(asked, Url("/a.asf"), false, 0, "user", "");
    EXPECT_TRUE(Holds(all_));
    EXPECT_EQ(hooks_.credentials, (std::vector<std::string>{"user:wrong", "user:secret"}));
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    const std::string guid = ClientGuidOf(requests[0]);
    EXPECT_EQ(requests, (std::vector<std::string>{Probe("/a.asf", guid), Probe("/a.asf", guid, "user:wrong"),
                                                  Probe("/a.asf", guid, "user:secret"),
                                                  Media("/a.asf", guid, false, 0, "user:secret")}));

    // A cancelled dialog ends the call without finishing.
    hooks_.finished.clear();
    MmshClient cancelled(env_);
    EXPECT_EQ(Record(cancelled, Url("/a.asf")), 0u);
    EXPECT_EQ(cancelled.lastMessage(), "Authorization cancelled!");
    EXPECT_EQ(hooks_.noNext, 1);
    EXPECT_TRUE(hooks_.finished.empty());
    EXPECT_EQ(prompts_.asked.size(), 2u);

    // The given pair belongs to the given address: the entry of a server
    // playlist on another host gets none of it.
    Serve({"--playlist", "/list=video/x-ms-asf=<ASX><Entry><Ref href=\"mms://localhost:{port}/a.asf\"/></Entry></ASX>"});
    MmshClient listed(env_);
    Record(listed, Url("/list"), false, 0, "user", "secret");
    EXPECT_TRUE(Holds(all_));
    requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[0].find("\r\nAuthorization: Basic " + Auth("user:secret")), std::string::npos);
    for (size_t i : {1, 2})
        EXPECT_EQ(requests[i].find("Authorization"), std::string::npos) << requests[i];
}

TEST_F(MmshClientTest, RepliesThatAreNoStreamAndFaultsInTheStreamEndTheJobKeepingWhatWasComplete)
{
    struct Case {
        std::vector<std::string> args;
        std::string path, message;
        int packets;  // complete packets the file must hold; -1: nothing written
        size_t requests;
    };
    const std::vector<Case> cases = {
        {{}, "/missing.asf", "reply: 404 - Not Found", -1, 1},
        {{}, "/self", "Playlists nested more than 8 deep are not followed!", -1, 9},
        {{"--fault", "close-in-header", "--header-parts", "2"}, "/a.asf", "", -1, 2},
        {{"--fault", "close-in-packet=20"}, "/a.asf", "Received incomplete chunk... (Chunk is NOT saved)", 20, 2},
        {{"--fault", "oversized=10"}, "/a.asf", "Chunk 10 holds 3216 bytes, more than the packet size of 3200!", 10, 2},
        {{"--fault", "stall=12"}, "/a.asf", "recv failed: TIMEDOUT", 12, 2},
    };
    env_.idleTimeoutMs = 1500;
    for (Case c : cases) {
        c.args.insert(c.args.end(), {"--playlist", "/self=video/x-ms-asf=<ASX><Entry><Ref href=\"mms://127.0.0.1:{port}/self\"/></Entry></ASX>"});
        Serve(c.args);
        MmshClient client(env_);
        const uint64_t written = Record(client, Url(c.path));
        EXPECT_EQ(client.lastMessage(), c.message) << c.path;
        EXPECT_EQ(Requests().size(), c.requests) << c.message;
        EXPECT_TRUE(c.packets < 0 ? FileSize(Out()) == 0 : bool(Holds(c.packets))) << c.message;
        EXPECT_EQ(written, c.packets < 0 ? 0 : FileSize(Out()) - 62) << c.message;
    }
}

TEST_F(MmshClientTest, SequenceNumbersOutsideTheStreamAreNotWritten)
{
    // Neither one far-out number nor numbers creeping on with every packet
    // make the file larger than about twice what arrived.
    const Parts& src = Source();
    const uint64_t creep = src.header.size() + (2 * all_ + AsfFileWriter::kMaxNumberJump + 1) * src.packetSize + 62;
    const std::vector<std::pair<std::vector<std::string>, uint64_t>> cases = {
        {{"--fault", "no-count", "--fault", "seq-base=0xFFFFFFF0", "--fault", "seq-step=0"}, src.header.size() + 62},
        {{"--fault", "no-count", "--fault", "seq-step=4000"}, creep},
    };
    for (const auto& [args, limit] : cases) {
        SCOPED_TRACE(args[args.size() - 3]);
        Serve(args);
        MmshClient client(env_);
        Record(client, Url("/a.asf"));
        EXPECT_LE(FileSize(Out()), limit);
        EXPECT_GE(FileSize(Out()), src.header.size());
    }
}

}  // namespace
