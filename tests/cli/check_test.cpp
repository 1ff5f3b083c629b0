// brimcast-cli check end to end: many addresses probed at once against the
// fake servers of every transport, and what each answer tells.

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "asf_stream.h"
#include "test_support.h"

using testsupport::FakeServer;
using Clock = std::chrono::steady_clock;

namespace {

// A four-second sample with a title (ffmpeg writes it into the content
// description), with video beside the audio or not.
std::string TitledSample(const testsupport::TempDir& dir, const std::string& name, const std::string& title,
                         bool video)
{
    std::vector<std::string> argv = {"ffmpeg", "-v", "error", "-y"};
    if (video)
        argv.insert(argv.end(), {"-f", "lavfi", "-i", "testsrc=size=176x144:rate=15"});
    argv.insert(argv.end(), {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050", "-t", "4"});
    if (video)
        argv.insert(argv.end(), {"-c:v", "wmv2", "-b:v", "200k", "-g", "15"});
    argv.insert(argv.end(), {"-metadata", "title=" + title, "-c:a", "wmav2", "-b:a", "64k", "-ac", "2",
                             "-packet_size", "3200", "-f", "asf", dir.File(name)});
    const auto r = testsupport::RunProcess(argv, std::chrono::seconds(120));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return dir.File(name);
}

// What a file's header announces, read here from its bytes.
struct Announced {
    std::string title;
    int64_t durationMs = 0;
    int64_t bitrate = 0;
};

Announced AnnouncedBy(const std::string& path, const std::string& title)
{
    const asfstream::Parts& p = asfstream::Split(path);
    const uint64_t play = asfstream::Get64(p.header, p.fileProps + 64);
    const uint64_t preroll = asfstream::Get64(p.header, p.fileProps + 80);
    return {title, static_cast<int64_t>(play / 10000 - preroll), asfstream::Get32(p.header, p.fileProps + 100)};
}

std::string OkLine(const std::string& address, const char* transport, bool live, const Announced& a)
{
    return "{\"event\":\"checked\",\"address\":\"" + address + "\",\"result\":\"Ok\",\"transport\":\"" +
           transport + "\",\"delivery\":\"" + (live ? "live" : "on demand") +
           "\",\"durationMs\":" + std::to_string(live ? 0 : a.durationMs) +
           ",\"bitrate\":" + std::to_string(a.bitrate) + ",\"title\":\"" + a.title + "\"}";
}

// An address that did not answer: the last message with each transport's
// reason, and the attempts (transport, reason) one by one.
std::string ErrorLine(const std::string& address, const std::string& message,
                      const std::vector<std::pair<std::string, std::string>>& attempts)
{
    std::string reasons, items;
    for (const auto& [transport, reason] : attempts) {
        reasons += (reasons.empty() ? "" : "; ") + transport + ": " + reason;
        items += std::string(items.empty() ? "" : ",") + "{\"transport\":\"" + transport + "\",\"address\":\"" +
                 address + "\",\"reason\":\"" + reason + "\"}";
    }
    return "{\"event\":\"checked\",\"address\":\"" + address + "\",\"result\":\"Error\",\"error\":\"" + message +
           " (" + reasons + ")\",\"attempts\":[" + items + "]}";
}

std::string Address(const std::string& scheme, const FakeServer& s, const std::string& path)
{
    return scheme + "://127.0.0.1:" + std::to_string(s.port()) + path;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class CliCheckTest : public ::testing::Test {
protected:
    testsupport::ProcessResult Cli(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv = {testsupport::BinaryDir() + "/src/cli/brimcast-cli", "--config",
                                         config.File("Brimcast.conf")};
        argv.insert(argv.end(), args.begin(), args.end());
        return testsupport::RunProcess(argv, std::chrono::seconds(90), "",
                                       {"XDG_CONFIG_HOME=" + config.path(), "LC_ALL=C.UTF-8"});
    }

    testsupport::TempDir config;
};

TEST_F(CliCheckTest, AddressesOfEveryTransportAreProbedAtOnceAndDescribed)
{
    testsupport::TempDir media;
    const std::string harbour = TitledSample(media, "harbour.asf", "Harbour Camera", true);
    // U+009B starts a control sequence on terminals; JSON and stderr escape it.
    const std::string news = TitledSample(media, "news.wma", "news\xC2\x9B" "2J", false);
    const Announced a = AnnouncedBy(harbour, "Harbour Camera"), n = AnnouncedBy(news, "news\\u009b2J");

    const std::vector<std::string> common = {"--lifetime", "90", "--connections", "12"};
    auto start = [&](FakeServer& s, const char* script, const std::string& file,
                     std::vector<std::string> more = {}) {
        more.insert(more.end(), common.begin(), common.end());
        ASSERT_TRUE(asfstream::StartServer(s, script, file, more)) << script;
    };
    FakeServer mms, mmsh, mmshLive, rtsp, http, silent;
    start(mms, "mms_server.py", harbour);
    start(mmsh, "mmsh_server.py", news);
    start(mmshLive, "mmsh_server.py", harbour, {"--mode", "live"});
    start(rtsp, "rtsp_server.py", news);
    ASSERT_TRUE(http.Start("http_server.py", {"--file", harbour, "--lifetime", "90"}));
    start(silent, "mms_server.py", harbour, {"--fault", "silent"});
    // A port nobody listens on: the server that was there has gone.
    std::string refused;
    {
        FakeServer gone;
        start(gone, "mms_server.py", harbour);
        refused = Address("mms", gone, "/gone.asf");
    }

    struct Case {
        std::string address;
        std::string expected;  // the line, or its start for an error whose text varies
    };
    std::vector<Case> cases;
    auto ok = [&](const std::string& address, const char* transport, bool live, const Announced& what) {
        cases.push_back({address, OkLine(address, transport, live, what)});
    };
    // The probe's time limit stops the first transport, which had no answer.
    auto silence = [&](const std::string& address) {
        cases.push_back({address, ErrorLine(address, "no answer in time", {{"MMS over TCP", "no answer in time"}})});
    };
    ok(Address("mms", mms, "/harbour.asf"), "MMS over TCP", false, a);
    silence(Address("mms", silent, "/one.asf"));
    ok(Address("http", mmsh, "/news.asf"), "MMS over HTTP", false, n);
    ok(Address("http", mmshLive, "/live.wmv"), "MMS over HTTP", true, a);
    ok(Address("rtsp", rtsp, "/news.wma"), "RTSP", false, n);
    ok(Address("http", http, "/file"), "HTTP", false, a);
    silence(Address("mms", silent, "/two.asf"));
    cases.push_back({refused, ErrorLine(refused, "Not Found",
                                        {{"MMS over TCP", "connection refused"},
                                         {"MMS over HTTP", "connection refused"},
                                         {"HTTP", "connection refused"}})});
    silence(Address("mms", silent, "/three.asf"));

    std::vector<std::string> args = {"check", "--json", "--probe-time", "4"};
    for (const Case& c : cases)
        args.push_back(c.address);
    const auto begun = Clock::now();
    const auto r = Cli(args);
    const auto took = Clock::now() - begun;
    EXPECT_EQ(r.exitCode, 1) << r.err;
    // In the order given, whatever order the answers came in.
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), cases.size()) << r.out << r.err;
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(lines[i].substr(0, cases[i].expected.size()), cases[i].expected) << "address " << i;
    // Three silent addresses of four seconds each, one after another, would
    // take twelve; at eight at a time they share their four.
    EXPECT_LT(took, std::chrono::seconds(4 + 4));

    // Without --json: the same Ok and Error lines as ever on stdout, and what
    // an address is (or why it failed) on stderr. A list file is no network
    // address to check.
    const auto plain = Cli({"check", "-j", "1", cases[0].address, cases[2].address, refused, "/no/such/list.kvx"});
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_EQ(plain.out, cases[0].address + " Ok\n" + cases[2].address + " Ok\n" + refused + " Error\n" +
                             "/no/such/list.kvx Error\n");
    EXPECT_NE(plain.err.find(", news\\u009B2J\n"), std::string::npos) << plain.err;
}

TEST_F(CliCheckTest, BadOptionValuesAndTextThatIsNoAddressAreUsageErrors)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check", "-j", "0", "mms://h/a"}, {"check", "--parallel", "17", "mms://h/a"},
          {"check", "--probe-time", "0", "mms://h/a"}, {"check", "mms://h/a", "notaurl"}}) {
        const auto r = Cli(args);
        EXPECT_EQ(r.exitCode, 2) << args[1] << " " << args[2];
        EXPECT_TRUE(r.out.empty());
    }
}

}  // namespace
