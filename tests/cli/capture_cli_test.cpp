#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <sstream>
#include <thread>

#include "frame_builder.h"
#include "qtprofile/ini_profile.h"
#include "record/app_settings.h"
#include "test_support.h"

using namespace std::chrono_literals;
using testsupport::RunProcess;

namespace {

std::string Cli() { return testsupport::BinaryDir() + "/src/cli/brimcast-cli"; }

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class CaptureCliTest : public ::testing::Test {
protected:
    std::string Config() const { return dir.File("Brimcast.conf"); }
    // HOME points into the test folder: loading the settings creates the
    // base folder there, never in the real home.
    std::vector<std::string> Env() const { return {"HOME=" + dir.path(), "XDG_CONFIG_HOME=" + dir.path()}; }
    testsupport::ProcessResult Run(std::vector<std::string> args)
    {
        std::vector<std::string> argv = {Cli(), "--config", Config(), "capture"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv, 60s, {}, Env());
    }

    testsupport::TempDir dir;
};

TEST_F(CaptureCliTest, PcapListsExactlyTheRequests)
{
    const std::string pcap = dir.File("mixed.pcap");
    const capturetest::MixedCapture mixed = capturetest::WriteMixedSavefile(pcap);
    const auto r = Run({"--pcap", pcap});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Lines(r.out), mixed.expectedLines);
    EXPECT_NE(r.err.find(std::to_string(mixed.frames) + " frames"), std::string::npos) << r.err;
}

TEST_F(CaptureCliTest, SwitchesAndFileTypesComeFromTheProfile)
{
    {
        IniProfile profile(Config());
        AppSettings settings;
        settings.m_baseDir = dir.File("videos");
        settings.m_captureHttp = 0;
        settings.m_captureMms = 0;
        settings.m_fileTypes = {".wmv"};
        settings.Save(profile);
        ASSERT_TRUE(profile.Flush());
    }
    const std::string pcap = dir.File("mixed.pcap");
    capturetest::WriteMixedSavefile(pcap);
    const auto r = Run({"-r", pcap});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Port 8080 is watched whatever the HTTP switch says; the rest is off or
    // not a listed type.
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"added\thttp://10.0.0.5:8080/Cam/B.WMV?x=1",
                                                      "added\trtsp://10.0.0.5/live"}));
}

TEST_F(CaptureCliTest, UsageAndInputErrors)
{
    EXPECT_EQ(Run({}).exitCode, 2);
    EXPECT_EQ(Run({"--pcap", "a", "--interface", "lo"}).exitCode, 2);
    EXPECT_EQ(Run({"--pcap", "a", "--seconds", "soon"}).exitCode, 2);
    EXPECT_EQ(Run({"--pcap"}).exitCode, 2);
    EXPECT_EQ(Run({"--bogus"}).exitCode, 2);
    const auto help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--pcap"), std::string::npos);

    const auto missing = Run({"--pcap", dir.File("none.pcap")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("none.pcap"), std::string::npos) << missing.err;

    const auto noSuch = Run({"--interface", "brimcast-none0"});
    EXPECT_EQ(noSuch.exitCode, 1);
    EXPECT_NE(noSuch.err.find("no network adapter named \"brimcast-none0\""), std::string::npos)
        << noSuch.err;
    EXPECT_TRUE(noSuch.out.empty());

    const auto list = Run({"--list-interfaces"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    bool loopback = false;
    for (const std::string& line : Lines(list.out))
        loopback = loopback || line.rfind("lo\t", 0) == 0;
    EXPECT_TRUE(loopback) << list.out;
}

TEST_F(CaptureCliTest, LiveCaptureWithoutPermissionFailsClearly)
{
    std::vector<std::string> argv = {Cli(), "--config", Config(), "capture", "--interface", "lo",
                                     "--seconds", "2"};
    if (geteuid() == 0) {
        // Root without the capture capabilities is as powerless as any user.
        if (access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "setpriv is not installed: cannot drop the capture capabilities";
        argv.insert(argv.begin(), {"/usr/bin/setpriv", "--bounding-set=-net_raw,-net_admin",
                                   "--inh-caps=-net_raw,-net_admin"});
    }
    const auto r = RunProcess(argv, 30s, {}, Env());
    if (r.exitCode == 0)
        GTEST_SKIP() << "this user may capture: nothing to refuse";
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("not permitted"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("CAP_NET_RAW"), std::string::npos) << r.err;
}

bool ContainsWithin(const std::string& path, const std::string& text, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (testsupport::FileExists(path) &&
            testsupport::ReadFile(path).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

TEST_F(CaptureCliTest, LiveCapturePrintsAsItGoesAndEndsCleanlyOnSigint)
{
    // A listener on port 8080 of a loopback address of our own.
    const std::string host = "127." + std::to_string(200 + getpid() % 50) + "." +
                             std::to_string(getpid() % 250) + ".7";
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(8080);
    inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 2) != 0) {
        close(listener);
        GTEST_SKIP() << "cannot listen on " << host << ":8080";
    }

    // stderr goes to a file (exec keeps the pid the CLI's own).
    const std::string err = dir.File("err.txt");
    testsupport::ChildProcess cli;
    ASSERT_TRUE(cli.Start({"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>\"$ERRFILE\"", Cli(), "--config",
                           Config(), "capture", "--interface", "lo"},
                          {"HOME=" + dir.path(), "ERRFILE=" + err}));
    if (!ContainsWithin(err, "Capturing on lo", 10s)) {
        cli.Wait(10s);
        close(listener);
        const std::string text = testsupport::ReadFile(err);
        if (text.find("not permitted") != std::string::npos)
            GTEST_SKIP() << "live capture is not permitted here: " << text;
        FAIL() << text;
    }

    const int client = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const std::string request = capturetest::HttpGet("/cli/live.asf");
    ASSERT_EQ(send(client, request.data(), request.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(request.size()));
    std::string line;
    bool seen = false;
    while (!seen && cli.ReadLine(&line, 10s))
        seen = line == "added\thttp://" + host + ":8080/cli/live.asf";
    close(client);
    close(listener);
    EXPECT_TRUE(seen) << line;

    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(10s), 130);
    // The exit code alone would look the same had the signal killed it.
    EXPECT_TRUE(ContainsWithin(err, "Interrupted:", 1s)) << testsupport::ReadFile(err);
}

}  // namespace
