#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "asf_stream.h"
#include "formats/asf_guids.h"
#include "protocols/asfout/asf_output_writer.h"
#include "protocols/asfout/asf_packet.h"
#include "stream_recorder.h"
#include "test_support.h"

namespace {

using namespace asfstream;

// One writer recording into a file of its own (or into `to`).
struct Harness {
    AppSettings settings;
    RecordingHooks hooks;
    std::atomic<bool> stop{false};
    AsfOutputWriter writer{settings, &hooks, stop};
    testsupport::TempDir dir;
    std::string path = dir.File("out.asf");
    FILE* file = nullptr;

    explicit Harness(const char* to = nullptr) : file(std::fopen(to ? to : path.c_str(), "wb"))
    {
        writer.Begin(file, "mms://host/x.asf", 0);
    }
    ~Harness() { Finish(); }
    bool Header(const std::string& h, size_t piece = SIZE_MAX)
    {
        bool taken = true;
        for (size_t at = 0; at < h.size() && taken; at += piece)
            taken = writer.WriteHeaderPacket(reinterpret_cast<const uint8_t*>(h.data() + at),
                                             std::min(piece, h.size() - at));
        return taken;
    }
    bool Packet(std::string p)
    {
        return writer.WriteDataPacket(reinterpret_cast<uint8_t*>(p.data()), p.size());
    }
    void Finish()
    {
        if (file) {
            writer.Finalise();
            std::fclose(file);
            file = nullptr;
        }
    }
};

TEST(AsfOutputWriter, StreamedFileComesOutWholeIndexedAndDecodable)
{
    const Parts& src = Split(Sample());
    const uint32_t last = SendTime(src.packets.back(), src.packetSize);
    const uint32_t duration =
        Get64(src.header, src.fileProps + 64) / 10000 - Get32(src.header, src.fileProps + 80);
    // The header whole and in pieces; packets without their padding; a
    // broadcast's times moved back to 0 and its counts and durations filled in.
    for (auto [piece, live] : {std::pair{SIZE_MAX, false}, {7, false}, {300, false}, {SIZE_MAX, true}}) {
        SCOPED_TRACE(testing::Message() << piece << (live ? " live" : ""));
        const Parts& sent = Split(live ? LiveSample() : Sample());
        Harness h;
        ASSERT_TRUE(h.Header(sent.header, piece));
        for (const std::string& p : sent.packets)
            ASSERT_TRUE(h.Packet(p.substr(0, std::max<size_t>(1, p.find_last_not_of('\0') + 1))));
        h.Finish();
        EXPECT_TRUE(h.hooks.errors.empty());
        EXPECT_TRUE(IsRecordingOf(h.path, src, src.packets.size(), live));
        EXPECT_EQ(h.writer.BytesWritten(), testsupport::FileSize(h.path) - 62);
        ASSERT_EQ(h.hooks.progressLog.size(), src.packets.size());
        EXPECT_EQ(h.hooks.progressLog.back().bytes, h.writer.BytesWritten());
        EXPECT_EQ(h.hooks.progressLog.back().time, last);
        EXPECT_EQ(h.hooks.durations.back(), live ? 0 : duration);
        EXPECT_EQ(h.hooks.progressLog.back().share, live ? 0 : last * 10000ull / duration);
        if (piece == SIZE_MAX) {
            EXPECT_TRUE(Decodes(h.path, live ? 2.0 : 0));  // and seekable
            EXPECT_NEAR(testsupport::ProbeDuration(h.path), (live ? last : duration) / 1000.0, 0.05);
        }
    }
}

TEST(AsfOutputWriter, PacketsArePaddedOrCutToThePacketSize)
{
    const Parts& src = Split(Sample());
    Harness h;
    ASSERT_TRUE(h.Header(src.header));
    ASSERT_TRUE(h.Packet(src.packets[0].substr(0, 40)));
    ASSERT_TRUE(h.Packet(src.packets[1] + std::string(500, '\x7F')));
    h.Finish();
    const std::string out = testsupport::ReadFile(h.path);
    EXPECT_EQ(PacketOf(out, src, 0), src.packets[0].substr(0, 40) + std::string(src.packetSize - 40, '\0'));
    EXPECT_EQ(PacketOf(out, src, 1), src.packets[1]);
    EXPECT_EQ(out.size(), src.header.size() + 2 * src.packetSize + 62);
}

TEST(AsfOutputWriter, RefusesWhatItCannotWrite)
{
    const Parts& src = Split(Sample());
    for (auto [minSize, maxSize] : {std::pair{3200u, 3300u}, {0xFFFFu, 0xFFFFu}}) {
        std::string header = src.header;
        Put32(header, src.fileProps + 92, minSize);
        Put32(header, src.fileProps + 96, maxSize);
        Harness h;
        EXPECT_FALSE(h.Header(header));
        EXPECT_EQ(h.hooks.errors, std::vector<std::string>{"not supported"});
        EXPECT_FALSE(h.Packet(src.packets[0]));
        h.Finish();
        EXPECT_EQ(testsupport::FileSize(h.path), 0u);
    }
    Harness h;  // data before the header is refused; a second header is not written
    EXPECT_FALSE(h.Packet(src.packets[0]));
    ASSERT_TRUE(h.Header(src.header));
    ASSERT_TRUE(h.Packet(src.packets[0]));
    EXPECT_TRUE(h.Header(src.header));
    ASSERT_TRUE(h.Packet(src.packets[1]));
    h.Finish();
    EXPECT_TRUE(IsRecordingOf(h.path, src, 2, false));
}

TEST(AsfOutputWriter, SizeLimitStopAndFailedWritesEndTheRecording)
{
    const Parts& src = Split(Sample());
    Harness limited;  // ends with the packet that reaches 1 MB
    limited.settings.m_sizePolicy = 1;
    limited.settings.m_maxSize = 1;
    ASSERT_TRUE(limited.Header(src.header));
    int accepted = 0;
    while (accepted < 1000 && limited.Packet(src.packets[0]))
        ++accepted;
    EXPECT_TRUE(limited.writer.LimitReached());
    EXPECT_EQ(accepted, (1048576 - src.header.size() - 1) / src.packetSize);

    Harness stopped;  // a stop keeps the packet in hand
    ASSERT_TRUE(stopped.Header(src.header));
    stopped.stop = true;
    EXPECT_FALSE(stopped.Packet(src.packets[0]));
    EXPECT_FALSE(stopped.writer.LimitReached());
    stopped.Finish();
    EXPECT_TRUE(IsRecordingOf(stopped.path, src, 1, false));

    Harness full("/dev/full");  // what failed to reach the device is not counted
    ASSERT_TRUE(full.Header(src.header));
    accepted = 0;
    while (accepted < 1000 && full.Packet(src.packets[accepted % src.packets.size()]))
        ++accepted;
    EXPECT_LT(accepted, 1000);
    EXPECT_LT(full.writer.TotalBytes(), src.header.size() + 2 * src.packetSize);
}

TEST(AsfOutputWriter, ProgressAndTimesFollowTheSendTimes)
{
    const Parts& src = Split(Sample());
    auto at = [&](uint32_t send) {
        std::string p = src.packets[1];
        Put32(p, TimeOffsets(p, src.packetSize)[0], send);
        return p;
    };
    // Half of a 60-second stream is 5000; a four-hour one does not wrap.
    for (uint32_t seconds : {60u, 4 * 3600u}) {
        std::string header = src.header;
        const uint64_t preroll = Get32(header, src.fileProps + 80);
        Put64(header, src.fileProps + 64, (seconds * 1000ull + preroll) * 10000);
        Harness h;
        ASSERT_TRUE(h.Header(header));
        EXPECT_EQ(h.hooks.durations.back(), seconds * 1000);
        ASSERT_TRUE(h.Packet(at(seconds * 500)));
        EXPECT_EQ(h.hooks.progressLog.at(0).share, 5000u);
        EXPECT_EQ(h.hooks.progressLog.at(0).time, seconds * 500);
    }
    // Live times count from the first non-zero send time; none goes below it.
    Harness h;
    ASSERT_TRUE(h.Header(Split(LiveSample()).header));
    std::vector<uint32_t> times;
    for (uint32_t send : {0u, 7000u, 6000u, 7500u}) {
        ASSERT_TRUE(h.Packet(at(send)));
        times.push_back(h.hooks.progressLog.back().time);
    }
    EXPECT_EQ(times, (std::vector<uint32_t>{0, 0, 0, 500}));
}

TEST(AsfPacket, TimesAreFoundByTheFlagsAndNothingIsTouchedPastTheEnd)
{
    for (auto [flags, offset] : {std::pair{0x00, 5}, {0x08, 6}, {0x10, 7}, {0x18, 9}, {0x40, 7}, {0x49, 8},
                                 {0x51, 9}, {0x20, 6}, {0x02, 6}, {0x80, -1}}) {
        uint8_t p[32] = {0x82, 0x00, 0x00, static_cast<uint8_t>(flags), 0x5D};
        EXPECT_EQ(asfout::SendTimeOffset(p, sizeof(p)), offset) << flags;
    }
    const Parts& src = Split(Sample());
    const std::string& sample = src.packets[3];
    for (size_t n = 0; n <= 64; ++n) {  // cut
        std::vector<uint8_t> p(sample.begin(), sample.begin() + static_cast<long>(n));
        asfout::RebasePacketTimes(p.data(), p.size(), 1, src.packetSize);
        const int at = asfout::SendTimeOffset(p.data(), p.size());
        EXPECT_TRUE(at < 0 || size_t(at) + 4 <= n) << n;
    }
    for (size_t i = 3; i < 40; ++i) {  // damaged
        std::vector<uint8_t> p(sample.begin(), sample.end());
        p[i] = 0xFF;
        asfout::RebasePacketTimes(p.data(), p.size(), 1, src.packetSize);
    }
    const auto* h = reinterpret_cast<const uint8_t*>(src.header.data());
    EXPECT_EQ(asfout::FindFilePropertiesObject(h, src.header.size()), int(src.fileProps));
    EXPECT_EQ(asfout::FindFilePropertiesObject(h + src.fileProps, 16), 0);
    EXPECT_EQ(asfout::FindFilePropertiesObject(h + src.fileProps, 15), -1);
}

}  // namespace
