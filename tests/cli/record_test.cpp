// brimcast-cli record and check end to end: the real program against the
// fake HTTP and MMS servers on loopback.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "qtprofile/ini_profile.h"
#include "record/app_settings.h"
#include "test_support.h"

using testsupport::FakeServer;
using testsupport::FileExists;
using testsupport::FileSize;
using testsupport::ReadFile;
using testsupport::TempDir;
using Clock = std::chrono::steady_clock;

namespace {

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string CliPath() { return testsupport::BinaryDir() + "/src/cli/brimcast-cli"; }

class CliRecordTest : public ::testing::Test {
protected:
    // Every run gets a profile of its own, so nothing the developer keeps
    // in theirs changes the result.
    testsupport::ProcessResult Cli(const std::vector<std::string>& args,
                                   std::chrono::seconds timeout = std::chrono::seconds(60))
    {
        std::vector<std::string> argv = {CliPath(), "--config", config.File("Brimcast.conf")};
        argv.insert(argv.end(), args.begin(), args.end());
        return testsupport::RunProcess(argv, timeout, "", {"XDG_CONFIG_HOME=" + config.path()});
    }
    std::string Http(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(http.port()) + path;
    }
    void StartHttp(std::vector<std::string> args = {})
    {
        args.insert(args.end(), {"--lifetime", "60", "--log", config.File("http.log")});
        ASSERT_TRUE(http.Start("http_server.py", args));
    }

    TempDir config;
    TempDir out;
    FakeServer http;
};

TEST_F(CliRecordTest, RecordsAnAsfFileOverHttp)
{
    const std::string sample = testsupport::MakeSampleAsf();
    StartHttp({"--file", sample});
    auto r = Cli({"record", "-d", out.path(), "-t", "clip", Http("/file?session=1")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string file = out.File("clip.asf");
    EXPECT_EQ(ReadFile(file), ReadFile(sample));
    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(file, &diagnostics)) << diagnostics;
    EXPECT_TRUE(Contains(r.out, Http("/file?session=1") + ": completed -> " + file)) << r.out;

    // Run again: without a terminal an existing file gets a numbered name.
    r = Cli({"record", "-q", "-d", out.path(), "-t", "clip", Http("/file")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(out.File("clip(0).asf")), ReadFile(sample));
    EXPECT_EQ(r.out, "");

    // skip keeps the file and is no failure; overwrite replaces it.
    testsupport::WriteFile(file, "mine");
    r = Cli({"record", "--if-exists", "skip", "-d", out.path(), "-t", "clip", Http("/file")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(file), "mine");
    EXPECT_TRUE(Contains(r.out, "cancelled"));
    r = Cli({"record", "--if-exists", "overwrite", "-d", out.path(), "-t", "clip", Http("/file")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(file), ReadFile(sample));
}

TEST_F(CliRecordTest, OnATerminalTheUserDecides)
{
    if (!FileExists("/usr/bin/script"))
        GTEST_SKIP() << "no script(1) to give the program a terminal";
    StartHttp();
    testsupport::WriteFile(out.File("5000.asf"), "mine");
    testsupport::WriteFile(out.File("6000.asf"), "mine");
    const std::string cmd = CliPath() + " --config " + config.File("Brimcast.conf") + " record -d " +
                            out.path() + " " + Http("/size/5000") + " " + Http("/size/6000");
    // Overwrite the first, rename the second.
    auto r = testsupport::RunProcess({"script", "-qec", cmd, "/dev/null"}, std::chrono::seconds(60),
                                     "o\nr\n", {"XDG_CONFIG_HOME=" + config.path()});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Contains(r.out, "File exist. Overwrite?")) << r.out;
    EXPECT_EQ(FileSize(out.File("5000.asf")), 5000u);
    EXPECT_EQ(ReadFile(out.File("6000.asf")), "mine");
    EXPECT_EQ(FileSize(out.File("6000(0).asf")), 6000u);
}

TEST_F(CliRecordTest, BasicAuthenticationFromOptionsAndFromTheStore)
{
    StartHttp({"--user", "archivist", "--password", "s3cret"});
    auto r = Cli({"record", "-d", out.path(), Http("/auth/size/5000")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "failed")) << r.err;

    r = Cli({"record", "-d", out.path(), "-u", "archivist", "-p", "s3cret", Http("/auth/size/5000")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(FileSize(out.File("5000.asf")), 5000u);
    // Options are not saved.
    EXPECT_FALSE(Contains(ReadFile(config.File("Brimcast.conf")), "archivist"));

    {
        IniProfile profile(config.File("Brimcast.conf"));
        WriteStoredCredentials(profile, "127.0.0.1", "archivist", "s3cret");
    }
    r = Cli({"record", "-d", out.path(), "-t", "stored", Http("/auth/size/7000")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(FileSize(out.File("stored.asf")), 7000u);
    EXPECT_TRUE(Contains(ReadFile(config.File("http.log")), "Authorization: Basic"));
}

TEST_F(CliRecordTest, APageNamingAStreamAddsAndRecordsIt)
{
    testsupport::SampleSpec spec;
    spec.seconds = 8;
    spec.videoBitrateK = 400;  // above the size under which a recording counts as failed
    const std::string sample = testsupport::MakeSampleAsf(spec);
    FakeServer mms;
    ASSERT_TRUE(mms.Start("mms_server.py", {"--file", sample, "--connections", "1", "--lifetime", "60"}));
    const std::string found = "mms://127.0.0.1:" + std::to_string(mms.port()) + "/found.wmv";
    StartHttp({"--mms-url", found});

    auto r = Cli({"record", "-d", out.path(), Http("/page")});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(Contains(r.out, "found " + found)) << r.out;
    EXPECT_TRUE(Contains(r.out, found + ": completed -> " + out.File("found.wmv"))) << r.out;
    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(out.File("found.wmv"), &diagnostics)) << diagnostics;
}

TEST_F(CliRecordTest, AnInterruptedMmsRecordingIsResumed)
{
    testsupport::SampleSpec spec;
    spec.seconds = 8;
    spec.videoBitrateK = 400;
    const std::string sample = testsupport::MakeSampleAsf(spec);
    // The first server breaks off after 40 packets, the second serves all.
    FakeServer broken, whole;
    ASSERT_TRUE(broken.Start("mms_server.py", {"--file", sample, "--connections", "1",
                                               "--stop-after", "40", "--lifetime", "60"}));
    ASSERT_TRUE(whole.Start("mms_server.py", {"--file", sample, "--connections", "1", "--lifetime", "60"}));
    auto address = [](int port) { return "mms://127.0.0.1:" + std::to_string(port) + "/a.wmv"; };

    Cli({"record", "-d", out.path(), address(broken.port())});
    const uint64_t partial = FileSize(out.File("a.wmv"));
    ASSERT_GT(partial, 0u);
    ASSERT_LT(partial, FileSize(sample));

    auto r = Cli({"record", "--if-exists", "resume", "-d", out.path(), address(whole.port())});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_FALSE(FileExists(out.File("a(0).wmv")));
    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(out.File("a.wmv"), &diagnostics)) << diagnostics;
    EXPECT_NEAR(testsupport::ProbeDuration(out.File("a.wmv")), 8.0, 0.5);
}

TEST_F(CliRecordTest, MaxSizeEndsAtTheFirstBlockReachingIt)
{
    StartHttp();
    auto r = Cli({"record", "--max-size", "1", "-d", out.path(), Http("/size/5000000")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const uint64_t size = FileSize(out.File("5000000.asf"));
    EXPECT_GE(size, 1048576u);
    EXPECT_LT(size, 1048576u + 65536u);
}

TEST_F(CliRecordTest, AStalledServerEndsWithAnErrorAfterTheIdleTimeOut)
{
    StartHttp();
    auto start = Clock::now();
    auto r = Cli({"record", "--idle-timeout", "1", "-d", out.path(), Http("/stall/1000")},
                 std::chrono::seconds(30));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(Contains(r.err, Http("/stall/1000") + ": failed: ")) << r.err;
    // What arrived before the silence is kept.
    EXPECT_EQ(FileSize(out.File("1000.asf")), 1000u);
}

TEST_F(CliRecordTest, InterruptStopsTheJobAndKeepsTheFile)
{
    StartHttp();
    testsupport::ChildProcess cli;
    ASSERT_TRUE(cli.Start({CliPath(), "--config", config.File("Brimcast.conf"), "record", "--json",
                           "--if-exists", "rename", "-d", out.path(), Http("/stall/4096")},
                          {"XDG_CONFIG_HOME=" + config.path()}));
    // Wait until all the server sends before it falls silent (one whole
    // block of the download) has been saved.
    std::string line;
    bool received = false;
    while (!received && cli.ReadLine(&line, std::chrono::seconds(20)))
        received = Contains(line, "\"event\":\"progress\"") && Contains(line, "\"bytes\":4096");
    ASSERT_TRUE(received);
    auto start = Clock::now();
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(std::chrono::seconds(10)), 130);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(Contains(cli.RemainingOutput(std::chrono::seconds(1)), "\"result\":\"cancelled\""));
    EXPECT_EQ(FileSize(out.File("4096.asf")), 4096u);
}

TEST_F(CliRecordTest, JsonEventsAreValidJsonOneByLine)
{
    StartHttp();
    // An http:// address that fails is tried with MMS over TCP last, which
    // waits for an answer the HTTP server never gives: the idle time-out
    // keeps that short.
    auto r = Cli({"record", "--json", "--idle-timeout", "2", "-d", out.path(), "-t", "quote\"and\\slash",
                  Http("/size/300000"), Http("/status/404")});
    EXPECT_EQ(r.exitCode, 1);
    testsupport::WriteFile(config.File("events.json"), r.out);
    // Python's own parser is the referee.
    auto check = testsupport::RunProcess(
        {"python3", "-c",
         "import json,sys\n"
         "events=[json.loads(l) for l in open(sys.argv[1]) if l.strip()]\n"
         "names=[e['event'] for e in events]\n"
         "assert 'connecting' in names and 'header' in names and 'progress' in names, names\n"
         "done=[e for e in events if e['event']=='finished']\n"
         "assert [d['result'] for d in done]==['completed','failed'], done\n"
         "assert done[0]['output'].endswith('quote\"and\\\\slash.asf'), done[0]\n"
         "assert done[1]['error'], done[1]\n",
         config.File("events.json")});
    EXPECT_EQ(check.exitCode, 0) << check.err << r.out;
}

TEST_F(CliRecordTest, BadAddressesAndFoldersFailClearly)
{
    StartHttp();
    // One good recording first: a later failure must not touch it.
    auto r = Cli({"record", "-d", out.path(), Http("/size/4000"), "/no/such/file.wmv",
                  "gopher://127.0.0.1:1/x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(FileSize(out.File("4000.asf")), 4000u);
    EXPECT_TRUE(Contains(r.err, "/no/such/file.wmv: failed: not a network address")) << r.err;
    EXPECT_TRUE(Contains(r.err, "gopher://127.0.0.1:1/x: failed: ")) << r.err;

    // A folder that cannot exist: a file stands where it would be.
    testsupport::WriteFile(out.File("plain"), "x");
    r = Cli({"record", "-d", out.File("plain/sub"), Http("/size/4000")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "cannot create the folder")) << r.err;
    EXPECT_TRUE(Contains(r.err, "File Creation Error (" + out.File("plain/sub/4000.asf") + ")")) << r.err;
    EXPECT_EQ(FileSize(out.File("4000.asf")), 4000u);
}

TEST_F(CliRecordTest, UsageErrors)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"record"}, {"record", "--if-exists", "maybe", "http://h/a"},
          {"record", "--proxy", "nohost", "http://h/a"}, {"record", "--max-size", "0", "http://h/a"},
          {"record", "--bogus", "http://h/a"}, {"check"}, {"check", "--idle-timeout", "x", "http://h/a"}}) {
        auto r = Cli(args);
        EXPECT_EQ(r.exitCode, 2) << args.back();
        EXPECT_TRUE(Contains(r.err, "Usage: brimcast-cli")) << r.err;
    }
    auto help = Cli({"record", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Contains(help.out, "--idle-timeout SECONDS"));
}

TEST_F(CliRecordTest, CheckPrintsOkOrErrorPerAddress)
{
    StartHttp();
    auto r = Cli({"check", "--idle-timeout", "2", Http("/size/100"), Http("/status/404"),
                  "/no/such/file.wmv"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, Http("/size/100") + " Ok\n" + Http("/status/404") + " Error\n" +
                         "/no/such/file.wmv Error\n");
    EXPECT_TRUE(Contains(r.err, "not a network address")) << r.err;
    r = Cli({"check", "-q", Http("/size/100")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Http("/size/100") + " Ok\n");
}

}  // namespace
