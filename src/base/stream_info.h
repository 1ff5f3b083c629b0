#pragma once

#include <cstdint>
#include <string>

// The protocol that answered for an address.
enum class StreamTransport : uint8_t { None, MmsTcp, MmsHttp, Rtsp, Http };

// Whether a stream is a broadcast or a stored file, as far as it is known.
enum class StreamDelivery : uint8_t { Unknown, Live, OnDemand };

// What the URL check learnt of one address: the protocol that answered and
// what its stream's header says. The protocol clients fill the header's part
// (ClientHooks::OnStreamInfo); the check adds the transport.
struct StreamInfo {
    StreamTransport transport = StreamTransport::None;
    StreamDelivery delivery = StreamDelivery::Unknown;
    uint32_t durationMs = 0;  // without the preroll; 0: live or unknown
    uint32_t bitrate = 0;     // bits per second, the header's maximum; 0: unknown
    std::string title;        // UTF-8, from the header's content description

    bool operator==(const StreamInfo&) const = default;
};

// "MMS over TCP", "MMS over HTTP", "RTSP", "HTTP"; "" for None.
const char* TransportName(StreamTransport transport);
// "live", "on demand"; "" when unknown.
const char* DeliveryName(StreamDelivery delivery);
// A rate as "%d kbps" (rounded to the nearest thousand bits), "" for 0.
std::string BitrateText(uint32_t bitsPerSecond);
// One line of everything known, the parts joined with ", ":
// "MMS over HTTP, on demand, 0:04:00, 364 kbps, Harbour Camera". Empty for a
// StreamInfo that holds nothing.
std::string StreamInfoText(const StreamInfo& info);
