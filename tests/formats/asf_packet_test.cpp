// The data-packet walker and the streamed-header check on the samples' own
// packets and on damaged copies.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "asf_stream.h"
#include "formats/asf_packet.h"
#include "formats/asf_stream_header.h"

namespace {

using namespace asfstream;
using Bytes = std::vector<uint8_t>;

const uint8_t* Data(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

asf::PacketLayout Walk(const uint8_t* p, size_t size, uint32_t packetSize)
{
    asf::PacketLayout layout;
    EXPECT_TRUE(asf::WalkDataPacket(p, size, packetSize, &layout));
    return layout;
}

TEST(AsfPacket, WalkFindsEveryTimeFieldAndTheSendTimeByTheFlags)
{
    for (const std::string& file : {Sample(), SmallSample()}) {
        const Parts& src = Split(file);
        for (const std::string& p : src.packets) {
            const asf::PacketLayout layout = Walk(Data(p), p.size(), src.packetSize);
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
    ASSERT_EQ(ParseStreamHeader(Data(src.header), src.header.size(), &h), AsfHeaderCheck::Ok);
    EXPECT_EQ(h.filePropertiesAt, src.fileProps);
    EXPECT_EQ(h.dataObjectAt, src.header.size() - 50);
    EXPECT_EQ(h.packetSize, src.packetSize);
    EXPECT_EQ(h.declaredPackets, src.packets.size());
    EXPECT_EQ(h.durationMs, Get64(src.header, src.fileProps + 64) / 10000 - Get32(src.header, src.fileProps + 80));
    for (auto [play, preroll, ms] : {std::tuple<uint64_t, uint64_t, uint32_t>{0, 3000, 0}, {30020000, 3000, 2},
                                     {~uint64_t{0}, 0, UINT32_MAX}})
        EXPECT_EQ(StreamDurationMs(play, preroll), ms) << play;
}

// Dropping payloads keeps the others byte for byte and the packet whole;
// what was freed is padding, and zeros.
TEST(AsfPacket, DroppedPayloadsLeaveTheOthersAndGrowThePadding)
{
    const Parts& src = Split(Sample());
    const uint32_t size = src.packetSize;
    // Stream, object number, presentation time and data of each payload.
    auto payloads = [&](const Bytes& p, const asf::PacketLayout& l, size_t skip) {
        std::vector<std::tuple<int, uint32_t, uint32_t, Bytes>> out;
        for (size_t i = 0; i < l.payloadCount; ++i) {
            const auto& x = l.payloads[i];
            if (i != skip)
                out.emplace_back(x.streamNumber, x.mediaObjectNumber, x.presentationTime,
                                 Bytes(p.begin() + long(x.dataAt), p.begin() + long(x.dataAt + x.dataLength)));
        }
        return out;
    };
    size_t tried = 0;
    for (const std::string& s : src.packets) {
        Bytes p(s.begin(), s.end());
        const size_t count = Walk(p.data(), p.size(), size).payloadCount;
        if (count < 3)
            continue;
        ++tried;
        // The first payload, then (the packet now has a padding field) the last.
        for (size_t victim : {size_t(0), count - 2}) {
            const asf::PacketLayout old = Walk(p.data(), p.size(), size);
            const Bytes original = p;
            ASSERT_TRUE(asf::DropPayloads(p.data(), p.size(), size, [&](size_t i, const auto&) { return i == victim; }));
            const asf::PacketLayout now = Walk(p.data(), p.size(), size);
            EXPECT_EQ(payloads(p, now, SIZE_MAX), payloads(original, old, victim));
            EXPECT_TRUE(now.whole && now.sendTime == old.sendTime && now.packetLength == old.packetLength);
            EXPECT_EQ(now.payloadsEnd + now.padding, old.payloadsEnd + old.padding);
            EXPECT_EQ(Bytes(p.begin() + long(now.payloadsEnd), p.begin() + long(old.payloadsEnd)),
                      Bytes(old.payloadsEnd - now.payloadsEnd, 0));
        }
        // Keeping everything changes nothing; dropping everything, or from a
        // packet whose payloads are not all there, is refused.
        const Bytes kept = p;
        EXPECT_TRUE(asf::DropPayloads(p.data(), p.size(), size, [](size_t, const auto&) { return false; }));
        EXPECT_FALSE(asf::DropPayloads(p.data(), p.size(), size, [](size_t, const auto&) { return true; }));
        const size_t present = Walk(p.data(), p.size(), size).payloadsEnd - 1;
        EXPECT_FALSE(asf::DropPayloads(p.data(), present, size, [](size_t i, const auto&) { return i == 0; }));
        EXPECT_EQ(p, kept);
    }
    EXPECT_GT(tried, 10u);
}

}  // namespace
