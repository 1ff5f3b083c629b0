#include "protocols/asf_recording.h"

#include <algorithm>

#include "formats/asf_file_info.h"
#include "formats/asf_stream_header.h"

namespace asfrecording {

AsfFileWriter::Options WriterOptions(const AppSettings& settings, AsfFileWriter::Patch patch,
                                     bool alwaysRetimeLive)
{
    AsfFileWriter::Options options;
    options.patch = patch;
    options.retime = alwaysRetimeLive || settings.m_liveContentSaveTimeInfo ? AsfFileWriter::Retime::Live
                                                                           : AsfFileWriter::Retime::None;
    // A negative limit is reached at once, as the first packet's 0 reaches 0.
    if (settings.m_timePolicy)
        options.maxSeconds = static_cast<uint32_t>(std::max(settings.m_maxTime, 0));
    if (settings.m_sizePolicy)
        options.maxMegabytes = static_cast<uint64_t>(std::max(settings.m_maxSize, 0));
    return options;
}

StreamEnd HowItEnded(const AsfFileWriter& writer, bool stopped, bool serverEnded)
{
    if (writer.LimitReached())
        return StreamEnd::LimitReached;
    if (stopped)
        return StreamEnd::Stopped;
    if (!writer.Live()) {
        if (writer.HoldsWholeStream())
            return StreamEnd::EndOfStream;
        return serverEnded ? StreamEnd::Incomplete : StreamEnd::Interrupted;
    }
    return serverEnded ? StreamEnd::EndOfStream : StreamEnd::ConnectionLost;
}

StreamInfo HeaderStreamInfo(const uint8_t* header, size_t length)
{
    StreamInfo info;
    AsfFileInfo file;
    if (!file.ParseBuffer(header, length) || file.FindObject(asf::kFileProperties) < 0)
        return info;
    const AsfFileProperties& p = file.FileProperties();
    const bool live = p.playDuration == 0 || (p.flags & AsfFileProperties::kBroadcastFlag);
    info.delivery = live ? StreamDelivery::Live : StreamDelivery::OnDemand;
    info.durationMs = live ? 0 : StreamDurationMs(p.playDuration, p.preroll);
    info.bitrate = p.maxBitrate;
    info.title = file.Title();
    for (char& c : info.title) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    }
    return info;
}

}  // namespace asfrecording
