// The texts of the file information view.
#include <cinttypes>

#include "base/display_text.h"
#include "formats/asf_file_info.h"
#include "formats/printf.h"

std::string InfoSizeText(uint64_t bytes)
{
    if (bytes < 1024)
        return Printf("%" PRIu64 " bytes", bytes);
    if (bytes < 1024ull * 1024)
        return Printf("%.1f KB", static_cast<double>(bytes) / 1024.0);
    if (bytes < 1024ull * 1024 * 1024)
        return Printf("%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return Printf("%.2f GB", static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0));
}

std::string DurationText(int64_t seconds)
{
    // The magnitude as unsigned, so that the most negative value works too.
    uint64_t s = seconds < 0 ? 0 - static_cast<uint64_t>(seconds) : static_cast<uint64_t>(seconds);
    return Printf("%s%" PRIu64 ":%02d:%02d", seconds < 0 ? "-" : "", s / 3600,
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
}

std::vector<std::string> FileInformationLines(const AsfFileInfo& info)
{
    const AsfFileProperties& properties = info.FileProperties();
    const AsfBitmapInfo& video = info.VideoFormat();
    const AsfWaveFormat& audio = info.AudioFormat();
    std::vector<std::string> lines;
    lines.push_back(info.Title());
    lines.push_back(info.Author());
    lines.push_back(info.Copyright());
    lines.push_back(info.Description());
    lines.push_back(Printf("%s - %s", InfoSizeText(info.FileSize()).c_str(),
                           DurationText(info.DurationSeconds()).c_str()));
    lines.push_back(Printf("%dKbps", static_cast<int>(properties.maxBitrate / 1024)));
    lines.push_back(Printf("%d x %d (%d)", video.width, video.height, video.bitsPerPixel));
    lines.push_back(Printf("%d kHz %dbit %s", static_cast<int>(audio.samplesPerSecond / 1000),
                           audio.bitsPerSample, ChannelText(audio.channels)));
    lines.push_back(info.VideoCodecs().empty() ? std::string() : info.VideoCodecs().front());
    lines.push_back(info.AudioCodecs().empty() ? std::string() : info.AudioCodecs().front());
    lines.push_back(info.Path());
    return lines;
}
