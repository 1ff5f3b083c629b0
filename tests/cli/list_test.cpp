#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <unistd.h>

#include "medialist/media_list.h"
#include "record/app_settings.h"
#include "test_support.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

testsupport::ProcessResult Cli(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {testsupport::BinaryDir() + "/src/cli/brimcast-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::RunProcess(argv, std::chrono::seconds(30));
}

std::string KvxHeader(const std::string& info = "")
{
    std::string h(224, '\0');
    h.replace(0, 4, "0.1b");
    h.replace(10, 3, "mms");
    h.replace(15, info.size(), info);
    return h;
}

std::string KvxRecord(const std::string& title, const std::string& address)
{
    std::string r(584, '\0');
    r.replace(0, 8, "Brimcast");
    r.replace(50, 8, "Brimcast");
    r.replace(100, title.size(), title);
    r.replace(150, address.size(), address);
    return r;
}

class CliList : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(CliList, PrintsTheRowsOfEachKindOfFile)
{
    AppSettings settings;
    MediaList list(settings, nullptr);
    list.AddEntry("mms://media.example/news.asf", "News", " ", "");
    list.AddEntry("/home/u/clip.wmv", "", " ", "");
    list.SetInfoText("Weekly streams");
    const std::string kvx = dir.File("saved.kvx");
    ASSERT_EQ(list.WriteKvxFile(kvx, KvxWriteMode::All), KvxWriteResult::Written);
    auto r = Cli({"list", kvx});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "Info: Weekly streams\nNews\tmms://media.example/news.asf\nclip\t/home/u/clip.wmv\n");

    const std::string asx = dir.File("Jazz.asx");
    WriteFile(asx, "<asx version=\"3.0\"><entry><ref href=\"mms://j/a.asf\"/></entry>"
                   "<entry><ref href=\"http://j/b.wmv\"/></entry></asx>");
    r = Cli({"list", asx});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Jazz0\tmms://j/a.asf\nJazz1\thttp://j/b.wmv\n");

    const std::string qsd = dir.File("import.qsd");
    WriteFile(qsd, "[Info]\r\nFiles=2\r\n[Folder 0]\r\nTitle=\xC7\xD1\xB1\xDB\r\nUrl=mms://k/1.asf\r\n"
                   "[Folder 1]\r\nUrl=mms://k/two.asf\r\n");
    r = Cli({"list", qsd});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "\xED\x95\x9C\xEA\xB8\x80\tmms://k/1.asf\ntwo\tmms://k/two.asf\n");

    // A relative name works from the current folder; a list file under
    // another name is known by its header.
    const std::string renamed = dir.File("backup.dat");
    WriteFile(renamed, testsupport::ReadFile(kvx));
    r = testsupport::RunProcess({"sh", "-c", "cd '" + dir.path() + "' && '" + testsupport::BinaryDir() +
                                                 "/src/cli/brimcast-cli' list backup.dat"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Info: Weekly streams\nNews\tmms://media.example/news.asf\nclip\t/home/u/clip.wmv\n");
}

TEST_F(CliList, ControlCharactersCannotBreakTheLines)
{
    const std::string kvx = dir.File("odd.kvx");
    WriteFile(kvx, KvxHeader() + KvxRecord("a\tb\nc\x1b", "mms://h/x\ry"));
    const auto r = Cli({"list", kvx});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "a\\tb\\nc\\x1B\tmms://h/x\\ry\n");
}

TEST_F(CliList, BadFilesGiveOneLineAndStatusOne)
{
    struct Case {
        std::string name;
        std::string bytes;
        std::string reason;
    };
    std::string big = "<asx><entry><ref href=\"mms://h/a\"/></entry></asx>";
    big += std::string(102400 - big.size(), ' ');
    const std::vector<Case> cases = {
        {"empty.kvx", "", "empty file"},
        {"empty.asx", "", "empty file"},
        {"empty.qsd", "", "empty file"},
        {"short.kvx", KvxHeader().substr(0, 100), "truncated list file header (100 of 224 bytes)"},
        {"old.kvx", "0.1a" + KvxHeader().substr(4) + KvxRecord("t", "mms://h/a"),
         "not a .kvx list file (unknown version)"},
        {"tag.kvx", KvxHeader().substr(0, 10) + "wmv" + KvxHeader().substr(13), "not a .kvx list file (unknown format tag)"},
        {"garbage.asx", std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0", 20),
         "not an ASX playlist (no <ASX> element)"},
        {"big.asx", big, "file too large (102400 bytes, at most 102399)"},
        {"nocount.qsd", "[Folder 0]\nUrl=mms://h/a\n", "not a .qsd list (no \"Files\" count in section \"Info\")"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File(c.name);
        WriteFile(path, c.bytes);
        const auto r = Cli({"list", path});
        EXPECT_EQ(r.exitCode, 1) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_EQ(r.err, "brimcast-cli: " + path + ": " + c.reason + "\n") << c.name;
    }

    auto r = Cli({"list", dir.File("missing.asx")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "brimcast-cli: " + dir.File("missing.asx") + ": No such file or directory\n");
    r = Cli({"list", dir.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "brimcast-cli: " + dir.path() + ": Is a directory\n");
    r = Cli({"list", "mms://h/list.asx"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "brimcast-cli: mms://h/list.asx: not a local file\n");

    // An oversized list file is refused from its size alone (a sparse file).
    const std::string huge = dir.File("huge.kvx");
    WriteFile(huge, KvxHeader());
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(MediaList::kMaxKvxFileBytes) + 1), 0);
    r = Cli({"list", huge});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(": file too large ("), std::string::npos) << r.err;
}

TEST_F(CliList, ACutLastRecordIsListedAndReported)
{
    const std::string kvx = dir.File("cut.kvx");
    WriteFile(kvx, KvxHeader() + KvxRecord("One", "mms://h/1") + KvxRecord("Two", "mms://h/2").substr(0, 10));
    const auto r = Cli({"list", kvx});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "One\tmms://h/1\n");
    EXPECT_EQ(r.err, "brimcast-cli: " + kvx + ": last record truncated (10 bytes ignored)\n");
}

TEST_F(CliList, EmptyListsAreNotErrors)
{
    const std::string kvx = dir.File("header-only.kvx");
    WriteFile(kvx, KvxHeader(" Nothing yet "));
    auto r = Cli({"list", kvx});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Info: Nothing yet\n");
    const std::string asx = dir.File("empty-list.asx");
    WriteFile(asx, "<ASX version=\"3.0\"></ASX>");
    r = Cli({"list", asx});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(CliList, Usage)
{
    auto r = Cli({"list"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Usage: brimcast-cli list FILE"), std::string::npos);
    r = Cli({"list", "a.kvx", "b.kvx"});
    EXPECT_EQ(r.exitCode, 2);
    r = Cli({"list", "--bogus", "a.kvx"});
    EXPECT_EQ(r.exitCode, 2);
    r = Cli({"list", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Usage: brimcast-cli list FILE"), std::string::npos);
}

}  // namespace
