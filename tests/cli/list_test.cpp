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

const std::string kCli = testsupport::BinaryDir() + "/src/cli/brimcast-cli";

testsupport::ProcessResult Cli(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {kCli};
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::RunProcess(argv, std::chrono::seconds(30));
}

std::string KvxHeader(const std::string& info = "")
{
    return std::string(224, '\0').replace(0, 4, "0.1b").replace(10, 3, "mms").replace(15, info.size(), info);
}

std::string KvxRecord(const std::string& title, const std::string& address)
{
    return std::string(584, '\0').replace(0, 8, "Brimcast").replace(50, 8, "Brimcast")
        .replace(100, title.size(), title).replace(150, address.size(), address);
}

TEST(CliList, PrintsTheRowsOfEachKindOfFile)
{
    TempDir dir;
    AppSettings settings;
    MediaList list(settings, nullptr);
    list.AddEntry("mms://media.example/news.asf", "News", " ", "");
    list.AddEntry("/home/u/clip.wmv", "", " ", "");
    list.SetInfoText("Weekly streams");
    ASSERT_EQ(list.WriteKvxFile(dir.File("saved.kvx"), KvxWriteMode::All), KvxWriteResult::Written);
    const std::string savedRows = "Info: Weekly streams\nNews\tmms://media.example/news.asf\nclip\t/home/u/clip.wmv\n";
    WriteFile(dir.File("backup.dat"), testsupport::ReadFile(dir.File("saved.kvx")));  // known by its header
    WriteFile(dir.File("Jazz.asx"), "<asx version=\"3.0\"><entry><ref href=\"mms://j/a.asf\"/></entry>"
                                    "<entry><ref href=\"http://j/b.wmv\"/></entry></asx>");
    WriteFile(dir.File("import.qsd"), "[Info]\r\nFiles=2\r\n[Folder 0]\r\nTitle=\xC7\xD1\xB1\xDB\r\nUrl=mms://k/1.asf\r\n"
                                      "[Folder 1]\r\nUrl=mms://k/two.asf\r\n");
    WriteFile(dir.File("odd.kvx"), KvxHeader() + KvxRecord("a\tb\nc\x1b", "mms://h/x\ry"));
    WriteFile(dir.File("header-only.kvx"), KvxHeader(" Nothing yet "));
    WriteFile(dir.File("no-entries.asx"), "<ASX version=\"3.0\"></ASX>");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"saved.kvx", savedRows},
        {"Jazz.asx", "Jazz0\tmms://j/a.asf\nJazz1\thttp://j/b.wmv\n"},
        {"import.qsd", "\xED\x95\x9C\xEA\xB8\x80\tmms://k/1.asf\ntwo\tmms://k/two.asf\n"},
        {"odd.kvx", "a\\tb\\nc\\x1B\tmms://h/x\\ry\n"},  // one row per line, whatever the texts hold
        {"header-only.kvx", "Info: Nothing yet\n"},
        {"no-entries.asx", ""},
    };
    for (const auto& [name, out] : cases) {
        const auto r = Cli({"list", dir.File(name)});
        EXPECT_EQ(r.exitCode, 0) << name << ": " << r.err;
        EXPECT_EQ(r.err, "") << name;
        EXPECT_EQ(r.out, out) << name;
    }
    // A relative name is taken from the current folder.
    const auto r = testsupport::RunProcess({"sh", "-c", "cd '" + dir.path() + "' && '" + kCli + "' list backup.dat"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, savedRows);
}

TEST(CliList, BadFilesGiveOneLineAndStatusOne)
{
    TempDir dir;
    std::string big = "<asx><entry><ref href=\"mms://h/a\"/></entry></asx>";
    big += std::string(102400 - big.size(), ' ');
    const std::vector<std::vector<std::string>> cases = {  // name, content, reason
        {"empty.kvx", "", "empty file"},
        {"empty.asx", "", "empty file"},
        {"empty.qsd", "", "empty file"},
        {"short.kvx", KvxHeader().substr(0, 100), "truncated list file header (100 of 224 bytes)"},
        {"old.kvx", "0.1a" + KvxHeader().substr(4) + KvxRecord("t", "mms://h/a"), "not a .kvx list file (unknown version)"},
        {"tag.kvx", KvxHeader().replace(10, 3, "wmv"), "not a .kvx list file (unknown format tag)"},
        {"garbage.asx", std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0", 20),
         "not an ASX playlist (no <ASX> element)"},
        {"big.asx", big, "file too large (102400 bytes, at most 102399)"},
        {"nocount.qsd", "[Folder 0]\nUrl=mms://h/a\n", "not a .qsd list (no \"Files\" count in section \"Info\")"},
        {"missing.asx", "", "No such file or directory"},
        {"", "", "Is a directory"},
    };
    for (const auto& c : cases) {
        const std::string path = c[0].empty() ? dir.path() : dir.File(c[0]);
        if (!c[0].empty() && c[0] != "missing.asx")
            WriteFile(path, c[1]);
        const auto r = Cli({"list", path});
        EXPECT_EQ(r.exitCode, 1) << c[0];
        EXPECT_EQ(r.out, "") << c[0];
        EXPECT_EQ(r.err, "brimcast-cli: " + path + ": " + c[2] + "\n") << c[0];
    }
    auto r = Cli({"list", "mms://h/list.asx"});
    EXPECT_EQ(r.err, "brimcast-cli: mms://h/list.asx: not a local file\n");
    // An oversized list file is refused from its size alone (a sparse file).
    WriteFile(dir.File("huge.kvx"), KvxHeader());
    ASSERT_EQ(::truncate(dir.File("huge.kvx").c_str(), static_cast<off_t>(MediaList::kMaxKvxFileBytes) + 1), 0);
    r = Cli({"list", dir.File("huge.kvx")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(": file too large ("), std::string::npos) << r.err;
    // A record cut short: the whole ones are listed, the cut one reported.
    WriteFile(dir.File("cut.kvx"), KvxHeader() + KvxRecord("One", "mms://h/1") + KvxRecord("Two", "x").substr(0, 10));
    r = Cli({"list", dir.File("cut.kvx")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "One\tmms://h/1\n");
    EXPECT_EQ(r.err, "brimcast-cli: " + dir.File("cut.kvx") + ": last record truncated (10 bytes ignored)\n");
}

TEST(CliList, Usage)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"list"}, {"list", "a.kvx", "b.kvx"}, {"list", "--bogus", "a.kvx"}}) {
        const auto r = Cli(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("Usage: brimcast-cli list FILE"), std::string::npos);
    }
    const auto r = Cli({"list", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Usage: brimcast-cli list FILE"), std::string::npos);
}

}  // namespace
