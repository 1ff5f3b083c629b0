// The cut on generated files: byte-built ones whose every packet is known
// (the worked example, indexes, edges, damage, stops) and ffmpeg-made ones
// that the independent decoder and prober must accept.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "../formats/asf_test_builder.h"
#include "asf_stream.h"
#include "formats/asf_file_info.h"
#include "test_support.h"
#include "tools/asf_cut.h"

using namespace asftest;
using asfstream::Get32;
using asfstream::Get64;
using asfstream::Put32;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr uint32_t kPacketSize = 200;
constexpr uint64_t kPreroll = 3000;
// Offsets in the packets built below.
constexpr size_t kSendTimeAt = 7;
constexpr size_t kPresentationAt = 24;
constexpr size_t kMarkAt = 28;

// One data packet of kPacketSize bytes: error correction, flags (padding
// length as a word; replicated data, object number and stream number as
// bytes, the offset as a dword), no padding, the send time, one payload
// whose presentation time is the send time plus the preroll and whose data
// begins with the packet's number.
std::string Packet(uint64_t number, uint32_t sendMs)
{
    std::string p = std::string("\x82\0\0", 3) + "\x10" + "\x5D" + U16(0) + U32(sendMs) + U16(100);
    p += std::string("\x81", 1) + char(number) + U32(0) + "\x08" + U32(kPacketSize) + U32(sendMs + kPreroll);
    p += U64(number);
    p.resize(kPacketSize, '\x5A');
    return p;
}

std::string Properties(uint64_t packets, uint64_t durationMs)
{
    return Object(asf::kFileProperties, std::string(16, '\x11') + U64(0) + U64(0) + U64(packets) +
                                            U64((durationMs + kPreroll) * 10000) + U64(durationMs * 10000) +
                                            U64(kPreroll) + U32(2) + U32(kPacketSize) + U32(kPacketSize) +
                                            U32(64000));
}

// A Simple Index of one entry per second: the first packet whose
// presentation time reaches it.
std::string Index(uint64_t seconds, uint64_t packetsPerSecond)
{
    std::string entries;
    for (uint64_t j = 0; j <= seconds; ++j) {
        uint64_t ms = j * 1000;
        uint64_t packet = ms <= kPreroll ? 0 : (ms - kPreroll) * packetsPerSecond / 1000;
        entries += U32(packet) + U16(1);
    }
    return Object(asf::kSimpleIndex,
                  std::string(16, '\x11') + U64(10000000) + U32(1) + U32(seconds + 1) + entries);
}

// A file of `packets` packets sent at an even rate over durationMs.
std::string MakeFile(uint64_t packets, uint64_t durationMs, bool withIndex)
{
    std::string data;
    for (uint64_t i = 0; i < packets; ++i)
        data += Packet(i, static_cast<uint32_t>(i * durationMs / packets));
    std::string file = Header({Properties(packets, durationMs), AudioStream(1, 2, 44100, 16)}) +
                       Object(asf::kData, std::string(16, '\x11') + U64(packets) + U16(0x0101) + data);
    if (withIndex)
        file += Index(durationMs / 1000, packets * 1000 / durationMs);
    return file;
}

// Names in a folder, for "nothing left behind".
std::vector<std::string> Listing(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

CutResult Cut(const std::string& source, const std::string& output, int64_t from, int64_t to,
              bool overwrite = false)
{
    std::atomic<bool> stop{false};
    return CutAsfFile({source, output, from, to, overwrite}, stop);
}

struct CutFile {
    std::string bytes;
    size_t dataAt = 0;  // first packet
    AsfFileInfo info;
    explicit CutFile(const std::string& path) : bytes(ReadFile(path))
    {
        EXPECT_TRUE(info.Parse(path));
        AsfObjectRecord data;
        EXPECT_GE(info.FindObject(asf::kData, &data), 0);
        dataAt = data.offset + 50;
    }
    std::string PacketAt(uint64_t i) const { return bytes.substr(dataAt + i * kPacketSize, kPacketSize); }
};

TEST(AsfCut, WorkedExampleCopiesPackets100To199RetimedFromZero)
{
    TempDir dir;
    const std::string src = dir.File("talk.asf");
    WriteFile(src, MakeFile(6000, 600000, false));
    CutResult r = Cut(src, "", 10, 19);
    ASSERT_EQ(r.status, CutResult::Status::Done) << r.message;
    EXPECT_EQ(testing::PrintToString(std::tuple{r.plan.firstPacket, r.plan.endPacket, r.packets, r.sourceIndexUsed}),
              "(100, 200, 100, false)");

    const std::string out = dir.File("talk_cut.asf");
    CutFile cut(out);
    const AsfFileProperties& fp = cut.info.FileProperties();
    EXPECT_EQ(testing::PrintToString(std::tuple{fp.dataPacketsCount, fp.playDuration, fp.sendDuration, fp.flags,
                                                fp.fileSize, cut.info.DataObject().totalDataPackets}),
              testing::PrintToString(std::tuple{uint64_t{100}, (9900 + kPreroll) * 10000, uint64_t{9900} * 10000,
                                                uint32_t{2}, uint64_t(cut.bytes.size()), uint64_t{100}}));
    EXPECT_EQ(cut.info.Status().end, AsfWalkEnd::Complete);
    for (uint64_t k = 0; k < 100; ++k) {
        const std::string p = cut.PacketAt(k);
        ASSERT_EQ(std::tuple(Get64(p, kMarkAt), Get32(p, kSendTimeAt), Get32(p, kPresentationAt)),
                  std::tuple(100 + k, k * 100, k * 100 + kPreroll)) << k;
    }
    // No source index: the fixed one-entry index closes the file.
    AsfObjectRecord index;
    ASSERT_GE(cut.info.FindObject(asf::kSimpleIndex, &index), 0);
    EXPECT_EQ(index.size, 62u);
    EXPECT_EQ(index.offset + 62, cut.bytes.size());
}

TEST(AsfCut, SourceIndexIsCarriedOverForTheCutsOwnPackets)
{
    TempDir dir;
    const std::string src = dir.File("indexed.asf");
    WriteFile(src, MakeFile(6000, 600000, true));
    CutResult r = Cut(src, dir.File("out.asf"), 10, 19);
    ASSERT_EQ(r.status, CutResult::Status::Done) << r.message;
    EXPECT_TRUE(r.sourceIndexUsed);
    CutFile cut(dir.File("out.asf"));
    AsfObjectRecord index;
    ASSERT_GE(cut.info.FindObject(asf::kSimpleIndex, &index), 0);
    const std::string object = cut.bytes.substr(index.offset, index.size);
    const uint32_t entries = Get32(object, 52);
    ASSERT_EQ(entries, 13u);  // one a second, 0 to 12.9 s of presentation time
    ASSERT_EQ(index.offset + 56 + 6 * entries, cut.bytes.size());
    // Entry k names the cut's first packet presented at k seconds (the cut's
    // packet m is presented at m * 100 ms + the preroll), never a packet
    // beyond the cut.
    for (uint32_t k = 0; k < entries; ++k) {
        uint64_t expected = k * 1000 <= kPreroll ? 0 : std::min<uint64_t>((k * 1000 - kPreroll) / 100, 99);
        EXPECT_EQ(Get32(object, 56 + 6 * k), expected) << k;
    }
    // The decoder's view: a damaged source index falls back to the fixed one.
    std::string damaged = ReadFile(src);
    Put32(damaged, damaged.size() - (56 + 6 * 601) + 52, 100000);  // more entries than the object holds
    WriteFile(src, damaged);
    r = Cut(src, dir.File("out2.asf"), 10, 19);
    ASSERT_EQ(r.status, CutResult::Status::Done) << r.message;
    EXPECT_FALSE(r.sourceIndexUsed);
}

TEST(AsfCut, RangesAtTheEdgesAndPastTheEnd)
{
    TempDir dir;
    const std::string src = dir.File("a.asf");
    WriteFile(src, MakeFile(600, 60000, false));
    struct Case {
        int64_t from, to;
        uint64_t first, end;  // end 0: refused
    };
    // The first second, past the end (bounded by the packets there are), the
    // last second; from the end, reversed, negative.
    for (const Case& c : {Case{0, 0, 0, 10}, {0, 100000, 0, 600}, {59, 59, 590, 600}, {60, 61, 600, 0},
                          {5, 4, 0, 0}, {-1, 3, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << c.from << " to " << c.to);
        const std::string out = dir.File("edge.asf");
        CutResult r = Cut(src, out, c.from, c.to, true);
        if (c.end == 0) {
            EXPECT_TRUE(r.status == CutResult::Status::Refused && !r.message.empty() && !testsupport::FileExists(out));
            continue;
        }
        ASSERT_EQ(r.status, CutResult::Status::Done) << r.message;
        EXPECT_EQ(std::pair(r.plan.firstPacket, r.plan.endPacket), std::pair(c.first, c.end));
        CutFile cut(out);
        EXPECT_EQ(cut.info.FileProperties().dataPacketsCount, c.end - c.first);
        EXPECT_EQ(Get64(cut.PacketAt(c.end - c.first - 1), kMarkAt), c.end - 1);
        unlink(out.c_str());
    }
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"a.asf"});
}

// The announced count sets the rate, the packets present bound the range,
// and 2^40 packets over a day stay exact; without a duration or a count
// (a broadcast never finished) there is no plan.
TEST(AsfCut, PlanTakesTheAverageRateAndNeverLeavesTheFile)
{
    CutPlan plan;
    std::string error;
    const uint64_t many = 1ull << 40;
    ASSERT_TRUE(PlanCut(6000, (600000 + kPreroll) * 10000, kPreroll, 150, 10, 19, &plan, &error));
    EXPECT_EQ(std::pair(plan.firstPacket, plan.endPacket), std::pair(uint64_t{100}, uint64_t{150}));
    ASSERT_TRUE(PlanCut(many, (86400000ull + kPreroll) * 10000, kPreroll, many, 43200, 86399, &plan, &error));
    EXPECT_EQ(std::pair(plan.firstPacket, plan.endPacket), std::pair(many / 2, many));
    EXPECT_FALSE(PlanCut(6000, kPreroll * 10000, kPreroll, 6000, 0, 1, &plan, &error));
    EXPECT_FALSE(PlanCut(0, (600000 + kPreroll) * 10000, kPreroll, 6000, 0, 1, &plan, &error));
}

TEST(AsfCut, OutputIsReplacedOnlyWhenAskedAndNeverLeftHalfWritten)
{
    TempDir dir;
    const std::string src = dir.File("a.asf");
    WriteFile(src, MakeFile(600, 60000, false));
    const std::string out = dir.File("a_cut.asf");
    WriteFile(out, "mine");
    CutResult r = Cut(src, "", 0, 5);
    EXPECT_EQ(r.status, CutResult::Status::Refused);
    EXPECT_EQ(ReadFile(out), "mine");
    EXPECT_EQ(Cut(src, src, 0, 5, true).status, CutResult::Status::Refused);         // the source itself
    EXPECT_EQ(Cut(src, dir.path(), 0, 5, true).status, CutResult::Status::Refused);  // a folder
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"a.asf", "a_cut.asf"}));

    // A folder that cannot be written: failed, nothing made.
    r = Cut(src, dir.File("no/such/folder/x.asf"), 0, 5);
    EXPECT_EQ(r.status, CutResult::Status::Failed);
    EXPECT_NE(r.message.find("no/such/folder"), std::string::npos);

    // The replacement has the source's permission bits, not the umask's.
    ASSERT_EQ(::chmod(src.c_str(), 0640), 0);
    r = Cut(src, "", 0, 5, true);
    ASSERT_EQ(r.status, CutResult::Status::Done) << r.message;
    EXPECT_EQ(CutFile(out).info.FileProperties().dataPacketsCount, 60u);
    struct stat st {};
    EXPECT_TRUE(::stat(out.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640) << std::oct << st.st_mode;

    // A source without its objects is refused, naming the file.
    WriteFile(src, MakeFile(100, 10000, false).substr(0, 100));
    r = Cut(src, dir.File("out.asf"), 0, 5);
    EXPECT_TRUE(r.status == CutResult::Status::Refused && r.message.find(src) != std::string::npos) << r.message;
    EXPECT_EQ(Cut(dir.File("missing.asf"), dir.File("out.asf"), 0, 5).status, CutResult::Status::Refused);
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"a.asf", "a_cut.asf"}));
}

// Only a regular file is ever replaced: whatever else holds the output name
// stays as it was, with or without overwrite.
TEST(AsfCut, LinksDevicesAndPipesAtTheOutputAreNeverReplaced)
{
    TempDir dir;
    const std::string src = dir.File("a.asf");
    WriteFile(src, MakeFile(600, 60000, false));
    WriteFile(dir.File("target.asf"), "mine");
    ASSERT_EQ(::symlink("target.asf", dir.File("link.asf").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/null", dir.File("null.asf").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.File("pipe.asf").c_str(), 0600), 0);
    std::vector<std::pair<std::string, std::string>> cases = {
        {"link.asf", "a symbolic link"}, {"null.asf", "a symbolic link"}, {"pipe.asf", "a named pipe"}};
    // A character device of our own where the rights allow one.
    if (::mknod(dir.File("dev.asf").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0)
        cases.emplace_back("dev.asf", "a device");
    for (const auto& [name, kind] : cases) {
        struct stat before {};
        ASSERT_EQ(::lstat(dir.File(name).c_str(), &before), 0);
        CutResult r = Cut(src, dir.File(name), 0, 5, true);
        EXPECT_EQ(r.status, CutResult::Status::Refused) << name;
        EXPECT_NE(r.message.find(kind), std::string::npos) << r.message;
        struct stat after {};
        ASSERT_EQ(::lstat(dir.File(name).c_str(), &after), 0) << name;
        EXPECT_EQ(after.st_ino, before.st_ino) << name;
        EXPECT_EQ(after.st_mode, before.st_mode) << name;
    }
    EXPECT_EQ(ReadFile(dir.File("target.asf")), "mine");
    EXPECT_EQ(Listing(dir.path()).size(), cases.size() + 2);  // no temporary file left
}

// Cuts of files the independent decoder made: they decode without a
// complaint and last what their header says.
TEST(AsfCut, CutsOfEncodedFilesDecodeAndLastTheirRange)
{
    testsupport::SampleOptions options;
    options.seconds = 20;
    const std::string sample = testsupport::MakeSampleAsf(options);
    const asfstream::Parts& parts = asfstream::Split(sample);
    TempDir dir;
    const std::string src = dir.File("sample.asf");
    WriteFile(src, ReadFile(sample));
    const std::string out = dir.File("5.asf");
    CutResult r = Cut(src, out, 5, 9);
    ASSERT_EQ(r.status, CutResult::Status::Done) << r.message;
    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(out, &diagnostics)) << diagnostics;
    const uint32_t first = asfstream::SendTime(parts.packets[r.plan.firstPacket], parts.packetSize);
    const uint32_t last = asfstream::SendTime(parts.packets[r.plan.endPacket - 1], parts.packetSize);
    EXPECT_NEAR(testsupport::ProbeDuration(out), (last - first) / 1000.0, 20.0 / parts.packets.size() + 0.001);

    // A source whose last packet was cut short: the whole packets are taken.
    const std::string source = ReadFile(sample);
    const uint64_t dataEnd = parts.header.size() + parts.packets.size() * parts.packetSize;
    WriteFile(src, source.substr(0, dataEnd - parts.packetSize / 2));
    r = Cut(src, out, 10, 100, true);
    ASSERT_EQ(r.status, CutResult::Status::Done) << r.message;
    EXPECT_EQ(r.plan.endPacket, parts.packets.size() - 1);
    EXPECT_TRUE(testsupport::DecodesCleanly(out, &diagnostics)) << diagnostics;
}

}  // namespace
