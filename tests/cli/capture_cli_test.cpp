#include <gtest/gtest.h>

#include "base/app_settings.h"
#include "frame_builder.h"
#include "qtprofile/ini_profile.h"
#include "test_support.h"

using namespace std::chrono_literals;
using capturetest::Strings;

namespace {

std::string Lines(const Strings& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// Port 8080 is watched whatever the HTTP switch says, with the file types of
// the profile.
TEST(CaptureCliTest, PcapListsExactlyTheRequestsUnderTheProfileSettings)
{
    testsupport::TempDir dir;
    const std::string config = dir.File("Brimcast.conf"), pcap = dir.File("mixed.pcap");
    const Strings expected = capturetest::WriteMixedSavefile(pcap);
    // HOME points into the test folder: loading the settings creates the
    // base folder there, never in the real home.
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

}  // namespace
