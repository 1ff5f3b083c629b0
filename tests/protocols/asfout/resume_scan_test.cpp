#include <gtest/gtest.h>

#include <string>

#include "asf_test_file.h"
#include "protocols/asfout/resume_scan.h"
#include "test_support.h"

namespace {

using asftest::MakeResumableFile;
using testsupport::TempDir;

bool ScanBytes(const std::string& bytes, ResumeScan* scan)
{
    TempDir dir;
    testsupport::WriteFile(dir.File("f.asf"), bytes);
    return scan->Scan(dir.File("f.asf"));
}

TEST(ResumeScan, KeepsAllButTheLastWholePacket)
{
    ResumeScan scan;
    ASSERT_TRUE(ScanBytes(MakeResumableFile(5000, 1000, 100, 40, 0), &scan));
    EXPECT_EQ(scan.packetSize, 1000u);
    EXPECT_EQ(scan.declaredPackets, 100u);
    EXPECT_EQ(scan.resumePacket, 39u);
    EXPECT_EQ(scan.resumeOffset, 44050u);
    // A cut packet at the end changes nothing.
    ResumeScan cut;
    ASSERT_TRUE(ScanBytes(MakeResumableFile(5000, 1000, 100, 40, 999), &cut));
    EXPECT_EQ(cut.resumePacket, 39u);
    EXPECT_EQ(cut.resumeOffset, 44050u);
}

TEST(ResumeScan, RefusesFilesNotWorthResuming)
{
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string headerOnly = MakeResumableFile(5000, 1000, 100, 0, 0);
    for (const Case& c : {
             Case{"nearly complete", MakeResumableFile(5000, 1000, 100, 96, 0)},
             Case{"complete", MakeResumableFile(5000, 1000, 100, 100, 0)},
             Case{"live (nothing declared)", MakeResumableFile(5000, 1000, 0, 40, 0)},
             Case{"no whole packet", MakeResumableFile(5000, 1000, 100, 0, 999)},
             Case{"cut in the Data object", headerOnly.substr(0, 5000 + 20)},
             Case{"cut in the header", headerOnly.substr(0, 3000)},
             Case{"empty", std::string()},
             Case{"not ASF", std::string(100000, 'x')},
         }) {
        ResumeScan scan;
        EXPECT_FALSE(ScanBytes(c.bytes, &scan)) << c.what;
    }
    ResumeScan missing;
    EXPECT_FALSE(missing.Scan("/nonexistent/file.asf"));
}

TEST(ResumeScan, OneMissingPacketMoreThanFiveIsResumed)
{
    ResumeScan scan;
    ASSERT_TRUE(ScanBytes(MakeResumableFile(5000, 1000, 100, 94, 0), &scan));
    EXPECT_EQ(scan.resumePacket, 93u);
    ResumeScan five;
    EXPECT_FALSE(ScanBytes(MakeResumableFile(5000, 1000, 100, 95, 0), &five));
}

TEST(ResumeScan, DamagedObjectSizesEndTheWalk)
{
    // An object claiming fewer bytes than its own header must not send the
    // walk backwards for ever.
    std::string f = MakeResumableFile(5000, 1000, 100, 40, 0);
    for (uint64_t size : {uint64_t{1}, uint64_t{23}, ~uint64_t{0}, uint64_t{1} << 63}) {
        std::string bad = f;
        asftest::Put64(bad, 30 + 104 + 16, size);  // the unknown object after File Properties
        ResumeScan scan;
        ScanBytes(bad, &scan);  // must return; the result is not defined
    }
}

TEST(ResumeScan, WorksOnARealRecordingCutHalfWay)
{
    std::string sample = testsupport::ReadFile(testsupport::MakeSampleAsf());
    asftest::AsfParts parts = asftest::SplitAsf(sample);
    size_t half = parts.packets.size() / 2;
    std::string cut = sample.substr(0, parts.header.size() + half * parts.packetSize + 100);
    ResumeScan scan;
    ASSERT_TRUE(ScanBytes(cut, &scan));
    EXPECT_EQ(scan.packetSize, parts.packetSize);
    EXPECT_EQ(scan.declaredPackets, parts.packets.size());
    EXPECT_EQ(scan.resumePacket, half - 1);
    EXPECT_EQ(scan.resumeOffset, parts.header.size() + (half - 1) * parts.packetSize);
}

}  // namespace
