#include <filesystem>
#include <numeric>

#include <gtest/gtest.h>

#include "base/app_settings.h"
#include "frame_builder.h"
#include "helper_fixture.h"
#include "qtprofile/ini_profile.h"
#include "test_support.h"

using namespace std::chrono_literals;
using capturetest::Strings;

namespace {

std::string Lines(const Strings& lines)
{
    return std::accumulate(lines.begin(), lines.end(), std::string(), [](auto t, auto& l) { return t + l + "\n"; });
}

// Port 8080 is watched whatever the HTTP switch says, with the file types of
// the profile.
TEST(CaptureCliTest, PcapListsExactlyTheRequestsUnderTheProfileSettings)
{
    testsupport::TempDir dir;
    const std::string config = dir.File("Brimcast.conf"), pcap = dir.File("mixed.pcap");
    const Strings expected = capturetest::WriteMixedSavefile(pcap);
    auto run = [&](const std::string& option) {
        return testsupport::RunProcess(
            {testsupport::BinaryDir() + "/src/cli/brimcast-cli", "--config", config, "capture", option, pcap}, 60s,
            {}, {"HOME=" + dir.path()});
    };
    auto r = run("--pcap");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Lines(expected));
    {
        IniProfile profile(config);
        AppSettings settings;
        settings.m_baseDir = dir.File("videos");
        settings.m_captureHttp = settings.m_captureMms = settings.m_captureRtsp = 0;
        settings.m_fileTypes = {".wmv"};
        settings.Save(profile);
        ASSERT_TRUE(profile.Flush());
    }
    r = run("-r");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Lines({"added\thttp://10.0.0.5:8080/Cam/B.WMV?x=1"}));
}

// A live adapter is read through the capture helper found beside the
// program (a copy of the CLI with a stand-in helper); a refusal names it.
TEST(CaptureCliTest, LiveCaptureGoesThroughTheHelperBesideTheProgram)
{
    testsupport::TempDir dir;
    const Strings expected = capturetest::WriteMixedSavefile(dir.File("mixed.pcap"));
    capturetest::InstallFakeHelper(dir.path(), dir.File("mixed.pcap"));
    std::filesystem::create_directories(dir.File("bin"));
    std::filesystem::copy_file(testsupport::BinaryDir() + "/src/cli/brimcast-cli", dir.File("bin/brimcast-cli"));
    auto run = [&](const std::vector<std::string>& args) {
        std::vector<std::string> argv{dir.File("bin/brimcast-cli"), "--config", dir.File("Brimcast.conf"), "capture"};
        argv.insert(argv.end(), args.begin(), args.end());
        return testsupport::RunProcess(argv, 60s, {}, {"HOME=" + dir.path()});
    };
    auto r = run({"--interface", "replay"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Lines(expected));
    r = run({"-i", "denied"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("capture helper " + dir.File("libexec/brimcast/brimcast-capture")), std::string::npos) << r.err;
}

}  // namespace
