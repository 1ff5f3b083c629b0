#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <sstream>

#include "frame_builder.h"
#include "qtprofile/ini_profile.h"
#include "record/app_settings.h"
#include "test_support.h"

using namespace std::chrono_literals;
using capturetest::Strings;

namespace {

std::string Cli() { return testsupport::BinaryDir() + "/src/cli/brimcast-cli"; }

Strings Lines(const std::string& text)
{
    Strings lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class CaptureCliTest : public ::testing::Test {
protected:
    // HOME points into the test folder: loading the settings creates the
    // base folder there, never in the real home.
    testsupport::ProcessResult Run(const Strings& args)
    {
        Strings argv = {Cli(), "--config", config, "capture"};
        argv.insert(argv.end(), args.begin(), args.end());
        return testsupport::RunProcess(argv, 60s, {}, {"HOME=" + dir.path()});
    }
    testsupport::TempDir dir;
    const std::string config = dir.File("Brimcast.conf");
};

TEST_F(CaptureCliTest, PcapListsExactlyTheRequestsUnderTheProfileSettings)
{
    const std::string pcap = dir.File("mixed.pcap");
    const Strings expected = capturetest::WriteMixedSavefile(pcap);
    auto r = Run({"--pcap", pcap});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Lines(r.out), expected);

    {
        IniProfile profile(config);
        AppSettings settings;
        settings.m_baseDir = dir.File("videos");
        settings.m_captureHttp = settings.m_captureMms = settings.m_captureRtsp = 0;
        settings.m_fileTypes = {".wmv"};
        settings.Save(profile);
        ASSERT_TRUE(profile.Flush());
    }
    r = Run({"-r", pcap});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Port 8080 is watched whatever the HTTP switch says.
    EXPECT_EQ(Lines(r.out), Strings{"added\thttp://10.0.0.5:8080/Cam/B.WMV?x=1"});
}

TEST_F(CaptureCliTest, FailuresNameTheirCause)
{
    for (const Strings& args : {Strings{}, Strings{"--pcap", "a", "--interface", "lo"}, Strings{"--pcap"},
                                Strings{"--pcap", "a", "--seconds", "soon"}, Strings{"--bogus"}})
        EXPECT_EQ(Run(args).exitCode, 2) << (args.empty() ? "" : args.back());
    { capturetest::SavefileWriter writer(dir.File("wifi.pcap"), 105); }
    const std::pair<Strings, std::string> failures[] = {
        {{"--pcap", dir.File("none.pcap")}, "none.pcap"},
        {{"--pcap", dir.File("wifi.pcap")}, "(802.11, link type 105) frames, which cannot be read"},
        {{"--interface", "brimcast-none0"}, "no network adapter named \"brimcast-none0\""}};
    for (const auto& [args, text] : failures) {
        const auto r = Run(args);
        EXPECT_EQ(r.exitCode, 1) << text;
        EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
    }
    const auto list = Run({"--list-interfaces"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(("\n" + list.out).find("\nlo\t"), std::string::npos) << list.out;
}

TEST_F(CaptureCliTest, LiveCapturePrintsAsItGoesAndEndsCleanlyOnSigint)
{
    // A listener on port 8080 of a loopback address of our own.
    const std::string host = "127." + std::to_string(200 + getpid() % 50) + "." + std::to_string(getpid() % 250);
    capturetest::Sockets sockets;
    if (sockets.Open(host + ".7", 8080, true) < 0)
        GTEST_SKIP() << "cannot listen on " << host << ".7:8080";
    testsupport::ChildProcess cli;  // stderr joins stdout; exec keeps the pid the CLI's own
    ASSERT_TRUE(cli.Start({"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1", Cli(), "--config", config, "capture",
                           "--interface", "lo"},
                          {"HOME=" + dir.path()}));
    std::string line, output;
    while (line.rfind("Capturing on lo", 0) != 0 && cli.ReadLine(&line, 10s))
        output += line + "\n";
    if (line.rfind("Capturing on lo", 0) != 0) {
        if (output.find("not permitted") != std::string::npos)
            GTEST_SKIP() << "live capture is not permitted here: " << output;
        FAIL() << output;
    }
    ASSERT_TRUE(capturetest::Sockets::Send(sockets.Open(host + ".7", 8080, false),
                                           capturetest::HttpGet("/cli/a.asf")));
    while (line != "added\thttp://" + host + ".7:8080/cli/a.asf" && cli.ReadLine(&line, 10s)) {
    }
    EXPECT_EQ(line, "added\thttp://" + host + ".7:8080/cli/a.asf");
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(10s), 130);
    // The exit code alone would look the same had the signal killed it.
    const std::string rest = cli.RemainingOutput(5s);
    EXPECT_NE(rest.find("Interrupted:"), std::string::npos) << rest;
}

}  // namespace
