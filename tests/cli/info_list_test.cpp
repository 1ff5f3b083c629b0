#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "../formats/asf_test_builder.h"
#include "../formats/kvx_bytes.h"
#include "medialist/media_list.h"
#include "test_support.h"

namespace {

const std::string kCli = testsupport::BinaryDir() + "/src/cli/brimcast-cli";

testsupport::ProcessResult Cli(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {kCli};
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::RunProcess(argv, std::chrono::seconds(30), "", {"LC_ALL=C.UTF-8"});
}

// A file for a command: its name in the test folder ("": the folder
// itself) and its bytes (none: not written).
struct File {
    std::string command, name;
    std::optional<std::string> content;
    std::string expected;  // good: the output (info: lines in it); bad: the reason
    std::string out = "";  // bad: what is still printed
};

class CliInfoList : public ::testing::Test {
protected:
    std::string Path(const File& f)
    {
        const std::string path = f.name.empty() ? dir.path() : dir.File(f.name);
        if (f.content)
            testsupport::WriteFile(path, *f.content);
        return path;
    }
    testsupport::TempDir dir;
    const std::string video = testsupport::ReadFile(testsupport::MakeSampleAsf());
    const std::string kvx = KvxHeader("Weekly streams") + KvxRecord("News", "mms://media.example/news.asf") +
                            KvxRecord("clip", "/home/u/clip.wmv");
};

TEST_F(CliInfoList, GoodFilesArePrinted)
{
    const std::string header = asftest::Header(
        {asftest::FileProperties(), asftest::ContentDescription({u"제목\u001b[31m\u009b2J", u"Someone"}),
         asftest::AudioStream(1, 1, 8000, 8), asftest::CodecList({{2, u"Codec", u"two\nlines"}})});
    const std::string rows =
        "Info: Weekly streams\nNews\tmms://media.example/news.asf\nclip\t/home/u/clip.wmv\n";
    const File files[] = {
        {"info", "video.asf", video,
         "Video:          176 x 144 (24)\nAudio codec:    Windows Media Audio V8\n"},
        // Texts from the file cannot reach the terminal as control characters.
        {"info", "hand.asf", header + asftest::Data(3, 100),
         "Title:          제목\\x1B[31m\\u009B2J\nAuthor:         Someone\nAudio:          8 kHz 8bit mono\n"
         "Audio codec:    Codec\n                two\n                lines\n"
         "Play duration:   123.456 s (1234567890)\n"},
        {"list", "saved.kvx", kvx, rows},
        {"list", "odd.kvx", KvxHeader() + KvxRecord("a\tb\nc\x1b\xC2\x9B", "mms://h/x\ry"),
         "a\\tb\\nc\\x1B\\u009B\tmms://h/x\\ry\n"},  // one row per line, no terminal controls
    };
    for (const File& f : files) {
        const auto r = Cli({f.command, Path(f)});
        SCOPED_TRACE(f.name);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "");
        if (f.command == "list") {
            EXPECT_EQ(r.out, f.expected);
            continue;
        }
        std::istringstream lines("Path:           " + dir.File(f.name) + "\n" + f.expected);
        for (std::string line; std::getline(lines, line);)
            EXPECT_NE(r.out.find(line), std::string::npos) << line;
    }
}

TEST_F(CliInfoList, BadFilesEndWithOneLineNamingTheFileAndStatusOne)
{
    ASSERT_EQ(::mkfifo(dir.File("fifo.kvx").c_str(), 0600), 0);  // must not wait for a writer
    testsupport::WriteFile(dir.File("huge.kvx"), KvxHeader());   // refused from its size alone
    ASSERT_EQ(::truncate(dir.File("huge.kvx").c_str(), off_t(MediaList::kMaxKvxFileBytes) + 1), 0);
    const File files[] = {
        // What comes before the damage is shown.
        {"info", "truncated.asf", video.substr(0, video.size() / 2),
         "truncated: the ASF_Data object at offset ", "ASF_Stream_Properties"},
        {"info", "", {}, "not a regular file"},
        {"list", "cut.kvx", KvxHeader() + KvxRecord("One", "mms://h/1") + KvxRecord("Two", "x").substr(0, 10),
         "last record truncated (10 bytes ignored)", "One\tmms://h/1\n"},
        {"list", "huge.kvx", {}, "file too large (67108865 bytes, at most 67108864)"},
        {"list", "fifo.kvx", {}, "not a regular file"},
    };
    for (const File& f : files) {
        const std::string path = Path(f);
        const auto r = Cli({f.command, path});
        SCOPED_TRACE(f.command + " " + f.name);
        EXPECT_EQ(r.exitCode, 1);
        const std::string line = "brimcast-cli: " + path + ": " + f.expected;
        EXPECT_TRUE(r.err.starts_with(line) && r.err.find('\n') == r.err.size() - 1) << r.err;
        EXPECT_EQ(r.err.size() == line.size() + 1, !f.expected.ends_with(' ')) << r.err;  // " ": a prefix
        EXPECT_EQ(f.out.empty(), r.out.empty());
        EXPECT_NE(r.out.find(f.out), std::string::npos) << r.out;
    }
}

}  // namespace
