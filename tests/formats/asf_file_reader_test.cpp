// Reading recordings back: the reader and the resume scan.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "asf_stream.h"
#include "formats/asf_file_reader.h"
#include "formats/asf_file_writer.h"
#include "formats/asf_guids.h"
#include "formats/file_sink.h"
#include "test_support.h"

namespace {

using namespace asfstream;

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
std::string Text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A header object of 5000 bytes whose File Properties give 1000-byte
// packets and `declared` of them, and the Data object's fixed part.
std::string Header5000(uint64_t declared)
{
    auto id = [](const Guid& g) { return std::string(reinterpret_cast<const char*>(g.data()), 16); };
    std::string f = id(asf::kHeader) + std::string(5000 - 16, '\0');
    Put64(f, 16, 5000);
    Put32(f, 24, 2);
    f.replace(30, 16, id(asf::kFileProperties));
    Put64(f, 46, 104);
    Put64(f, 30 + 56, declared);
    Put64(f, 30 + 64, 600000000);  // a minute, preroll 0
    Put32(f, 30 + 92, 1000);
    Put32(f, 30 + 96, 1000);
    f.replace(134, 16, std::string(16, '\x5A'));  // an object nobody knows fills the rest
    Put64(f, 150, 5000 - 134);
    std::string data = id(asf::kData) + std::string(34, '\0');
    Put64(data, 16, 50 + declared * 1000);
    Put64(data, 40, declared);
    return f + data;
}

// That header, wholePackets packets and extraBytes of a cut one.
std::string ResumableFile(uint64_t declared, uint64_t wholePackets, uint64_t extraBytes = 0)
{
    return Header5000(declared) + std::string(wholePackets * 1000 + extraBytes, '\x11');
}

TEST(AsfFileReader, ReadsBackWhatWasRecordedAndWhatAFileHolds)
{
    const Parts& src = Split(Sample());
    testsupport::TempDir dir;
    // A finished recording of half the stream: the packets end at the index.
    const std::string path = dir.File("half.asf");
    {
        auto sink = FileSink::Create(path);
        AsfFileWriter w;
        w.Begin(sink.get(), {});
        ASSERT_EQ(w.WriteHeader(Bytes(src.header), src.header.size()), AsfFileWriter::HeaderResult::Written);
        for (size_t i = 0; i < src.packets.size() / 2; ++i)
            w.WritePacket(Bytes(src.packets[i]), src.packetSize);
        ASSERT_TRUE(w.Finalise());
        ASSERT_TRUE(sink->Close());
    }
    struct Case {
        std::string path;
        size_t packets;
        bool index;
    };
    // Whatever follows the Data object is never handed out as a packet.
    const std::string trailed = dir.File("trailed.asf");
    testsupport::WriteFile(trailed, testsupport::ReadFile(Sample()) + std::string(2 * src.packetSize, '\x33'));
    for (const Case& c : {Case{path, src.packets.size() / 2, true}, Case{Sample(), src.packets.size(), false},
                          Case{trailed, src.packets.size(), false}}) {
        SCOPED_TRACE(c.path);
        AsfFileReader reader;
        ASSERT_TRUE(reader.Open(c.path)) << reader.Error();
        EXPECT_EQ(reader.Header().packetSize, src.packetSize);
        EXPECT_EQ(reader.Header().filePropertiesAt, src.fileProps);
        EXPECT_EQ(reader.DataStart(), src.header.size());
        EXPECT_EQ(reader.PacketCount(), c.packets);
        std::vector<uint8_t> packet, index;
        for (size_t i = 0; i < c.packets; ++i) {
            ASSERT_TRUE(reader.ReadPacket(i, &packet));
            ASSERT_EQ(Text(packet), src.packets[i]) << i;
        }
        EXPECT_FALSE(reader.ReadPacket(c.packets, &packet));
        if (c.index) {
            ASSERT_TRUE(reader.ReadIndexObject(&index));
            EXPECT_EQ(index, AsfFileWriter::DefaultIndexObject());
        }
    }
    // What is not a file of fixed-size packets with a whole header.
    std::string huge = src.header;
    Put64(huge, 16, uint64_t{1} << 62);
    testsupport::WriteFile(dir.File("huge.asf"), huge);
    for (const char* name : {"huge.asf", "missing.asf"}) {
        AsfFileReader reader;
        EXPECT_FALSE(reader.Open(dir.File(name))) << name;
        EXPECT_FALSE(reader.Error().empty()) << name;
    }
}

TEST(ResumeScan, KeepsAllButTheLastWholePacketOfFilesWorthResuming)
{
    const Parts& src = Split(Sample());
    const size_t half = src.packets.size() / 2;
    const std::vector<uint8_t>& index = AsfFileWriter::DefaultIndexObject();
    struct Case {
        const char* what;
        std::string bytes;
        int resumePacket;  // -1: not worth resuming
        size_t resumeOffset;
    };
    for (const Case& c : {
             Case{"40 of 100", ResumableFile(100, 40), 39, 44050},
             Case{"40 and a cut one", ResumableFile(100, 40, 999), 39, 44050},
             Case{"40 finished with an index", ResumableFile(100, 40) + Text(index), 39, 44050},
             Case{"95 of 100", ResumableFile(100, 95), -1, 0},
             Case{"live (nothing declared)", ResumableFile(0, 40), -1, 0},
             Case{"no whole packet", ResumableFile(100, 0, 999), -1, 0},
             Case{"not ASF", std::string(100000, 'x'), -1, 0},
             Case{"a real recording cut half way",
                  testsupport::ReadFile(Sample()).substr(0, src.header.size() + half * src.packetSize + 100),
                  int(half) - 1, src.header.size() + (half - 1) * src.packetSize},
         }) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        testsupport::WriteFile(dir.File("f.asf"), c.bytes);
        ResumeScan scan;
        ASSERT_EQ(scan.Scan(dir.File("f.asf")), c.resumePacket >= 0);
        if (c.resumePacket >= 0) {
            EXPECT_EQ(scan.resumePacket, uint64_t(c.resumePacket));
            EXPECT_EQ(scan.resumeOffset, c.resumeOffset);
        }
    }
    EXPECT_FALSE(ResumeScan().Scan("/nonexistent/file.asf"));
}

}  // namespace
