#include "base/replace_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>

#include <gtest/gtest.h>

#include "test_support.h"

using namespace testsupport;

namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

long EntriesIn(const std::string& folder)
{
    return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}

TEST(ReplaceFile, PermissionsOfNewAndReplacedFiles)
{
    TempDir dir;
    const mode_t oldMask = ::umask(022);
    const std::string fresh = dir.File("new.kvx");
    // New: less the umask; replaced: the bits its owner gave it, but never
    // more than the caller allows (a password closes it).
    ASSERT_TRUE(ReplaceFile(fresh, "one", 0666));
    const mode_t made = ModeOf(fresh);
    ASSERT_EQ(::chmod(fresh.c_str(), 0640), 0);
    ASSERT_TRUE(ReplaceFile(fresh, "two", 0666));
    const mode_t kept = ModeOf(fresh);
    ASSERT_TRUE(ReplaceFile(fresh, "secret", 0600));
    EXPECT_EQ(std::tuple(made, kept, ModeOf(fresh), ReadFile(fresh)), std::tuple(0644u, 0640u, 0600u, "secret"));
    ::umask(oldMask);
    EXPECT_EQ(EntriesIn(dir.path()), 1);  // no temporary left beside it
}

TEST(ReplaceFile, ALinkIsReplacedAndItsTargetLeftAlone)
{
    TempDir dir;
    const std::string target = dir.File("elsewhere");
    WriteFile(target, "not ours");
    const std::string link = dir.File("list.kvx");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_TRUE(ReplaceFile(link, "ours", 0600));
    EXPECT_EQ(ReadFile(target) + "|" + ReadFile(link), "not ours|ours");
    struct stat st {};
    EXPECT_TRUE(::lstat(link.c_str(), &st) == 0 && S_ISREG(st.st_mode));  // a file in the link's place
}

TEST(ReplaceFile, AFailureLeavesTheOldFileAndNoTemporary)
{
    TempDir dir;
    // A folder at the name: the rename fails after everything was written.
    const std::string folder = dir.File("taken");
    std::filesystem::create_directory(folder);
    WriteFile(folder + "/inside", "kept");
    const ReplaceResult renamed = ReplaceFile(folder, "bytes", 0644);
    EXPECT_FALSE(renamed);
    EXPECT_EQ(renamed.step, ReplaceResult::Step::Rename);
    EXPECT_FALSE(renamed.Text().empty());
    EXPECT_EQ(ReadFile(folder + "/inside"), "kept");

    // No folder to create the new file in.
    const ReplaceResult created = ReplaceFile(dir.File("missing/list.kvx"), "bytes", 0644);
    EXPECT_EQ(created.step, ReplaceResult::Step::Create);
    EXPECT_EQ(created.error, ENOENT);
    EXPECT_EQ(EntriesIn(dir.path()), 1);
}

}  // namespace
