#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "asf_test_file.h"
#include "protocols/asfout/asf_output_writer.h"
#include "protocols/asfout/asf_packet.h"
#include "protocols/client_hooks.h"
#include "test_support.h"

namespace {

using namespace asftest;
using testsupport::TempDir;

struct RecordingHooks : ClientHooks {
    std::vector<uint32_t> headerDurations;
    struct Progress {
        uint32_t bytes, progress, time;
    };
    std::vector<Progress> progress;
    std::vector<std::string> errors;
    void OnHeaderReceived(const std::string&, uint32_t durationMs) override
    {
        headerDurations.push_back(durationMs);
    }
    void OnProgress(uint32_t bytes, uint32_t p, uint32_t t) override { progress.push_back({bytes, p, t}); }
    void ReportError(const std::string& text) override { errors.push_back(text); }
};

struct FileCloser {
    void operator()(FILE* f) const
    {
        if (f)
            std::fclose(f);
    }
};
using File = std::unique_ptr<FILE, FileCloser>;

// One writer with its settings, hooks and stop flag, writing to a file.
struct Harness {
    AppSettings settings;
    RecordingHooks hooks;
    std::atomic<bool> stop{false};
    std::unique_ptr<AsfOutputWriter> writer;
    File file;

    Harness() { writer = std::make_unique<AsfOutputWriter>(settings, &hooks, stop); }
    void Begin(const std::string& path, uint32_t resume = 0, const char* mode = "wb")
    {
        file.reset(std::fopen(path.c_str(), mode));
        ASSERT_TRUE(file);
        writer->Begin(file.get(), "mms://host/x.asf", resume);
    }
    bool Header(const std::string& h) { return Header(h, h.size()); }
    bool Header(const std::string& h, size_t pieceSize)
    {
        for (size_t at = 0; at < h.size(); at += pieceSize) {
            std::string piece = h.substr(at, pieceSize);
            if (!writer->WriteHeaderPacket(reinterpret_cast<const uint8_t*>(piece.data()), piece.size()))
                return false;
        }
        return true;
    }
    bool Packet(std::string p)
    {
        return writer->WriteDataPacket(reinterpret_cast<uint8_t*>(p.data()), p.size());
    }
    void Finish(AsfOutputWriter::PatchRule rule = AsfOutputWriter::PatchRule::LiveWhenEnabled)
    {
        writer->Finalise(rule);
        file.reset();
    }
};

// The packet as a server may send it: without its trailing zero padding.
std::string WithoutPadding(const std::string& packet)
{
    size_t end = packet.find_last_not_of('\0');
    return packet.substr(0, end == std::string::npos ? 1 : end + 1);
}

const AsfParts& Sample()
{
    static const AsfParts parts = SplitAsf(testsupport::ReadFile(testsupport::MakeSampleAsf()));
    return parts;
}

std::string Packets(const std::string& file, const AsfFields& f, size_t i)
{
    return file.substr(f.headerSize + 50 + i * f.minPacket, f.minPacket);
}

TEST(AsfOutputWriter, OnDemandStreamBecomesTheSourceFileWithAFreshIndex)
{
    const AsfParts& src = Sample();
    TempDir dir;
    for (size_t piece : {src.header.size(), size_t{7}, size_t{300}}) {
        SCOPED_TRACE(piece);
        Harness h;
        std::string path = dir.File("out.asf");
        h.Begin(path);
        ASSERT_TRUE(h.Header(src.header, piece));
        for (const std::string& p : src.packets)
            ASSERT_TRUE(h.Packet(WithoutPadding(p)));
        h.Finish();
        EXPECT_TRUE(h.hooks.errors.empty());

        std::string out = testsupport::ReadFile(path);
        ASSERT_EQ(out.size(), src.header.size() + src.packets.size() * src.packetSize + 62);
        AsfFields f = ReadFields(out);
        ASSERT_TRUE(f.valid);
        EXPECT_TRUE(f.endsWithIndex);
        EXPECT_EQ(f.fileSize, out.size());
        EXPECT_EQ(f.flags, 2u);
        for (size_t i = 0; i < src.packets.size(); ++i)
            ASSERT_EQ(Packets(out, f, i), src.packets[i]) << "packet " << i;
        // Everything but the patched file size and flags is the source's header.
        AsfFields s = ReadFields(src.header + std::string(src.packets.size() * src.packetSize, '\0'));
        EXPECT_EQ(f.packetCount, s.packetCount);
        EXPECT_EQ(f.playDuration, s.playDuration);
        EXPECT_EQ(f.dataPackets, src.packets.size());
        EXPECT_EQ(h.writer->BytesWritten(), out.size() - 62);

        // One header notice per piece, all with the stream's duration.
        ASSERT_FALSE(h.hooks.headerDurations.empty());
        EXPECT_EQ(h.hooks.headerDurations.back(), s.playDuration / 10000 - s.preroll);
        ASSERT_EQ(h.hooks.progress.size(), src.packets.size());
        EXPECT_EQ(h.hooks.progress.back().bytes, out.size() - 62);
        for (size_t i = 1; i < h.hooks.progress.size(); ++i)
            EXPECT_GE(h.hooks.progress[i].progress, h.hooks.progress[i - 1].progress);
        EXPECT_LE(h.hooks.progress.back().progress, 10000u);
        EXPECT_GT(h.hooks.progress.back().progress, 8000u);

        std::string diagnostics;
        EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
        if (piece == src.header.size()) {
            double want = testsupport::ProbeDuration(testsupport::MakeSampleAsf());
            EXPECT_NEAR(testsupport::ProbeDuration(path), want, 0.05);
        }
    }
}

TEST(AsfOutputWriter, LiveStreamStartsAtZeroAndGetsItsCountAndDuration)
{
    const AsfParts& src = Sample();
    const uint32_t shift = 250000000;  // about three days into the broadcast
    std::string header = MakeLiveHeader(src.header);
    std::vector<std::string> live;
    for (const std::string& p : src.packets)
        live.push_back(ShiftTimes(p, src.packetSize, shift));
    TempDir dir;

    Harness h;
    std::string path = dir.File("live.asf");
    h.Begin(path);
    ASSERT_TRUE(h.Header(header));
    EXPECT_EQ(h.hooks.headerDurations.back(), 0u);
    for (const std::string& p : live)
        ASSERT_TRUE(h.Packet(p));
    h.Finish();

    std::string out = testsupport::ReadFile(path);
    AsfFields f = ReadFields(out);
    ASSERT_TRUE(f.valid);
    EXPECT_EQ(f.fileSize, out.size());
    EXPECT_EQ(f.flags, 2u);
    EXPECT_EQ(f.packetCount, src.packets.size());
    EXPECT_EQ(f.dataPackets, src.packets.size());
    EXPECT_EQ(f.dataSize, 50 + src.packets.size() * src.packetSize);
    EXPECT_TRUE(f.endsWithIndex);
    // Re-timed to the source's own times (which start at 0).
    uint32_t highest = 0;
    for (size_t i = 0; i < src.packets.size(); ++i) {
        ASSERT_EQ(Packets(out, f, i), src.packets[i]) << "packet " << i;
        highest = std::max(highest, SendTime(src.packets[i], src.packetSize));
    }
    EXPECT_EQ(SendTime(Packets(out, f, 0), f.minPacket), 0u);
    EXPECT_EQ(f.sendDuration, uint64_t{highest} * 10000);
    EXPECT_EQ(f.playDuration, (uint64_t{highest} + f.preroll) * 10000);
    for (const auto& p : h.hooks.progress)
        EXPECT_EQ(p.progress, 0u);
    EXPECT_EQ(h.hooks.progress.back().time, highest);

    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
    EXPECT_NEAR(testsupport::ProbeDuration(path), highest / 1000.0, 0.25);
    // Seekable: decoding from the middle works too.
    auto seek = testsupport::RunProcess({"ffmpeg", "-nostdin", "-v", "error", "-xerror", "-ss", "2",
                                         "-i", path, "-f", "null", "-"});
    EXPECT_EQ(seek.exitCode, 0) << seek.err;
    EXPECT_EQ(seek.err, "");

    // With the live setting off the packets and the durations stay as sent.
    Harness off;
    off.settings.m_liveContentSaveTimeInfo = 0;
    std::string offPath = dir.File("live-off.asf");
    off.Begin(offPath);
    ASSERT_TRUE(off.Header(header));
    for (const std::string& p : live)
        ASSERT_TRUE(off.Packet(p));
    off.Finish();
    std::string raw = testsupport::ReadFile(offPath);
    AsfFields g = ReadFields(raw);
    EXPECT_EQ(g.playDuration, 0u);
    EXPECT_EQ(g.sendDuration, 0u);
    EXPECT_EQ(g.packetCount, 0u);
    EXPECT_EQ(g.fileSize, raw.size());
    for (size_t i = 0; i < live.size(); ++i)
        ASSERT_EQ(Packets(raw, g, i), live[i]) << "packet " << i;
    // Progress times are still measured from the first packet.
    EXPECT_EQ(off.hooks.progress.back().time, highest);
}

TEST(AsfOutputWriter, EachRecordingStartsFromNothing)
{
    // Two live recordings on one writer (two entries of a playlist): the
    // second must not inherit the first one's packets or times.
    const AsfParts& src = Sample();
    std::string header = MakeLiveHeader(src.header);
    TempDir dir;
    Harness h;
    h.Begin(dir.File("a.asf"));
    ASSERT_TRUE(h.Header(header));
    for (const std::string& p : src.packets)
        ASSERT_TRUE(h.Packet(ShiftTimes(p, src.packetSize, 5000)));
    h.Finish();

    h.Begin(dir.File("b.asf"));
    ASSERT_TRUE(h.Header(header));
    for (size_t i = 0; i < 3; ++i)
        ASSERT_TRUE(h.Packet(ShiftTimes(src.packets[i], src.packetSize, 9000)));
    h.Finish();
    AsfFields f = ReadFields(testsupport::ReadFile(dir.File("b.asf")));
    EXPECT_EQ(f.packetCount, 3u);
    uint32_t highest = SendTime(src.packets[2], src.packetSize);
    EXPECT_EQ(f.sendDuration, uint64_t{highest} * 10000);
}

TEST(AsfOutputWriter, PacketsArePaddedOrCutToThePacketSize)
{
    const AsfParts& src = Sample();
    TempDir dir;
    Harness h;
    std::string path = dir.File("sizes.asf");
    h.Begin(path);
    ASSERT_TRUE(h.Header(src.header));
    std::string shortPacket = src.packets[0].substr(0, 40);
    std::string longPacket = src.packets[1] + std::string(500, '\x7F');
    ASSERT_TRUE(h.Packet(shortPacket));
    ASSERT_TRUE(h.Packet(longPacket));
    ASSERT_TRUE(h.Packet(src.packets[2]));
    h.Finish();
    std::string out = testsupport::ReadFile(path);
    AsfFields f = ReadFields(out);
    ASSERT_EQ(out.size(), src.header.size() + 3 * src.packetSize + 62);
    EXPECT_EQ(Packets(out, f, 0), shortPacket + std::string(src.packetSize - 40, '\0'));
    EXPECT_EQ(Packets(out, f, 1), src.packets[1]);
    EXPECT_EQ(Packets(out, f, 2), src.packets[2]);
    EXPECT_TRUE(f.endsWithIndex);
}

TEST(AsfOutputWriter, RefusesPacketSizesItCannotWrite)
{
    const AsfParts& src = Sample();
    TempDir dir;
    std::string header = src.header;
    size_t fp = FilePropertiesAt(header);
    for (auto [minSize, maxSize] : {std::pair{3200u, 3300u}, std::pair{0xFFFFu, 0xFFFFu}}) {
        Put32(header, fp + 92, minSize);
        Put32(header, fp + 96, maxSize);
        Harness h;
        std::string path = dir.File("ns.asf");
        h.Begin(path);
        EXPECT_FALSE(h.Header(header));
        EXPECT_EQ(h.hooks.errors, std::vector<std::string>{"not supported"});
        EXPECT_FALSE(h.Packet(src.packets[0]));  // no header, no data
        h.Finish();
        EXPECT_EQ(testsupport::FileSize(path), 0u);
        EXPECT_EQ(h.writer->BytesWritten(), 0u);
    }
}

TEST(AsfOutputWriter, ProbeCountsTheHeaderAndEndsAtTheFirstPacket)
{
    const AsfParts& src = Sample();
    AppSettings settings;
    RecordingHooks hooks;
    std::atomic<bool> stop{false};
    AsfOutputWriter w(settings, &hooks, stop);
    w.Begin(nullptr, "mms://h/a", 0);
    ASSERT_TRUE(w.WriteHeaderPacket(reinterpret_cast<const uint8_t*>(src.header.data()),
                                    src.header.size()));
    std::string p = src.packets[0];
    EXPECT_FALSE(w.WriteDataPacket(reinterpret_cast<uint8_t*>(p.data()), p.size()));
    EXPECT_EQ(w.BytesWritten(), src.header.size());
    w.Finalise();  // nothing to finalise without a file
}

TEST(AsfOutputWriter, DataBeforeTheHeaderIsRefusedAndALateHeaderIsNotWritten)
{
    const AsfParts& src = Sample();
    TempDir dir;
    Harness h;
    std::string path = dir.File("order.asf");
    h.Begin(path);
    EXPECT_FALSE(h.Packet(src.packets[0]));
    ASSERT_TRUE(h.Header(src.header));
    ASSERT_TRUE(h.Packet(src.packets[0]));
    EXPECT_TRUE(h.Header(src.header));  // a second header mid-stream
    ASSERT_TRUE(h.Packet(src.packets[1]));
    h.Finish();
    EXPECT_EQ(testsupport::FileSize(path), src.header.size() + 2 * src.packetSize + 62);
}

TEST(AsfOutputWriter, LimitsAndStopEndTheRecordingAfterThePacket)
{
    const AsfParts& src = Sample();
    TempDir dir;
    // Time: the first packet at or past 1 s ends it.
    {
        Harness h;
        h.settings.m_timePolicy = 1;
        h.settings.m_maxTime = 1;
        h.Begin(dir.File("t.asf"));
        ASSERT_TRUE(h.Header(src.header));
        size_t written = 0;
        for (const std::string& p : src.packets) {
            ++written;
            if (!h.Packet(p))
                break;
        }
        EXPECT_TRUE(h.writer->LimitReached());
        EXPECT_GE(SendTime(src.packets[written - 1], src.packetSize), 1000u);
        EXPECT_LT(SendTime(src.packets[written - 2], src.packetSize), 1000u);
        EXPECT_EQ(h.writer->PacketsWritten(), written);
        h.Finish();
        std::string diagnostics;
        EXPECT_TRUE(testsupport::DecodesCleanly(dir.File("t.asf"), &diagnostics)) << diagnostics;
    }
    // Size: ends with the packet that reaches 1 MB.
    {
        Harness h;
        h.settings.m_sizePolicy = 1;
        h.settings.m_maxSize = 1;
        h.Begin(dir.File("s.asf"));
        ASSERT_TRUE(h.Header(src.header));
        uint64_t total = src.header.size();
        for (;;) {
            total += src.packetSize;
            bool more = h.Packet(src.packets[0]);
            ASSERT_EQ(more, total < 1048576) << total;
            if (!more)
                break;
        }
        EXPECT_TRUE(h.writer->LimitReached());
        EXPECT_EQ(h.writer->TotalBytes(), total);
    }
    // Stop: the packet in hand is kept, then the recording ends.
    {
        Harness h;
        h.Begin(dir.File("stop.asf"));
        ASSERT_TRUE(h.Header(src.header));
        ASSERT_TRUE(h.Packet(src.packets[0]));
        h.stop = true;
        EXPECT_FALSE(h.Packet(src.packets[1]));
        EXPECT_FALSE(h.writer->LimitReached());
        h.Finish();
        EXPECT_EQ(testsupport::FileSize(dir.File("stop.asf")),
                  src.header.size() + 2 * src.packetSize + 62);
    }
}

TEST(AsfOutputWriter, FailedWriteEndsTheRecording)
{
    const AsfParts& src = Sample();
    Harness h;
    h.Begin("/dev/full");
    ASSERT_TRUE(h.Header(src.header));  // still in the file's buffer
    size_t accepted = 0;
    while (accepted < 1000 && h.Packet(src.packets[accepted % src.packets.size()]))
        ++accepted;
    EXPECT_LT(accepted, 1000u);
    // Nothing that failed to reach the device is counted.
    EXPECT_LT(h.writer->TotalBytes(), src.header.size() + 2 * src.packetSize);
    h.Finish();
}

TEST(AsfOutputWriter, ProgressIsTheShareOfTheDuration)
{
    // A 60-second stream reports half way at 30 s; a long one does not wrap.
    const AsfParts& src = Sample();
    TempDir dir;
    for (uint32_t seconds : {60u, 4 * 3600u}) {
        std::string header = src.header;
        size_t fp = FilePropertiesAt(header);
        uint32_t preroll = Get32(header, fp + 80);
        Put64(header, fp + 64, (uint64_t{seconds} * 1000 + preroll) * 10000);
        Harness h;
        h.Begin(dir.File("p.asf"));
        ASSERT_TRUE(h.Header(header));
        EXPECT_EQ(h.hooks.headerDurations.back(), seconds * 1000);
        std::string p = src.packets[0];
        PacketTimes t;
        ASSERT_TRUE(FindPacketTimes(p, src.packetSize, &t));
        Put32(p, t.sendTimeAt, seconds * 500);
        ASSERT_TRUE(h.Packet(p));
        ASSERT_EQ(h.hooks.progress.size(), 1u);
        EXPECT_EQ(h.hooks.progress[0].progress, 5000u);
        EXPECT_EQ(h.hooks.progress[0].time, seconds * 500);
    }
}

TEST(AsfOutputWriter, FirstSendTimeIsTheFirstNonZeroOne)
{
    const AsfParts& src = Sample();
    std::string header = MakeLiveHeader(src.header);
    TempDir dir;
    Harness h;
    h.Begin(dir.File("z.asf"));
    ASSERT_TRUE(h.Header(header));
    // A packet at 0, then 7000, then one behind it: times 0, 0, 0 and then
    // 500; nothing wraps below the first time.
    PacketTimes t;
    ASSERT_TRUE(FindPacketTimes(src.packets[1], src.packetSize, &t));
    for (uint32_t send : {0u, 7000u, 6000u, 7500u}) {
        std::string p = src.packets[1];
        Put32(p, t.sendTimeAt, send);
        ASSERT_TRUE(h.Packet(p));
    }
    ASSERT_EQ(h.hooks.progress.size(), 4u);
    EXPECT_EQ(h.hooks.progress[0].time, 0u);
    EXPECT_EQ(h.hooks.progress[1].time, 0u);
    EXPECT_EQ(h.hooks.progress[2].time, 0u);
    EXPECT_EQ(h.hooks.progress[3].time, 500u);
    EXPECT_EQ(h.writer->HighestSendTime(), 500u);
}

TEST(AsfOutputWriter, AlwaysRulePatchesOnDemandRecordings)
{
    const AsfParts& src = Sample();
    TempDir dir;
    Harness h;
    std::string path = dir.File("rtsp.asf");
    h.Begin(path);
    ASSERT_TRUE(h.Header(src.header));
    for (size_t i = 0; i < 10; ++i)
        ASSERT_TRUE(h.Packet(src.packets[i]));
    h.Finish(AsfOutputWriter::PatchRule::Always);
    AsfFields f = ReadFields(testsupport::ReadFile(path));
    EXPECT_EQ(f.packetCount, 10u);
    EXPECT_EQ(f.dataPackets, 10u);
    uint32_t highest = SendTime(src.packets[9], src.packetSize);
    EXPECT_EQ(f.playDuration, (uint64_t{highest} + f.preroll) * 10000);
    std::string diagnostics;
    EXPECT_TRUE(testsupport::DecodesCleanly(path, &diagnostics)) << diagnostics;
}

TEST(AsfPacket, SendTimeOffsetFollowsTheLengthTypeFlags)
{
    struct Case {
        uint8_t flags;
        int offset;
    };
    for (Case c : {Case{0x00, 5}, Case{0x01, 5}, Case{0x08, 6}, Case{0x09, 6}, Case{0x10, 7},
                   Case{0x11, 7}, Case{0x40, 7}, Case{0x41, 7}, Case{0x48, 8}, Case{0x49, 8},
                   Case{0x50, 9}, Case{0x51, 9}, Case{0x20, 6}, Case{0x80, -1}}) {
        uint8_t p[32] = {0x82, 0x00, 0x00, c.flags, 0x5D};
        EXPECT_EQ(asfout::SendTimeOffset(p, sizeof(p)), c.offset) << int(c.flags);
    }
    uint8_t shortPacket[6] = {0x82, 0x00, 0x00, 0x00, 0x5D, 0x00};
    EXPECT_EQ(asfout::SendTimeOffset(shortPacket, sizeof(shortPacket)), -1);
}

TEST(AsfPacket, RebaseUndoesAShiftAndSurvivesEveryCut)
{
    const AsfParts& src = Sample();
    for (const std::string& original : src.packets) {
        std::string shifted = ShiftTimes(original, src.packetSize, 123456);
        std::string p = WithoutPadding(shifted);
        EXPECT_EQ(asfout::RebasePacketTimes(reinterpret_cast<uint8_t*>(p.data()), p.size(), 123456,
                                            src.packetSize),
                  0);
        EXPECT_EQ(p, WithoutPadding(original));
    }
    // Truncated and damaged packets: no read or write outside the bytes given.
    const std::string& sample = src.packets[3];
    for (size_t n = 0; n <= 64; ++n) {
        std::vector<uint8_t> cut(sample.begin(), sample.begin() + static_cast<long>(n));
        asfout::RebasePacketTimes(cut.data(), cut.size(), 1, src.packetSize);
        asfout::SendTimeOffset(cut.data(), cut.size());
    }
    std::vector<uint8_t> wild(sample.begin(), sample.end());
    for (size_t i = 3; i < 40; ++i) {
        std::vector<uint8_t> p = wild;
        p[i] = 0xFF;
        asfout::RebasePacketTimes(p.data(), p.size(), 1, src.packetSize);
    }
}

TEST(AsfPacket, FindsFilePropertiesEvenAtTheVeryEnd)
{
    const AsfParts& src = Sample();
    size_t fp = FilePropertiesAt(src.header);
    const auto* h = reinterpret_cast<const uint8_t*>(src.header.data());
    EXPECT_EQ(asfout::FindFilePropertiesObject(h, src.header.size()), static_cast<int>(fp));
    EXPECT_EQ(asfout::FindFilePropertiesObject(h + fp, 16), 0);
    EXPECT_EQ(asfout::FindFilePropertiesObject(h + fp, 15), -1);
    EXPECT_EQ(asfout::FindFilePropertiesObject(h, fp), -1);
}

}  // namespace
