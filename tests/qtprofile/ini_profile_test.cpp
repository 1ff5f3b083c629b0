#include "qtprofile/ini_profile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <future>

#include "base/app_settings.h"
#include "test_support.h"

TEST(IniProfile, SettingsSurviveARestartInAPrivateFile)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("Brimcast.conf");
    AppSettings saved;
    saved.m_baseDir = dir.File("rec");
    saved.m_overWrite = 0;
    saved.m_screenSave = 0;
    saved.m_proxyServer = "proxy host";
    saved.m_fileTypes = {".asf", ".mp3"};
    // A file left readable by others (an older version, a copy) is made
    // private when it is written: it holds passwords.
    testsupport::WriteFile(path, "[settings]\nx=1\n");
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
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
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    IniProfile again(path);
    AppSettings s;
    s.Load(again);
    EXPECT_EQ(s.m_baseDir, saved.m_baseDir);
    EXPECT_EQ(s.m_proxyServer, "proxy host");
    EXPECT_EQ(s.m_overWrite + s.m_screenSave, 0) << "ScreenSave is the key with a trailing blank";
    EXPECT_EQ(s.m_fileTypes, saved.m_fileTypes);
    EXPECT_EQ(ReadStoredCredentials(again, "media.example").password, "secret");
    EXPECT_EQ(again.GetString("RecentUrl\\Url", "item0", "gone"), "gone");
    EXPECT_EQ(again.GetString("RecentUrl", "other", ""), "kept");
}

// The owner-only mode is set on the settings file itself: a link at its
// name never hands the chmod to the file it points to.
TEST(IniProfile, ALinkAtTheSettingsNameIsNeverFollowedByTheChmod)
{
    testsupport::TempDir dir;
    const std::string other = dir.File("shared.txt");
    testsupport::WriteFile(other, "[Path]\nx=1\n");
    ASSERT_EQ(chmod(other.c_str(), 0644), 0);
    ASSERT_EQ(symlink(other.c_str(), dir.File("Brimcast.conf").c_str()), 0);
    {
        IniProfile profile(dir.File("Brimcast.conf"));
        EXPECT_EQ(profile.GetInt("Path", "x", 0), 1);
        profile.Flush();
    }
    struct stat st {};
    ASSERT_EQ(stat(other.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

// A named pipe at the name is neither waited on nor written: the defaults
// hold and the caller is told the file could not be read.
TEST(IniProfile, APipeAtTheSettingsNameIsNotWaitedOn)
{
    testsupport::TempDir dir;
    const std::string pipe = dir.File("Brimcast.conf");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    auto opened = std::async(std::launch::async, [&] {
        IniProfile profile(pipe);
        profile.WriteInt("Path", "x", 2);
        return std::tuple(profile.readable(), profile.GetInt("Path", "x", 7), profile.Flush());
    });
    if (opened.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        ADD_FAILURE() << "blocked on the pipe";
        while (opened.wait_for(std::chrono::milliseconds(10)) == std::future_status::timeout)
            if (int fd = open(pipe.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
                close(fd);
    }
    EXPECT_EQ(opened.get(), std::tuple(false, 7, false));
    struct stat st {};
    ASSERT_EQ(lstat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}
