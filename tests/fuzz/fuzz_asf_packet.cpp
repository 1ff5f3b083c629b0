// libFuzzer target: the data-packet walker, packet re-timing and the
// streamed-header check on arbitrary bytes. The first two bytes choose the
// stream's packet size; everything after them is the packet (and header).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/asf_packet.h"
#include "formats/asf_stream_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint32_t packetSize = data[0] | (data[1] << 8);
    std::vector<uint8_t> packet(data + 2, data + size);

    asf::PacketLayout layout;
    const bool whole = asf::WalkDataPacket(packet.data(), packet.size(), packetSize, &layout);
    if (layout.payloadCount > asf::PacketLayout::kMaxPayloads ||
        (layout.sendTimeAt >= 0 && static_cast<size_t>(layout.sendTimeAt) + 4 > packet.size()))
        std::abort();
    for (size_t i = 0; i < layout.payloadCount; ++i) {
        const auto& p = layout.payloads[i];
        if (p.replicatedAt + p.replicatedLength > packet.size())
            std::abort();
    }
    const int at = asf::SendTimeOffset(packet.data(), packet.size());
    if (at >= 0 && (layout.sendTimeAt != at || static_cast<size_t>(at) + 4 > packet.size()))
        std::abort();
    // Re-timing touches only the bytes given, and agrees with the walk.
    if (asf::RebasePacketTimes(packet.data(), packet.size(), 1000, packetSize) != (whole ? 0 : 1) &&
        layout.sendTimeAt >= 0)
        std::abort();

    AsfStreamHeader header;
    if (ParseStreamHeader(data + 2, size - 2, &header) == AsfHeaderCheck::Ok &&
        (header.packetSize == 0 || header.filePropertiesAt + 104 > header.dataObjectAt ||
         header.dataObjectAt + 50 != size - 2))
        std::abort();
    return 0;
}
