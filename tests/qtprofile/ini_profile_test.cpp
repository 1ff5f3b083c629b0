#include "qtprofile/ini_profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "record/app_settings.h"
#include "test_support.h"

TEST(IniProfile, SettingsSurviveARestartInAPrivateFile)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("conf/Brimcast.conf");
    {
        IniProfile profile(path);
        AppSettings s;
        s.m_baseDir = dir.File("rec");
        s.m_screenSave = 0;
        s.m_proxyServer = "proxy host";
        s.m_fileTypes = {".asf", ".mp3"};
        s.Save(profile);
        WriteStoredCredentials(profile, "media.example", "user", "secret");
        profile.WriteString("RecentUrl\\Url", "item0", "mms://a");
        profile.WriteString("RecentUrl", "other", "kept");
        profile.DeleteSection("RecentUrl\\Url");
        ASSERT_TRUE(profile.Flush());
    }
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the file holds passwords";

    IniProfile again(path);
    AppSettings s;
    s.Load(again);
    EXPECT_EQ(s.m_baseDir, dir.File("rec"));
    EXPECT_EQ(s.m_screenSave, 0) << "the key with a trailing blank";
    EXPECT_EQ(s.m_proxyServer, "proxy host");
    EXPECT_EQ(s.m_fileTypes, (std::vector<std::string>{".asf", ".mp3"}));
    EXPECT_EQ(ReadStoredCredentials(again, "media.example").password, "secret");
    EXPECT_EQ(again.GetString("RecentUrl\\Url", "item0", "gone"), "gone");
    EXPECT_EQ(again.GetString("RecentUrl", "other", ""), "kept");

    // A folder where the file should be is no settings file (the CLI warns).
    EXPECT_FALSE(IniProfile(dir.File("conf")).readable());
}
