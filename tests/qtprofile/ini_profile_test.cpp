#include <gtest/gtest.h>
#include <sys/stat.h>

#include "qtprofile/ini_profile.h"
#include "record/app_settings.h"
#include "test_support.h"

namespace {

TEST(IniProfile, SettingsSurviveARestartAndTheFileIsPrivate)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("conf/Brimcast.conf");
    {
        IniProfile profile(path);
        AppSettings s;
        s.m_baseDir = dir.File("rec");
        s.m_screenSave = 0;
        s.m_proxyServer = "proxy host";
        s.m_fileTypes = {".asf", ".wmv", ".mp3"};
        s.Save(profile);
        WriteStoredCredentials(profile, "media.example", "user", "secret");
        ASSERT_TRUE(profile.Flush());
    }
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    IniProfile again(path);
    EXPECT_TRUE(again.readable());
    AppSettings s;
    s.Load(again);
    EXPECT_EQ(s.m_baseDir, dir.File("rec"));
    EXPECT_EQ(s.m_screenSave, 0) << "the key with a trailing blank round-trips";
    EXPECT_EQ(s.m_proxyServer, "proxy host");
    EXPECT_EQ(s.m_fileTypes, (std::vector<std::string>{".asf", ".wmv", ".mp3"}));
    EXPECT_EQ(ReadStoredCredentials(again, "media.example").password, "secret");
    EXPECT_EQ(again.GetInt("FileTypeList\\type", "", -1), 3);
    EXPECT_EQ(again.GetString("FileTypeList\\type", "type2", ""), ".mp3");
}

TEST(IniProfile, DeleteSectionLeavesOtherSectionsAlone)
{
    testsupport::TempDir dir;
    IniProfile profile(dir.File("p.conf"));
    profile.WriteString("RecentUrl\\Url", "item0", "mms://a");
    profile.WriteString("RecentUrl", "other", "kept");
    profile.WriteString("settings", "agent", "kept");
    profile.DeleteSection("RecentUrl\\Url");
    EXPECT_EQ(profile.GetString("RecentUrl\\Url", "item0", "gone"), "gone");
    EXPECT_EQ(profile.GetString("RecentUrl", "other", ""), "kept");
    EXPECT_EQ(profile.GetString("settings", "agent", ""), "kept");
}

TEST(IniProfile, UnreadableFileGivesDefaults)
{
    testsupport::TempDir dir;
    // A folder where the file should be cannot be read as settings.
    ASSERT_EQ(mkdir(dir.File("p.conf").c_str(), 0700), 0);
    IniProfile profile(dir.File("p.conf"));
    EXPECT_FALSE(profile.readable());
    AppSettings s;
    s.Load(profile);
    EXPECT_EQ(s.m_maxSize, 10);
}

}  // namespace
