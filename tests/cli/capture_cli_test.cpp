#include <gtest/gtest.h>

#include "frame_builder.h"
#include "qtprofile/ini_profile.h"
#include "record/app_settings.h"
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

class CaptureCliTest : public ::testing::Test {
protected:
    // HOME points into the test folder: loading the settings creates the
    // base folder there, never in the real home.
    testsupport::ProcessResult Run(const Strings& args)
    {
        Strings argv = {testsupport::BinaryDir() + "/src/cli/brimcast-cli", "--config", config, "capture"};
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
    r = Run({"-r", pcap});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Port 8080 is watched whatever the HTTP switch says, with the file types of the profile.
    EXPECT_EQ(r.out, Lines({"added\thttp://10.0.0.5:8080/Cam/B.WMV?x=1"}));
}

}  // namespace
