#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../formats/asf_test_builder.h"
#include "test_support.h"

using namespace asftest;

namespace {

testsupport::ProcessResult Cli(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {testsupport::BinaryDir() + "/src/cli/brimcast-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::RunProcess(argv, std::chrono::seconds(30));
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST(CliInfo, ShowsTheInformationOfSampleFiles)
{
    std::string video = testsupport::MakeSampleAsf();
    testsupport::SampleSpec audioSpec;
    audioSpec.video = false;
    std::string audio = testsupport::MakeSampleAsf(audioSpec);
    auto r = Cli({"info", video, audio});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* part : {"Video:          176 x 144 (24)", "Audio:          22 kHz 16bit 스테레오",
                             "Video codec:    wmv2", "Audio codec:    Windows Media Audio V8",
                             "Path:           " , "Packet size:     3200 min, 3200 max",
                             "compression WMV2", "format 0x0161, 2 channels, 22050 Hz",
                             "ASF_Header", "ASF_File_Properties", "ASF_Stream_Properties", "ASF_Codec_List",
                             "ASF_Data", "ASF_Simple_Index", "Preroll:", "Max bit rate:", "File ID:",
                             "Creation date:", "Flags:           0x2 seekable"}) {
        EXPECT_TRUE(Contains(r.out, part)) << part;
    }
    EXPECT_TRUE(Contains(r.out, "Path:           " + video + "\n"));
    EXPECT_TRUE(Contains(r.out, "Path:           " + audio + "\n"));
    // The audio-only file has one stream and no video codec.
    std::string second = r.out.substr(r.out.find("Path:           " + video));
    second = second.substr(second.find("Title:"));
    EXPECT_TRUE(Contains(second, "Video:          0 x 0 (0)"));
    EXPECT_FALSE(Contains(second, "#2 "));
}

TEST(CliInfo, HandBuiltFileShowsItsTextsSafely)
{
    testsupport::TempDir dir;
    std::string header = Header({FileProperties({}),
                                 ContentDescription(u"제목\u001b[31m", u"Someone", u"", u"", u""),
                                 AudioStream(1, 1, 8000, 8),
                                 CodecList({{2, u"Codec", u"two\nlines", ""}})});
    std::string path = dir.File("hand.asf");
    testsupport::WriteFile(path, header + Data(3, 100) + SimpleIndex());
    auto r = Cli({"info", path});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "Title:          제목?[31m\n"));
    EXPECT_TRUE(Contains(r.out, "Author:         Someone\n"));
    EXPECT_TRUE(Contains(r.out, "Size - time:    "));
    EXPECT_TRUE(Contains(r.out, " - 0:02:00\n"));
    EXPECT_TRUE(Contains(r.out, "Bit rate:       128Kbps\n"));
    EXPECT_TRUE(Contains(r.out, "Audio:          8 kHz 8bit 모노\n"));
    EXPECT_TRUE(Contains(r.out, "Audio codec:    Codec\n                two\n                lines\n"));
    EXPECT_TRUE(Contains(r.out, "File ID:         01020304-0506-0708-090A-0B0C0D0E0F10\n"));
    EXPECT_TRUE(Contains(r.out, "Creation date:   1970-01-01 00:00:00 UTC\n"));
    EXPECT_TRUE(Contains(r.out, "Play duration:   123.456 s (1234567890)\n"));
    EXPECT_TRUE(Contains(r.out, "Data packets:    3\n"));
    uint64_t dataAt = header.size();
    char row[80];
    std::snprintf(row, sizeof(row), "  %12llu %12llu  ASF_Data\n", static_cast<unsigned long long>(dataAt),
                  350ull);
    EXPECT_TRUE(Contains(r.out, row)) << r.out;
}

TEST(CliInfo, BadFilesEndWithOneLineEachAndStatusOne)
{
    testsupport::TempDir dir;
    std::string good = testsupport::MakeSampleAsf();
    std::string bytes = testsupport::ReadFile(good);
    std::string header = Header({FileProperties({})});

    std::string missing = dir.File("missing.asf");
    std::string empty = dir.File("empty.asf");
    testsupport::WriteFile(empty, "");
    std::string truncated = dir.File("truncated.asf");
    testsupport::WriteFile(truncated, bytes.substr(0, bytes.size() / 2));
    std::string oversized = dir.File("oversized.asf");
    testsupport::WriteFile(oversized, Header({FileProperties({})}, 0xFFFFFFFFFFFFFF00ull));
    std::string garbage = dir.File("garbage.asf");
    testsupport::WriteFile(garbage, "<html><body>not a media file at all</body></html>\n");
    std::string tiny = dir.File("tiny.asf");
    testsupport::WriteFile(tiny, bytes.substr(0, 10));

    auto r = Cli({"info", missing, empty, good, truncated, oversized, garbage, dir.path(), tiny});
    EXPECT_EQ(r.exitCode, 1);
    std::vector<std::string> errors = Lines(r.err);
    ASSERT_EQ(errors.size(), 7u) << r.err;
    EXPECT_EQ(errors[0], "brimcast-cli: " + missing + ": cannot open: No such file or directory");
    EXPECT_EQ(errors[1], "brimcast-cli: " + empty + ": empty file");
    EXPECT_TRUE(
        errors[2].starts_with("brimcast-cli: " + truncated + ": truncated: the ASF_Data object at offset "))
        << errors[2];
    EXPECT_TRUE(errors[3].starts_with("brimcast-cli: " + oversized +
                                      ": damaged: the ASF_Header object at offset 0 "
                                      "claims an impossible size"))
        << errors[3];
    EXPECT_EQ(errors[4], "brimcast-cli: " + garbage + ": not an ASF file (no header object at the start)");
    EXPECT_EQ(errors[5], "brimcast-cli: " + dir.path() + ": not a regular file");
    EXPECT_EQ(errors[6], "brimcast-cli: " + tiny + ": not an ASF file (no header object at the start)");
    // The good file and what the truncated one holds before the damage are shown.
    EXPECT_TRUE(Contains(r.out, "Path:           " + good + "\n"));
    EXPECT_TRUE(Contains(r.out, "Path:           " + truncated + "\n"));
    EXPECT_FALSE(Contains(r.out, oversized));
}

TEST(CliInfo, Usage)
{
    auto r = Cli({"info"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Contains(r.err, "Usage: brimcast-cli info FILE..."));
    r = Cli({"info", "--bogus", "x.asf"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Contains(r.err, "unknown option '--bogus'"));
    r = Cli({"info", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Contains(r.out, "info FILE..."));
    // After "--" a name that starts with "-" is a file.
    r = Cli({"info", "--", "-missing.asf"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "brimcast-cli: -missing.asf: cannot open: No such file or directory\n");
}

}  // namespace
