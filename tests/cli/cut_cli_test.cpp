// brimcast-cli cut: names, refusals, time forms and exit codes.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const std::string kCli = testsupport::BinaryDir() + "/src/cli/brimcast-cli";

testsupport::ProcessResult Cli(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {kCli, "cut"};
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::RunProcess(argv, std::chrono::seconds(60));
}

TEST(CliCut, CutsBesideTheSourceAndKeepsWhatExists)
{
    testsupport::SampleOptions options;
    options.seconds = 6;
    testsupport::TempDir dir;
    const std::string src = dir.File("a.asf");
    testsupport::WriteFile(src, testsupport::ReadFile(testsupport::MakeSampleAsf(options)));

    testsupport::ProcessResult r = Cli({src, "--from", "1", "--to", "0:00:03"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string out = dir.File("a_cut.asf");
    EXPECT_EQ(r.out.substr(0, r.out.find('\t')), out);
    EXPECT_NE(r.out.find("packets"), std::string::npos);
    EXPECT_TRUE(testsupport::DecodesCleanly(out));
    const uint64_t size = testsupport::FileSize(out);

    // An existing output needs --force.
    r = Cli({src, "--from", "0", "--to", "1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(testsupport::FileSize(out), size);
    r = Cli({"--force", "-q", src, "--from=0", "--to=1", "-o", out});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(testsupport::FileSize(out), size);

    // A range after the end is refused, and leaves nothing.
    r = Cli({src, "--from", "1:00", "--to", "2:00", "-o", dir.File("late.asf")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("after the end"), std::string::npos) << r.err;
    EXPECT_FALSE(testsupport::FileExists(dir.File("late.asf")));
}

TEST(CliCut, UsageErrors)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"a.asf", "--from", "1"},
        {"a.asf", "--to", "1"},
        {"a.asf", "--from", "5", "--to", "4"},
        {"a.asf", "--from", "1:75", "--to", "9"},
        {"a.asf", "--from", "-3", "--to", "9"},
        {"a.asf", "--from", "1.5", "--to", "9"},
        {"a.asf", "--from", "1:2:3:4", "--to", "9"},
        {"a.asf", "b.asf", "--from", "1", "--to", "9"},
        {"a.asf", "--from", "1", "--to", "9", "--bogus"},
    };
    for (const auto& args : bad) {
        testsupport::ProcessResult r = Cli(args);
        EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(args) << r.err;
        EXPECT_NE(r.err.find("Usage: brimcast-cli cut"), std::string::npos);
    }
    EXPECT_EQ(Cli({"--help"}).exitCode, 0);
}

}  // namespace
