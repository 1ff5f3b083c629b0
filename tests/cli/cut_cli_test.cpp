// brimcast-cli cut: names, refusals, exit codes and stop signals.
#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <thread>

#include "../formats/asf_test_builder.h"
#include "test_support.h"

namespace {

const std::string kCli = testsupport::BinaryDir() + "/src/cli/brimcast-cli";

// Entries in a folder, for "nothing left behind".
size_t ListingSize(const std::string& dir)
{
    return std::distance(std::filesystem::directory_iterator(dir), {});
}

testsupport::ProcessResult Cli(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {kCli, "cut"};
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::RunProcess(argv, std::chrono::seconds(60));
}

TEST(CliCut, CutsBesideTheSourceAndKeepsWhatExists)
{
    testsupport::TempDir dir;
    const std::string src = dir.File("a.asf");
    testsupport::WriteFile(src, testsupport::ReadFile(testsupport::MakeSampleAsf({.seconds = 6})));

    testsupport::ProcessResult r = Cli({src, "--from", "1", "--to", "0:00:03"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string out = dir.File("a_cut.asf");
    EXPECT_EQ(r.out.substr(0, r.out.find('\t')), out);
    EXPECT_EQ(Cli({src, "--from", "5", "--to", "4"}).exitCode, 2);
    const uint64_t size = testsupport::FileSize(out);

    // An existing output needs --force.
    r = Cli({src, "--from", "0", "--to", "1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(testsupport::FileSize(out), size);
    r = Cli({"--force", "-q", src, "--from=0", "--to=1", "-o", out});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(testsupport::FileSize(out), size);
}

// A file of `packets` empty packets of 3200 bytes, 10 ms each, whose data
// is a hole: large enough that a cut of it is still running when a signal
// comes, without taking the disk space.
std::string MakeSparseSource(const std::string& path, uint64_t packets)
{
    using namespace asftest;
    constexpr uint32_t kSize = 3200;
    const std::string properties =
        Object(asf::kFileProperties, std::string(16, '\1') + U64(0) + U64(0) + U64(packets) +
                                         U64((packets * 10 + 3000) * 10000) + U64(packets * 10 * 10000) +
                                         U64(3000) + U32(2) + U32(kSize) + U32(kSize) + U32(2560000));
    const std::string head = Header({properties, AudioStream(1, 2, 44100, 16)});
    testsupport::WriteFile(path, head + Object(asf::kData, std::string(16, '\3') + U64(packets) + U16(0x0101),
                                               50 + packets * kSize));
    EXPECT_EQ(::truncate(path.c_str(), static_cast<off_t>(head.size() + 50 + packets * kSize)), 0);
    return path;
}

// SIGTERM and SIGHUP stop a cut with their own status; the output that was
// there stays as it was, and no temporary file is left.
TEST(CliCut, StopSignalsLeaveTheOldOutputAndNoTemporaryFile)
{
    testsupport::TempDir dir;
    const std::string src = MakeSparseSource(dir.File("big.asf"), 320000);  // 1 GB
    const std::string out = dir.File("out.asf");
    for (const auto& [sig, status] : {std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}}) {
        testsupport::WriteFile(out, "mine");
        testsupport::ChildProcess child;
        ASSERT_TRUE(child.Start({kCli, "cut", src, "--from", "0", "--to", "4000", "-o", out, "--force"}));
        // The temporary file shows that the copy has begun.
        bool begun = false;
        for (int i = 0; i < 20000 && !begun; ++i) {
            begun = testsupport::ReadFile(out) == "mine" && ListingSize(dir.path()) == 3;
            if (!begun)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(begun);
        child.Signal(sig);
        EXPECT_EQ(child.Wait(std::chrono::seconds(20)), status);
        EXPECT_EQ(testsupport::ReadFile(out), "mine");
        EXPECT_EQ(ListingSize(dir.path()), 2u);
    }
}

}  // namespace
