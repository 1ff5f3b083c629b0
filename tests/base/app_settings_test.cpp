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

TEST(AppSettings, SaveAndLoadRoundTripAndBringValuesIntoRange)
{
    testsupport::TempDir dir;
    MemoryProfile profile;
    AppSettings a;
    a.m_baseDir = dir.File("rec");
    a.m_maxTime = MaxTimeFromPage(90, 0);
    a.m_sequence = 0;
    a.m_keep = 0;
    a.m_reconnect = 45;
    a.m_fileTypes = {".asf", ".x"};
    a.m_memberUser = "not persisted";
    a.Save(profile);
    AppSettings b;
    b.Load(profile);
    // A stored Keep Ratio off stays off; shuffle is not restored after a restart.
    EXPECT_EQ(testing::PrintToString(std::tuple{b.m_maxTime, b.m_reconnect, b.m_keep, b.m_sequence, b.m_memberUser}),
              testing::PrintToString(std::tuple{5400, 45, 0, 1, std::string()}));
    EXPECT_EQ(b.m_fileTypes, (Strings{".asf", ".x"}));

    // "Parallel recordings": at most 4 however the file was edited.
    for (const auto& [stored, loaded] : {std::pair{4, 4}, {9, 4}, {0, 1}}) {
        profile.WriteInt("settings", "Parallel Recordings", stored);
        AppSettings s;
        s.Load(profile);
        EXPECT_EQ(s.m_parallelRecordings, loaded) << stored;
    }
}

// The base folder is a folder whatever its name: "Recordings.2024" is made,
// not taken for a file name whose folder is wanted.
TEST(AppSettings, MakeDirectoryPathMakesEveryFolderOfThePath)
{
    testsupport::TempDir dir;
    MemoryProfile profile;
    profile.WriteString("settings", "base dir", dir.File("rec/Show.2024") + "\\");
    AppSettings s;
    s.Load(profile);
    EXPECT_EQ(s.m_baseDir, dir.File("rec/Show.2024"));
    EXPECT_TRUE(std::filesystem::is_directory(s.m_baseDir));
    // A file in the way fails.
    testsupport::WriteFile(dir.File("file"), "x");
    EXPECT_EQ(MakeDirectoryPath(dir.File("file/sub")), 0);
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
    EXPECT_EQ(ReadStoredCredentials(profile, CredentialSite{"other.example", 80, 80}).user, "");
    EXPECT_EQ(ReadStoredCredentials(profile, "[::1]:8554").user, "six");
    // A pair stored with the port wins over the old one.
    WriteStoredCredentials(profile, CredentialSite{"media.example", 80, 80}, "new", "pw");
    EXPECT_EQ(ReadStoredCredentials(profile, CredentialSite{"media.example", 80, 80}).user, "new");
}

}  // namespace
