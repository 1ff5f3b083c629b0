#include "base/stream_info.h"

#include <cstdio>
#include <vector>

#include "base/display_text.h"

const char* TransportName(StreamTransport transport)
{
    switch (transport) {
    case StreamTransport::MmsTcp: return "MMS over TCP";
    case StreamTransport::MmsHttp: return "MMS over HTTP";
    case StreamTransport::Rtsp: return "RTSP";
    case StreamTransport::Http: return "HTTP";
    case StreamTransport::None: break;
    }
    return "";
}

const char* DeliveryName(StreamDelivery delivery)
{
    switch (delivery) {
    case StreamDelivery::Live: return "live";
    case StreamDelivery::OnDemand: return "on demand";
    case StreamDelivery::Unknown: break;
    }
    return "";
}

std::string BitrateText(uint32_t bitsPerSecond)
{
    if (bitsPerSecond == 0)
        return {};
    char text[32];
    std::snprintf(text, sizeof(text), "%u kbps", static_cast<unsigned>((bitsPerSecond + 500ull) / 1000));
    return text;
}

std::string StreamInfoText(const StreamInfo& info)
{
    std::vector<std::string> parts;
    for (const char* word : {TransportName(info.transport), DeliveryName(info.delivery)}) {
        if (*word)
            parts.emplace_back(word);
    }
    if (info.durationMs > 0)
        parts.push_back(DurationText(info.durationMs));
    if (info.bitrate > 0)
        parts.push_back(BitrateText(info.bitrate));
    if (!info.title.empty())
        parts.push_back(info.title);
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}
