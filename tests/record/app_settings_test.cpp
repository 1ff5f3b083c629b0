#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <string>
#include <vector>

#include "record/app_settings.h"
#include "record/profile.h"
#include "record/user_prompts.h"
#include "test_support.h"

namespace {

// A profile that remembers the order of every write.
class RecordingProfile : public Profile {
public:
    int GetInt(std::string_view s, std::string_view k, int def) const override
    {
        reads.push_back(std::string(k));
        return inner.GetInt(s, k, def);
    }
    std::string GetString(std::string_view s, std::string_view k, std::string_view def) const override
    {
        reads.push_back(std::string(k));
        return inner.GetString(s, k, def);
    }
    void WriteInt(std::string_view s, std::string_view k, int v) override
    {
        writes.push_back(std::string(k));
        inner.WriteInt(s, k, v);
    }
    void WriteString(std::string_view s, std::string_view k, std::string_view v) override
    {
        writes.push_back(std::string(k));
        inner.WriteString(s, k, v);
    }
    void DeleteSection(std::string_view s) override { inner.DeleteSection(s); }

    MemoryProfile inner;
    mutable std::vector<std::string> reads;
    std::vector<std::string> writes;
};

// Answers credential dialogs from a script.
class ScriptedPrompts : public UserPrompts {
public:
    std::deque<CredentialAnswer> answers;
    int asked = 0;
    bool AskResume(const std::string&) override { return false; }
    FileExists AskFileExists(const std::string&, bool&) override { return FileExists::Cancel; }
    bool AskSavePath(std::string&) override { return false; }
    CredentialAnswer AskCredentials(const std::string&, const std::string&, const std::string&) override
    {
        ++asked;
        if (answers.empty())
            return {};
        CredentialAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool AskYesNo(const std::string&) override { return false; }
    YesNoCancel AskYesNoCancel(const std::string&) override { return YesNoCancel::Cancel; }
};

std::string BaseDirIn(const testsupport::TempDir& dir) { return dir.File("rec"); }

TEST(AppSettings, FreshProfileGivesTheDefaultsAndEightFileTypes)
{
    testsupport::TempDir dir;
    MemoryProfile profile;
    profile.WriteString("settings", "base dir", BaseDirIn(dir));
    AppSettings s;
    s.Load(profile);
    EXPECT_EQ(s.m_fileTypes, (std::vector<std::string>{".wmv", ".asf", ".wma", ".ogg", ".avi",
                                                       ".mpa", ".mpg", ".mpeg"}));
    EXPECT_EQ(s.m_agent, "rec/1.5");
    EXPECT_EQ(s.m_overWrite, 1);
    EXPECT_EQ(s.m_maxTime, 1800);
    EXPECT_EQ(s.m_maxSize, 10);
    EXPECT_EQ(s.m_captionColor, 0xFFFFFF);
    EXPECT_EQ(s.m_captionStyleName, "보통");
    EXPECT_EQ(s.m_captionFaceName, "굴림");
    EXPECT_EQ(s.m_playerAgent, "NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}");
    // Load creates the base folder.
    struct stat st {};
    EXPECT_EQ(stat(BaseDirIn(dir).c_str(), &st), 0);
    EXPECT_NE(DefaultBaseDir().find("/Videos/Brimcast"), std::string::npos);
}

TEST(AppSettings, SaveAndLoadRoundTripEveryPersistedFieldButSequence)
{
    testsupport::TempDir dir;
    MemoryProfile profile;
    AppSettings a;
    a.m_baseDir = BaseDirIn(dir);
    a.m_agent = "x";
    a.m_overWrite = 0;
    a.m_resumable = 0;
    a.m_savePlayList = 1;
    a.m_timePolicy = 1;
    a.m_maxTime = MaxTimeFromPage(90, 0);
    a.m_sequence = 0;
    a.m_screenSave = 0;
    a.m_captionColor = 0x123456;
    a.m_proxyServer = "proxy";
    a.m_proxyPort = 3128;
    a.m_useProxy = 1;
    a.m_fileTypes = {".asf", ".x"};
    a.m_memberUser = "not persisted";
    a.Save(profile);

    AppSettings b;
    b.Load(profile);
    EXPECT_EQ(b.m_baseDir, a.m_baseDir);
    EXPECT_EQ(b.m_agent, "x");
    EXPECT_EQ(b.m_overWrite, 0);
    EXPECT_EQ(b.m_resumable, 0);
    EXPECT_EQ(b.m_savePlayList, 1);
    EXPECT_EQ(b.m_maxTime, 5400);
    EXPECT_EQ(MaxTimeMinutes(b.m_maxTime), 90);
    EXPECT_EQ(MaxTimeSeconds(b.m_maxTime), 0);
    EXPECT_EQ(b.m_sequence, 1) << "shuffle is not restored after a restart";
    EXPECT_EQ(b.m_screenSave, 0);
    EXPECT_EQ(b.m_captionColor, 0x123456);
    EXPECT_EQ(b.m_proxyServer, "proxy");
    EXPECT_EQ(b.m_proxyPort, 3128);
    EXPECT_EQ(b.m_fileTypes, (std::vector<std::string>{".asf", ".x"}));
    EXPECT_EQ(b.m_memberUser, "");
    EXPECT_TRUE(profile.Has("settings", "ScreenSave "));
    EXPECT_TRUE(profile.Has("settings", "Proxy SAerver"));
}

TEST(AppSettings, SaveWritesTheKeysInTheirOrder)
{
    RecordingProfile profile;
    AppSettings s;
    s.m_fileTypes = {".asf"};
    s.Save(profile);
    const std::vector<std::string> expected = {
        "base dir", "agent", "OverWrite", "Resumable", "Allow Multiple Instances", "Save Play List",
        "Save Full Pos", "Tool Tip", "Live Content Save Time Info", "size policy", "Max Size",
        "time policy", "Max Time", "CaptureHTTP", "CaptureMMS", "CaptureRTSP", "CaptureDriver", "",
        "type0", "Repeat", "Sequence", "Keep Size", "Keep", "OnTop", "ScreenSave ", "Enable Caption",
        "Splite Caption Wnd", "Caption Corlor", "Caption Size", "Caption Style Name",
        "Caption Face Name", "Caption Bold", "Caption Margin", "Use Proxy", "Proxy SAerver",
        "Proxy Port", "Bypass Proxy"};
    EXPECT_EQ(profile.writes, expected);
}

TEST(AppSettings, LoadTrimsTheBaseDirAndHonoursTheFileTypeCount)
{
    testsupport::TempDir dir;
    MemoryProfile profile;
    profile.WriteString("settings", "base dir", BaseDirIn(dir) + "\\");
    profile.WriteInt("FileTypeList\\type", "", 3);
    for (int i = 0; i < 8; ++i)
        profile.WriteString("FileTypeList\\type", "type" + std::to_string(i), ".t" + std::to_string(i));
    AppSettings s;
    s.Load(profile);
    EXPECT_EQ(s.m_baseDir, BaseDirIn(dir));
    EXPECT_EQ(s.m_fileTypes, (std::vector<std::string>{".t0", ".t1", ".t2"}));

    // An empty entry ends the list early.
    MemoryProfile gap;
    gap.WriteString("settings", "base dir", BaseDirIn(dir));
    gap.WriteString("FileTypeList\\type", "type1", "");
    AppSettings t;
    t.Load(gap);
    EXPECT_EQ(t.m_fileTypes, (std::vector<std::string>{".wmv"}));
}

TEST(AppSettings, CopyTakesEveryFieldIncludingTheFileTypes)
{
    AppSettings a;
    a.m_fileTypes = {".a", ".b"};
    a.m_reserved = 7;
    AppSettings b;
    b.m_fileTypes = {".old"};
    b = a;
    EXPECT_EQ(b.m_fileTypes, a.m_fileTypes);
    EXPECT_EQ(b.m_reserved, 7);
}

TEST(MakeDirectoryPath, CreatesEveryMissingFolderAndTheFolderOfAFilePath)
{
    testsupport::TempDir dir;
    EXPECT_EQ(MakeDirectoryPath(dir.File("a/b/c")), 1);
    EXPECT_TRUE(testsupport::FileExists(dir.File("a/b/c")));
    EXPECT_EQ(MakeDirectoryPath(dir.File("x/y/file.asf")), 1);
    EXPECT_TRUE(testsupport::FileExists(dir.File("x/y")));
    EXPECT_FALSE(testsupport::FileExists(dir.File("x/y/file.asf")));
    testsupport::WriteFile(dir.File("plain"), "not a folder");
    EXPECT_EQ(MakeDirectoryPath(dir.File("plain/sub")), 0);
}

TEST(Credentials, StoredCredentialsAreTakenWithoutAskingUnlessRetrying)
{
    MemoryProfile profile;
    ScriptedPrompts prompts;
    WriteStoredCredentials(profile, "host", "u", "p");
    std::string user, password;
    EXPECT_TRUE(LookupCredentials(profile, prompts, "host", false, user, password));
    EXPECT_EQ(user, "u");
    EXPECT_EQ(password, "p");
    EXPECT_EQ(prompts.asked, 0);

    prompts.answers.push_back({true, "v", "q", false});
    EXPECT_TRUE(LookupCredentials(profile, prompts, "host", true, user, password));
    EXPECT_EQ(user, "v");
    EXPECT_EQ(prompts.asked, 1);
    // Not saved: the store still has the old pair.
    EXPECT_EQ(ReadStoredCredentials(profile, "host").user, "u");
}

TEST(Credentials, DialogNeedsBothValuesSavesOnRequestAndCanBeCancelled)
{
    MemoryProfile profile;
    ScriptedPrompts prompts;
    prompts.answers.push_back({true, "user", "", true});  // OK with an empty password: stays open
    prompts.answers.push_back({true, "user", "pw", true});
    std::string user, password;
    EXPECT_TRUE(LookupCredentials(profile, prompts, "h", false, user, password));
    EXPECT_EQ(prompts.asked, 2);
    EXPECT_EQ(ReadStoredCredentials(profile, "h").password, "pw");

    std::string u2, p2;
    EXPECT_FALSE(LookupCredentials(profile, prompts, "other", false, u2, p2));  // cancelled
}

TEST(PlayerAgents, ListStopsAtTheFirstGapAndAppendsTheCurrentAgent)
{
    MemoryProfile profile;
    SavePlayerAgents(profile, {"a", "b"});
    int selected = -1;
    EXPECT_EQ(LoadPlayerAgents(profile, "b", &selected), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(LoadPlayerAgents(profile, "c", &selected), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(selected, 2);
    SavePlayerAgents(profile, {"z"});
    EXPECT_EQ(LoadPlayerAgents(profile, "z", &selected), (std::vector<std::string>{"z"}));
}

TEST(RecentFiles, DeleteRemovesBothHistories)
{
    MemoryProfile profile;
    profile.WriteString("RecentUrl\\Url", "item0", "mms://a");
    profile.WriteString("FileMRUList\\url", "File0", "/x.asf");
    profile.WriteString("settings", "agent", "kept");
    DeleteRecentFiles(profile);
    EXPECT_FALSE(profile.Has("RecentUrl\\Url", "item0"));
    EXPECT_FALSE(profile.Has("FileMRUList\\url", "File0"));
    EXPECT_TRUE(profile.Has("settings", "agent"));
}

}  // namespace
