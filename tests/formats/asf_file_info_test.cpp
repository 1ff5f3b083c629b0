#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "asf_test_builder.h"
#include "formats/asf_file_info.h"
#include "test_support.h"

using namespace asftest;

namespace {

bool ParseBytes(AsfFileInfo& info, const std::string& bytes)
{
    return info.ParseBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "mem");
}

TEST(AsfFileInfo, DamagedFilesKeepWhatCameBeforeTheDamage)
{
    const std::string header = Header({FileProperties(), ContentDescription({u"T"})}), data = Data(3, 100);
    const std::string h = std::to_string(header.size()),
                      noHeader = "not an ASF file (no header object at the start)";
    struct Case {
        std::string bytes;
        AsfWalkEnd end;
        size_t objects;  // 0: refused
        std::string reason;
    } cases[] = {
        {"", AsfWalkEnd::Empty, 0, "empty file"},
        {Data(1, 100) + SampleFile(), AsfWalkEnd::NoHeader, 0, noHeader},
        {header.substr(0, 16) + U64(header.size() + 1) + header.substr(24), AsfWalkEnd::PastEnd, 0,
         "truncated: the ASF_Header object at offset 0 claims " + std::to_string(header.size() + 1) +
             " bytes, only " + h + " remain"},
        {Header({}, 24) + std::string(6, '\0'), AsfWalkEnd::SizeTooSmall, 1,
         "damaged: the ASF_Header object at offset 0 claims 24 bytes, too few for itself"},
        {header + data.substr(0, data.size() - 1), AsfWalkEnd::PastEnd, 3,
         "truncated: the ASF_Data object at offset " + h + " claims " + std::to_string(data.size()) +
             " bytes, only " + std::to_string(data.size() - 1) + " remain"},
        {header + Bytes(asf::kData) + U64(0), AsfWalkEnd::ZeroSize, 3,
         "unfinished: the ASF_Data object at offset " + h + " has size 0"},
        {header + data + "abc", AsfWalkEnd::TrailingBytes, 4,
         "truncated: 3 bytes after the last object at offset " + std::to_string(header.size() + data.size())},
        {header + Object(asf::kData, "", 1ull << 63), AsfWalkEnd::PastEnd, 3,
         "damaged: the ASF_Data object at offset " + h +
             " claims an impossible size (9223372036854775808 bytes)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        AsfFileInfo info;
        ASSERT_TRUE(ParseBytes(info, SampleFile()));  // a refusal keeps nothing of an earlier walk
        EXPECT_EQ(ParseBytes(info, c.bytes), c.objects > 0);
        EXPECT_EQ(info.Status().end, c.end);
        EXPECT_EQ(info.Status().Text(), c.reason);
        EXPECT_EQ(info.Objects().size(), c.objects);
        EXPECT_EQ(info.Title(), c.objects >= 3 ? "T" : "");
        EXPECT_EQ(info.FileProperties().playDuration, c.objects >= 3 ? 1234567890u : 0u);
        EXPECT_TRUE(info.AudioOnly() && info.AudioCodecs().empty() && info.Streams().empty());
    }
}

TEST(AsfFileInfo, FilesOfMoreThanFourGigabytes)
{
    // A sparse file: a header, a Data object of 5 GiB and an index after it.
    testsupport::TempDir dir;
    const std::string path = dir.File("big.asf");
    const std::string head = Header({FileProperties()}) + Data(0, 0, 50 + (5ull << 30)),
                      index = Object(asf::kSimpleIndex, std::string(32, 0));
    const uint64_t indexAt = head.size() + (5ull << 30);
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, head.data(), head.size(), 0), ssize_t(head.size()));
    ASSERT_EQ(pwrite(fd, index.data(), index.size(), off_t(indexAt)), ssize_t(index.size()));
    close(fd);
    AsfFileInfo info;
    ASSERT_TRUE(info.Parse(path));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::Complete);
    AsfObjectRecord record;
    ASSERT_EQ(info.FindObject(asf::kSimpleIndex, &record), 3);
    EXPECT_EQ(record.offset, indexAt);
}

}  // namespace
