// brimcast-cli record and check end to end: the real program against the
// fake servers on loopback.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "asf_stream.h"
#include "base/app_settings.h"
#include "formats/asf_file_reader.h"
#include "qtprofile/ini_profile.h"
#include "test_support.h"

using testsupport::FakeServer;
using testsupport::FileSize;
using testsupport::ReadFile;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Large enough to count as a recording rather than a server's refusal.
std::string Sample() { return testsupport::MakeSampleAsf({.seconds = 8, .videoBitrateK = 400}); }

class CliRecordTest : public ::testing::Test {
protected:
    // A profile of its own: nothing the developer keeps changes the result.
    std::vector<std::string> Argv(const std::vector<std::string>& args) const
    {
        std::vector<std::string> argv = {testsupport::BinaryDir() + "/src/cli/brimcast-cli", "--config",
                                         config.File("Brimcast.conf")};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    testsupport::ProcessResult Cli(const std::vector<std::string>& args)
    {
        return testsupport::RunProcess(Argv(args), std::chrono::seconds(60), "", env);
    }
    static std::string Address(const std::string& scheme, const FakeServer& s, const std::string& path)
    {
        return scheme + "://127.0.0.1:" + std::to_string(s.port()) + path;
    }
    std::string Http(const std::string& path) const { return Address("http", http, path); }
    void StartHttp(std::vector<std::string> args = {})
    {
        args.insert(args.end(), {"--lifetime", "60", "--log", config.File("http.log")});
        ASSERT_TRUE(http.Start("http_server.py", args));
    }

    testsupport::TempDir config;
    testsupport::TempDir out;
    FakeServer http;
    // Result words follow the messages locale; these runs use an English one.
    std::vector<std::string> env = {"XDG_CONFIG_HOME=" + config.path(), "LC_ALL=C.UTF-8"};
};

TEST_F(CliRecordTest, HttpDownloadWithBasicAuthentication)
{
    StartHttp({"--file", Sample(), "--user", "archivist", "--password", "s3cret"});
    auto r = Cli({"record", "-d", out.path(), "-t", "clip", Http("/auth/file")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, Http("/auth/file") + ": failed: ")) << r.err;

    r = Cli({"record", "-d", out.path(), "-t", "clip", "-u", "archivist", "-p", "s3cret", Http("/auth/file")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(out.File("clip.asf")), ReadFile(Sample()));
    EXPECT_TRUE(Contains(r.out, Http("/auth/file") + ": completed -> " + out.File("clip.asf"))) << r.out;
    EXPECT_FALSE(Contains(ReadFile(config.File("Brimcast.conf")), "archivist")) << "options are not saved";
    // The check gives them to the addresses named too.
    r = Cli({"check", "-u", "archivist", "-p", "s3cret", Http("/auth/file")});
    EXPECT_EQ(r.out, Http("/auth/file") + " Ok\n") << r.err;

    // A pair stored in the profile for the host and port is used.
    {
        IniProfile profile(config.File("Brimcast.conf"));
        WriteStoredCredentials(profile, "127.0.0.1:" + std::to_string(http.port()), "archivist", "s3cret");
    }
    r = Cli({"record", "-d", out.path(), "-t", "stored", Http("/auth/size/7000")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(FileSize(out.File("stored.asf")), 7000u);
    EXPECT_TRUE(Contains(ReadFile(config.File("http.log")), "Authorization: Basic"));
}

// A failure gives each transport's reason. Text that is no address is a
// usage error, and nothing is tried for the other addresses either.
TEST_F(CliRecordTest, AFailureNamesTheReasonOfEachTransportTried)
{
    StartHttp();
    std::string closed;
    {
        FakeServer gone;  // a port nobody listens on
        ASSERT_TRUE(gone.Start("http_server.py", {"--lifetime", "60"}));
        closed = Address("mms", gone, "/none.asf");
    }
    auto r = Cli({"record", "-d", out.path(), closed});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, closed + ": failed: Not Found (MMS over TCP: connection refused; MMS over HTTP: "
                                         "connection refused; HTTP: connection refused)\n")) << r.err;
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    // The message holds no terminal control.
    for (const auto& [argument, shown] :
         {std::pair<std::string, std::string>{"notaurl", "notaurl"},
          {"/no/such/file\xC2\x9B.wmv", "/no/such/file\\u009B.wmv"},
          {"gopher://127.0.0.1:1/x\x1B\xC2\x9B", "gopher://127.0.0.1:1/x\\x1B\\u009B"}}) {
        r = Cli({"record", "-d", out.path(), Http("/size/7000"), argument});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(Contains(r.err, shown + ": not a stream address or playlist")) << r.err;
    }
    EXPECT_FALSE(Contains(ReadFile(config.File("http.log")), "GET /size/7000"));
}

// A dropped connection is reconnected and reported; without reconnects the
// drop leaves an incomplete file, kept, and the exit status is 1.
TEST_F(CliRecordTest, ADroppedStreamIsReconnectedAndItsOutagesReported)
{
    // More than the size rule's limit before the drop.
    const std::string sample = testsupport::MakeSampleAsf({.seconds = 16, .videoBitrateK = 400});
    FakeServer mms;
    ASSERT_TRUE(mms.Start("mms_server.py", {"--file", sample, "--drop", "reset:60", "--connections", "2",
                                            "--lifetime", "60"}));
    const std::string address = Address("mms", mms, "/drop.asf");
    auto r = Cli({"record", "--json", "--reconnect", "30", "-d", out.path(), address});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_TRUE(Contains(r.out, "{\"event\":\"reconnecting\",\"job\":1,\"address\":\"" + address +
                                    "\",\"attempt\":1}")) << r.out;
    EXPECT_TRUE(Contains(r.out, "{\"event\":\"reconnected\",\"job\":1,\"address\":\"" + address +
                                    "\",\"attempt\":1,\"at\":\"20")) << r.out;
    EXPECT_TRUE(Contains(r.out, "\"result\":\"completed\"")) << r.out;
    EXPECT_TRUE(Contains(r.out, "\"outages\":1,\"outageMs\":1")) << r.out;  // a second and a little
    std::string diagnostics;  // the one decode check of a file the CLI wrote
    EXPECT_TRUE(testsupport::DecodesCleanly(out.File("drop.asf"), &diagnostics)) << diagnostics;

    FakeServer once;
    ASSERT_TRUE(once.Start("mms_server.py", {"--file", sample, "--drop", "close:100", "--lifetime", "60"}));
    r = Cli({"record", "--reconnect", "0", "-d", out.path(), Address("mms", once, "/once.asf")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, ": incomplete -> " + out.File("once.asf"))) << r.err;
    EXPECT_FALSE(Contains(r.err, "reconnecting")) << r.err;
    EXPECT_EQ(Cli({"record", "--reconnect", "-1", "mms://h/x.asf"}).exitCode, 2);
}

// Each entry of a playlist starts afresh: after an address that is not found
// and one whose password nobody gives (batch mode), the next entries get
// every client of their order, and the second stream of one client shows its
// own size, not a running total.
TEST_F(CliRecordTest, PlaylistsGiveALinePerEntryAndEachEntryStartsAfresh)
{
    StartHttp();
    FakeServer mmsh, rtsp;
    ASSERT_TRUE(mmsh.Start("mmsh_server.py", {"--file", Sample(), "--lifetime", "60"}));
    ASSERT_TRUE(rtsp.Start("rtsp_server.py", {"--file", Sample(), "--connections", "8", "--lifetime", "60"}));
    const std::vector<std::string> entries = {Http("/status/404"), Http("/auth/size/7000"), Http("/size/6000"),
                                              Address("rtsp", rtsp, "/clip.asf"), Address("http", mmsh, "/one.asf"),
                                              Address("http", mmsh, "/two.asf")};
    std::string asx = "<ASX version=\"3.0\">";
    for (const std::string& e : entries)
        asx += "<Entry><Ref href=\"" + e + "\"/></Entry>";
    testsupport::WriteFile(config.File("list.asx"), asx + "</ASX>");
    auto r = Cli({"record", "-d", out.path(), config.File("list.asx")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, entries[0] + ": failed: Not Found")) << r.err;
    EXPECT_TRUE(Contains(r.err, entries[1] + ": failed: ")) << r.err;
    EXPECT_EQ(FileSize(out.File("list2.asf")), 6000u);
    // The size in an entry's line ("... -> PATH (SIZE)").
    auto sizeShown = [&](size_t i) {
        const std::string line = entries[i] + ": completed -> " + out.File("list" + std::to_string(i) + ".asf");
        const size_t at = r.out.find(line);
        return at == std::string::npos ? std::string() : r.out.substr(at + line.size(), r.out.find('\n', at) - at - line.size());
    };
    for (size_t i = 2; i < entries.size(); ++i)
        EXPECT_NE(sizeShown(i), "") << entries[i] << "\n" << r.out << r.err;
    EXPECT_EQ(sizeShown(5), sizeShown(4));
}

// The options that change how a stream is fetched or kept, each on a real
// run: the proxy gets the absolute-form request for a host nobody resolves,
// the player identity goes out in the connect command, --max-time ends an
// 8 s stream as a finished file of about 3 s, and a broadcast's times start
// at 0 unless --no-live-rebase keeps the server's own.
TEST_F(CliRecordTest, FetchAndKeepOptionsTakeEffect)
{
    const std::string sample = Sample();
    FakeServer proxy, mms, live;
    ASSERT_TRUE(proxy.Start("mmsh_server.py", {"--file", sample, "--log", config.File("proxy.log"), "--lifetime", "60"}));
    ASSERT_TRUE(mms.Start("mms_server.py", {"--file", sample, "--log", config.File("mms.log"), "--connections", "8",
                                            "--lifetime", "60"}));
    ASSERT_TRUE(live.Start("mms_server.py", {"--file", asfstream::LiveOf(sample), "--connections", "8",
                                             "--lifetime", "60"}));
    std::string playerIdUtf16;  // as the connect command carries it
    for (char c : std::string("ArchiveBot/2.5"))
        playerIdUtf16 += std::string{c, '\0'};
    // The send time of a file's first or last packet; -1 when unreadable.
    auto sendTime = [&](const std::string& name, bool last) -> int64_t {
        AsfFileReader reader;
        std::vector<uint8_t> packet;
        if (!reader.Open(out.File(name)) || reader.PacketCount() == 0 ||
            !reader.ReadPacket(last ? reader.PacketCount() - 1 : 0, &packet))
            return -1;
        return asfstream::SendTime(std::string(packet.begin(), packet.end()), reader.Header().packetSize);
    };
    const std::string hidden = "http://stream.invalid/relayed.asf";
    const struct {
        std::vector<std::string> options;
        std::string address, file;
        std::function<void()> check;
    } cases[] = {
        {{"--proxy", "http://127.0.0.1:" + std::to_string(proxy.port())}, hidden, "relayed.asf",
         [&] { EXPECT_TRUE(Contains(ReadFile(config.File("proxy.log")), "GET " + hidden + " HTTP/1.")); }},
        {{"--player-id", "ArchiveBot/2.5"}, Address("mms", mms, "/id.asf"), "id.asf",
         [&] { EXPECT_TRUE(Contains(ReadFile(config.File("mms.log")), playerIdUtf16)); }},
        {{"--max-time", "3"}, Address("mms", mms, "/cut.asf"), "cut.asf",
         [&] {
             const int64_t last = sendTime("cut.asf", true);  // the sample's go on to 8 s
             EXPECT_TRUE(last >= 3000 && last < 4000) << last;
             std::string diagnostics;
             EXPECT_TRUE(testsupport::DecodesCleanly(out.File("cut.asf"), &diagnostics)) << diagnostics;
         }},
        {{}, Address("mms", live, "/rebased.asf"), "rebased.asf", [&] { EXPECT_EQ(sendTime("rebased.asf", false), 0); }},
        {{"--no-live-rebase"}, Address("mms", live, "/kept.asf"), "kept.asf",
         [&] { EXPECT_GE(sendTime("kept.asf", false), int64_t{asfstream::kLiveShift}); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<std::string> args = {"record", "-d", out.path()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(c.address);
        const auto r = Cli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(Contains(r.out, c.address + ": completed -> " + out.File(c.file))) << r.out << r.err;
        c.check();
    }
}

}  // namespace
