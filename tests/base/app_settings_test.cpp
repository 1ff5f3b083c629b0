#include "base/app_settings.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "base/memory_profile.h"
#include "base/user_prompts.h"
#include "scripted_prompts.h"
#include "test_support.h"

using Strings = std::vector<std::string>;

namespace {

// A profile that remembers the key of every write, in order.
class OrderProfile final : public Profile {
public:
    int GetInt(std::string_view s, std::string_view k, int d) const override { return inner.GetInt(s, k, d); }
    std::string GetString(std::string_view s, std::string_view k, std::string_view d) const override
    {
        return inner.GetString(s, k, d);
    }
    void WriteInt(std::string_view s, std::string_view k, int v) override
    {
        writes.emplace_back(k);
        inner.WriteInt(s, k, v);
    }
    void WriteString(std::string_view s, std::string_view k, std::string_view v) override
    {
        writes.emplace_back(k);
        inner.WriteString(s, k, v);
    }
    void DeleteSection(std::string_view s) override { inner.DeleteSection(s); }

    MemoryProfile inner;
    Strings writes;
};

}  // namespace

TEST(AppSettings, DefaultsOfAFreshProfile)
{
    testsupport::TempDir dir;
    MemoryProfile profile;
    profile.WriteString("settings", "base dir", dir.File("rec") + "\\");
    AppSettings s;
    s.Load(profile);
    EXPECT_EQ(s.m_baseDir, dir.File("rec"));
    EXPECT_TRUE(testsupport::FileExists(dir.File("rec"))) << "Load makes the base folder";
    EXPECT_EQ(s.m_fileTypes, (Strings{".wmv", ".asf", ".wma", ".ogg", ".avi", ".mpa", ".mpg", ".mpeg"}));
    EXPECT_EQ(s.m_agent, "rec/1.5");
    EXPECT_EQ(s.m_overWrite, 1);
    EXPECT_EQ(s.m_maxTime, 1800);
    EXPECT_EQ(s.m_maxSize, 10);
    EXPECT_EQ(s.m_keep, 1) << "Keep Ratio";
    EXPECT_EQ(s.m_playerAgent, "NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}");
}

// Which fields survive a restart through a real file is the INI profile's test.
TEST(AppSettings, SaveWritesEveryKeyInItsOrderAndLoadReadsThemBack)
{
    testsupport::TempDir dir;
    OrderProfile profile;
    AppSettings a;
    a.m_baseDir = dir.File("rec");
    a.m_maxTime = MaxTimeFromPage(90, 0);
    a.m_sequence = 0;
    a.m_keep = 0;
    a.m_reconnect = 45;
    a.m_fileTypes = {".asf", ".x"};
    a.m_memberUser = "not persisted";
    a.Save(profile);
    EXPECT_EQ(profile.writes,
              (Strings{"base dir", "agent", "OverWrite", "Resumable", "Allow Multiple Instances",
                       "Save Play List", "Save Full Pos", "Tool Tip", "Live Content Save Time Info",
                       "size policy", "Max Size", "time policy", "Max Time", "Reconnect", "CaptureHTTP", "CaptureMMS",
                       "CaptureRTSP", "CaptureDriver", "Capture Adapter", "", "type0", "type1", "Repeat",
                       "Sequence", "Keep Size", "Keep", "OnTop", "ScreenSave ", "Enable Caption", "Splite Caption Wnd", "Caption Corlor",
                       "Caption Size", "Caption Style Name", "Caption Face Name", "Caption Bold",
                       "Caption Margin", "Use Proxy", "Proxy SAerver", "Proxy Port", "Bypass Proxy",
                       "URL Check Parallel", "URL Check Seconds",
                       "Parallel Recordings"}));
    AppSettings b;
    b.Load(profile);
    EXPECT_EQ(b.m_maxTime, 5400);
    EXPECT_EQ(b.m_reconnect, 45);
    EXPECT_EQ(b.m_keep, 0) << "a stored Keep Ratio off stays off";
    EXPECT_EQ(b.m_sequence, 1) << "shuffle is not restored after a restart";
    EXPECT_EQ(b.m_fileTypes, (Strings{".asf", ".x"}));
    EXPECT_EQ(b.m_memberUser, "");

    // The stored count decides how many file types are read.
    profile.WriteInt("FileTypeList\\type", "", 1);
    AppSettings c;
    c.Load(profile);
    EXPECT_EQ(c.m_fileTypes, Strings{".asf"});

    // The URL check's values are brought into range.
    profile.WriteInt("settings", "URL Check Parallel", 0);
    profile.WriteInt("settings", "URL Check Seconds", 100000);
    AppSettings d;
    d.Load(profile);
    EXPECT_EQ(d.m_checkParallel, 1);
    EXPECT_EQ(d.m_checkSeconds, AppSettings::kMaxCheckSeconds);
}

// The base folder is a folder whatever its name: "Recordings.2024" is made,
// not taken for a file name whose folder is wanted.
TEST(AppSettings, MakeDirectoryPathMakesEveryFolderOfThePath)
{
    testsupport::TempDir dir;
    EXPECT_EQ(MakeDirectoryPath(dir.File("Videos/Recordings.2024")), 1);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("Videos/Recordings.2024")));
    EXPECT_EQ(MakeDirectoryPath(dir.File("a.b/c.d/")), 1);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("a.b/c.d")));
    EXPECT_EQ(MakeDirectoryPath(dir.File("a.b")), 1);  // already there
    MemoryProfile profile;
    profile.WriteString("settings", "base dir", dir.File("rec/Show.2024") + "\\");
    AppSettings s;
    s.Load(profile);
    EXPECT_EQ(s.m_baseDir, dir.File("rec/Show.2024"));
    EXPECT_TRUE(std::filesystem::is_directory(s.m_baseDir));
    // A file in the way, or an empty path, fails.
    testsupport::WriteFile(dir.File("file"), "x");
    EXPECT_EQ(MakeDirectoryPath(dir.File("file/sub")), 0);
    EXPECT_EQ(MakeDirectoryPath(dir.File("file")), 0);
    EXPECT_EQ(MakeDirectoryPath(""), 0);
}

namespace {

TEST(Credentials, TheOneLookupTakesTheStoredPairThenAsksAndStoresWhatItIsToldTo)
{
    using L = CredentialLookup;
    const CancelSignal& never = CancelSignal::Never();
    const CredentialSite h{"h", 8080, 80};
    MemoryProfile profile;
    WriteStoredCredentials(profile, h, "stored", "pw");
    EXPECT_EQ(ReadStoredCredentials(profile, "h:8080").user, "stored");
    ScriptedPrompts dialog;
    // An answer without both values keeps the dialog up; "save" stores the pair.
    dialog.credentials = {{true, "typed", "", false}, {true, "typed", "secret", true}};
    std::string user = "given", password;
    EXPECT_EQ(LookupCredentials(&profile, &dialog, h, false, user, password, never), L::Found);
    EXPECT_EQ(user + ":" + password, "stored:pw");
    EXPECT_TRUE(dialog.asked.empty());
    EXPECT_EQ(LookupCredentials(&profile, &dialog, h, true, user, password, never), L::Found);
    EXPECT_EQ(user + ":" + password, "typed:secret");
    EXPECT_EQ(dialog.asked, (Strings{"h:8080 stored:pw", "h:8080 stored:pw"}));
    EXPECT_EQ(ReadStoredCredentials(profile, h).password, "secret");
    // Nothing stored for the site, or no profile: the dialog asks (and is
    // cancelled here); without a dialog there is nothing to try.
    EXPECT_EQ(LookupCredentials(&profile, &dialog, {"other", 8080, 80}, false, user, password, never), L::Cancelled);
    EXPECT_EQ(LookupCredentials(nullptr, &dialog, h, false, user, password, never), L::Cancelled);
    EXPECT_EQ(dialog.asked.size(), 4u);
    EXPECT_EQ(LookupCredentials(&profile, nullptr, h, true, user, password, never), L::NothingToTry);
    EXPECT_EQ(LookupCredentials(nullptr, nullptr, h, false, user, password, never), L::NothingToTry);
}

TEST(Credentials, StoredPairsBelongToTheHostAsWrittenAndThePort)
{
    MemoryProfile profile;
    // A section from before ports were part of the key: the default port only.
    WriteStoredCredentials(profile, "media.example", "old", "pw");
    WriteStoredCredentials(profile, CredentialSite{"media.example", 8080, 80}, "other", "pw");
    WriteStoredCredentials(profile, CredentialSite{"::1", 8554, 554, true}, "six", "pw");
    EXPECT_EQ(ReadStoredCredentials(profile, CredentialSite{"media.example", 80, 80}).user, "old");
    EXPECT_EQ(ReadStoredCredentials(profile, CredentialSite{"media.example", 8080, 80}).user, "other");
    EXPECT_EQ(ReadStoredCredentials(profile, CredentialSite{"media.example", 8081, 80}).user, "");
    EXPECT_EQ(ReadStoredCredentials(profile, CredentialSite{"media.example", 443, 443}).user, "old");
    EXPECT_EQ(ReadStoredCredentials(profile, CredentialSite{"other.example", 80, 80}).user, "");
    EXPECT_EQ(ReadStoredCredentials(profile, "[::1]:8554").user, "six");
    // A pair stored with the port wins over the old one.
    WriteStoredCredentials(profile, CredentialSite{"media.example", 80, 80}, "new", "pw");
    EXPECT_EQ(ReadStoredCredentials(profile, CredentialSite{"media.example", 80, 80}).user, "new");
}

}  // namespace

// "Parallel recordings" is ours: 1 on a fresh profile, at most 4 however the
// file was edited.
TEST(AppSettings, ParallelRecordingsStayInTheirRange)
{
    MemoryProfile profile;
    AppSettings fresh;
    fresh.Load(profile);
    EXPECT_EQ(fresh.m_parallelRecordings, 1);
    for (const auto& [stored, loaded] : {std::pair{3, 3}, std::pair{4, 4}, std::pair{9, 4},
                                         std::pair{0, 1}, std::pair{-2, 1}}) {
        profile.WriteInt("settings", "Parallel Recordings", stored);
        AppSettings s;
        s.Load(profile);
        EXPECT_EQ(s.m_parallelRecordings, loaded) << stored;
    }
    AppSettings two;
    two.m_parallelRecordings = 2;
    two.Save(profile);
    EXPECT_EQ(profile.GetInt("settings", "Parallel Recordings", 0), 2);
}
