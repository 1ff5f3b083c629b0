#include "qtprofile/ini_profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/app_settings.h"
#include "test_support.h"

TEST(IniProfile, SettingsSurviveARestartInAPrivateFile)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("conf/Brimcast.conf");
    AppSettings saved;
    saved.m_baseDir = dir.File("rec");
    saved.m_agent = "x";
    saved.m_overWrite = 0;
    saved.m_screenSave = 0;
    saved.m_proxyServer = "proxy host";
    saved.m_proxyPort = 3128;
    saved.m_fileTypes = {".asf", ".mp3"};
    {
        IniProfile profile(path);
        saved.Save(profile);
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
    EXPECT_EQ(s.m_baseDir, saved.m_baseDir);
    EXPECT_EQ(s.m_agent + s.m_proxyServer, "xproxy host");
    EXPECT_EQ(s.m_overWrite + s.m_screenSave, 0) << "ScreenSave is the key with a trailing blank";
    EXPECT_EQ(s.m_proxyPort, 3128);
    EXPECT_EQ(s.m_fileTypes, saved.m_fileTypes);
    EXPECT_EQ(ReadStoredCredentials(again, "media.example").password, "secret");
    EXPECT_EQ(again.GetString("RecentUrl\\Url", "item0", "gone"), "gone");
    EXPECT_EQ(again.GetString("RecentUrl", "other", ""), "kept");
}
