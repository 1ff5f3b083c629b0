// The data-packet walker and the streamed-header check on the sample's own
// packets, on every cut and on damaged copies.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "asf_stream.h"
#include "formats/asf_packet.h"
#include "formats/asf_stream_header.h"

namespace {

using namespace asfstream;

TEST(AsfPacket, WalkFindsEveryTimeFieldOfTheSamplePackets)
{
    for (const std::string& file : {Sample(), SmallSample()}) {
        const Parts& src = Split(file);
        for (const std::string& p : src.packets) {
            asf::PacketLayout layout;
            ASSERT_TRUE(asf::WalkDataPacket(reinterpret_cast<const uint8_t*>(p.data()), p.size(), src.packetSize,
                                            &layout));
            // The test's own reading of the packet names the same fields.
            std::vector<size_t> times = {size_t(layout.sendTimeAt)};
            for (size_t i = 0; i < layout.payloadCount; ++i) {
                const auto& payload = layout.payloads[i];
                EXPECT_TRUE(payload.streamNumber == 1 || payload.streamNumber == 2);
                EXPECT_LE(payload.dataAt + payload.dataLength, layout.payloadsEnd);
                if (payload.hasPresentationTime)
                    times.push_back(payload.replicatedAt + 4);
            }
            EXPECT_EQ(times, TimeOffsets(p, src.packetSize));
            EXPECT_EQ(layout.sendTime, SendTime(p, src.packetSize));
            EXPECT_EQ(layout.reached, layout.payloadsEnd);
        }
    }
}

TEST(AsfPacket, TheSendTimeIsFoundByTheFlags)
{
    for (auto [flags, offset] : {std::pair{0x00, 5}, {0x08, 6}, {0x10, 7}, {0x18, 9}, {0x40, 7}, {0x49, 8},
                                 {0x51, 9}, {0x20, 6}, {0x02, 6}, {0x80, -1}}) {
        uint8_t p[32] = {0x82, 0x00, 0x00, static_cast<uint8_t>(flags), 0x5D};
        EXPECT_EQ(asf::SendTimeOffset(p, sizeof(p)), offset) << flags;
    }
}

TEST(AsfStreamHeader, TheSampleHeaderReadsAndTheFieldsFollowTheLayout)
{
    const Parts& src = Split(Sample());
    AsfStreamHeader h;
    ASSERT_EQ(ParseStreamHeader(reinterpret_cast<const uint8_t*>(src.header.data()), src.header.size(), &h),
              AsfHeaderCheck::Ok);
    EXPECT_EQ(h.filePropertiesAt, src.fileProps);
    EXPECT_EQ(h.dataObjectAt, src.header.size() - 50);
    EXPECT_EQ(h.packetSize, src.packetSize);
    EXPECT_EQ(h.declaredPackets, src.packets.size());
    EXPECT_EQ(h.properties.playDuration, Get64(src.header, src.fileProps + 64));
    EXPECT_EQ(h.durationMs, Get64(src.header, src.fileProps + 64) / 10000 - Get32(src.header, src.fileProps + 80));
    EXPECT_FALSE(h.Live());
    EXPECT_EQ(StreamDurationMs(0, 3000), 0u);
    EXPECT_EQ(StreamDurationMs(30000000, 3000), 1u);
    EXPECT_EQ(StreamDurationMs(30010000, 3000), 1u);
    EXPECT_EQ(StreamDurationMs(30020000, 3000), 2u);
    EXPECT_EQ(StreamDurationMs(~uint64_t{0}, 0), UINT32_MAX);
}
// A packet sent again by a server may carry other times and padding: only
// the payloads tell whether it is the same packet.
TEST(AsfPacket, APacketSentAgainIsKnownByItsPayloads)
{
    const Parts& src = Split(Sample());
    const uint32_t size = src.packetSize;
    auto same = [&](const std::string& a, const std::string& b) {
        return asf::SamePayloads(reinterpret_cast<const uint8_t*>(a.data()), reinterpret_cast<const uint8_t*>(b.data()),
                                 size);
    };
    for (size_t i = 0; i + 1 < src.packets.size(); ++i) {
        const std::string& p = src.packets[i];
        std::string again = ShiftTimes(p, size, 250000);
        asf::PacketLayout layout;
        ASSERT_TRUE(asf::WalkDataPacket(reinterpret_cast<const uint8_t*>(p.data()), p.size(), size, &layout));
        for (size_t at = layout.payloadsEnd; at < layout.packetLength; ++at)
            again[at] = '\x5A';
        EXPECT_TRUE(same(p, again)) << i;
        EXPECT_FALSE(same(p, src.packets[i + 1])) << i;
        const auto& last = layout.payloads[layout.payloadCount - 1];
        std::string damaged = p;
        damaged[last.dataAt + last.dataLength / 2] ^= 1;
        EXPECT_FALSE(same(p, damaged)) << i;
    }
}

}  // namespace

namespace {

// Dropping payloads keeps the others byte for byte and the packet whole.
TEST(AsfPacket, DroppedPayloadsLeaveTheOthersAndGrowThePadding)
{
    const Parts& src = Split(Sample());
    auto walk = [&](const std::vector<uint8_t>& p) {
        asf::PacketLayout l;
        EXPECT_TRUE(asf::WalkDataPacket(p.data(), p.size(), src.packetSize, &l));
        return l;
    };
    auto data = [](const std::vector<uint8_t>& p, const asf::PacketLayout::Payload& x) {
        return std::vector<uint8_t>(p.begin() + long(x.dataAt), p.begin() + long(x.dataAt + x.dataLength));
    };
    size_t tried = 0;
    for (const std::string& s : src.packets) {
        std::vector<uint8_t> p(s.begin(), s.end());
        const asf::PacketLayout before = walk(p);
        if (before.payloadCount < 3)
            continue;
        ++tried;
        // Drop the first payload, then (the packet now has a padding field)
        // the last one.
        for (size_t victim : {size_t(0), before.payloadCount - 2}) {
            const asf::PacketLayout old = walk(p);
            const std::vector<uint8_t> original = p;
            ASSERT_TRUE(asf::DropPayloads(p.data(), p.size(), src.packetSize,
                                          [&](size_t i, const auto&) { return i == victim; }));
            const asf::PacketLayout now = walk(p);
            ASSERT_EQ(now.payloadCount, old.payloadCount - 1);
            EXPECT_EQ(now.sendTime, old.sendTime);
            EXPECT_TRUE(now.whole);
            EXPECT_EQ(now.packetLength, old.packetLength);
            for (size_t i = 0, j = 0; i < old.payloadCount; ++i) {
                if (i == victim)
                    continue;
                const auto& a = old.payloads[i];
                const auto& b = now.payloads[j++];
                EXPECT_EQ(b.streamNumber, a.streamNumber);
                EXPECT_EQ(b.mediaObjectNumber, a.mediaObjectNumber);
                EXPECT_EQ(b.presentationTime, a.presentationTime);
                EXPECT_EQ(data(p, b), data(original, a));
            }
            // What was freed is padding, and zeros.
            EXPECT_EQ(now.payloadsEnd + now.padding, old.payloadsEnd + old.padding);
            for (size_t i = now.payloadsEnd; i < old.payloadsEnd; ++i)
                ASSERT_EQ(p[i], 0) << i;
        }
        // Keeping everything changes nothing; dropping everything is refused.
        const std::vector<uint8_t> kept = p;
        EXPECT_TRUE(asf::DropPayloads(p.data(), p.size(), src.packetSize, [](size_t, const auto&) { return false; }));
        EXPECT_FALSE(asf::DropPayloads(p.data(), p.size(), src.packetSize, [](size_t, const auto&) { return true; }));
        EXPECT_EQ(p, kept);
        // A packet whose payloads are not all there is left alone.
        const size_t present = walk(p).payloadsEnd - 1;
        EXPECT_FALSE(asf::DropPayloads(p.data(), present, src.packetSize, [](size_t i, const auto&) { return i == 0; }));
        EXPECT_EQ(p, kept);
    }
    EXPECT_GT(tried, 10u);
}

}  // namespace
