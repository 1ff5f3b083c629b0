// brimcast-cli info FILE...: the ASF file information of each file.
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <string>

#include "cli/command.h"
#include "cli/terminal_text.h"
#include "formats/asf_file_info.h"
#include "formats/printf.h"

namespace {

// "Label:  text", further lines of the text indented under the first.
// Texts come from the file: each line of one is shown with its control
// characters escaped.
void PrintField(const char* label, const std::string& text)
{
    std::string_view rest = text;
    // A codec without a description ends in its separator.
    while (!rest.empty() && rest.back() == '\n')
        rest.remove_suffix(1);
    std::string body;
    for (size_t end; (end = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(end + 1))
        body += TerminalText(rest.substr(0, end)) + "\n" + std::string(16, ' ');
    body += TerminalText(rest);
    std::printf("%-15s %s\n", (std::string(label) + ":").c_str(), body.c_str());
}

std::string FileTimeText(uint64_t fileTime)
{
    constexpr uint64_t kUnixEpoch = 116444736000000000ull;  // 1970-01-01 in 100 ns since 1601
    if (fileTime == 0)
        return "none";
    int64_t seconds = fileTime >= kUnixEpoch ? static_cast<int64_t>((fileTime - kUnixEpoch) / 10000000)
                                             : -static_cast<int64_t>((kUnixEpoch - fileTime) / 10000000);
    time_t t = static_cast<time_t>(seconds);
    struct tm tm;
    char text[64];
    if (!gmtime_r(&t, &tm) || std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S UTC", &tm) == 0)
        return Printf("%" PRIu64, fileTime);
    return text;
}

std::string HundredNanosText(uint64_t value)
{
    return Printf("%" PRIu64 ".%03" PRIu64 " s (%" PRIu64 ")", value / 10000000, value / 10000 % 1000, value);
}

std::string FourCc(uint32_t v)
{
    std::string s;
    for (int i = 0; i < 4; ++i) {
        char c = static_cast<char>(v >> (8 * i));
        s += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return s;
}

void PrintInfo(const AsfFileInfo& info)
{
    static const char* const kLabels[] = {"Title",     "Author",      "Copyright",   "Description",
                                          "Size - time", "Bit rate",  "Video",       "Audio",
                                          "Video codec", "Audio codec", "Path"};
    std::vector<std::string> lines = FileInformationLines(info);
    for (size_t i = 0; i < lines.size() && i < std::size(kLabels); ++i)
        PrintField(kLabels[i], lines[i]);

    const AsfFileProperties& p = info.FileProperties();
    std::printf("\nFile properties\n");
    std::printf("  File ID:         %s\n", GuidText(p.fileId).c_str());
    std::printf("  File size:       %" PRIu64 " (on disk %" PRIu64 ")\n", p.fileSize, info.FileSize());
    std::printf("  Creation date:   %s\n", FileTimeText(p.creationDate).c_str());
    std::printf("  Data packets:    %" PRIu64 "\n", p.dataPacketsCount);
    std::printf("  Play duration:   %s\n", HundredNanosText(p.playDuration).c_str());
    std::printf("  Send duration:   %s\n", HundredNanosText(p.sendDuration).c_str());
    std::printf("  Preroll:         %" PRIu64 " ms\n", p.preroll);
    std::printf("  Flags:           0x%X%s%s\n", p.flags, (p.flags & 1) ? " broadcast" : "",
                (p.flags & 2) ? " seekable" : "");
    std::printf("  Packet size:     %u min, %u max\n", p.minDataPacketSize, p.maxDataPacketSize);
    std::printf("  Max bit rate:    %u bit/s\n", p.maxBitrate);
    // A broadcast that was never finished has no play duration: its
    // duration is not known (the preroll alone would make it negative).
    if (p.playDuration == 0 || info.DurationSeconds() < 0)
        std::printf("  Duration:        unknown\n");
    else
        std::printf("  Duration:        %" PRId64 " s\n", info.DurationSeconds());

    std::printf("\nStreams\n");
    if (info.Streams().empty())
        std::printf("  (none)\n");
    for (const AsfStreamRecord& s : info.Streams()) {
        if (s.type == asf::kAudioMedia) {
            std::printf("  #%d audio: format 0x%04X, %u channels, %u Hz, %u bits, %u bytes/s, block %u\n",
                        s.number, s.audio.formatTag, s.audio.channels, s.audio.samplesPerSecond,
                        s.audio.bitsPerSample, s.audio.averageBytesPerSecond, s.audio.blockAlignment);
        } else if (s.type == asf::kVideoMedia) {
            std::printf("  #%d video: %d x %d, %u bits, compression %s\n", s.number, s.video.width,
                        s.video.height, s.video.bitsPerPixel, FourCc(s.video.compression).c_str());
        } else {
            std::printf("  #%d other: %s\n", s.number, AsfObjectName(s.type).c_str());
        }
    }

    std::printf("\nCodecs\n");
    if (info.VideoCodecs().empty() && info.AudioCodecs().empty())
        std::printf("  (none)\n");
    for (const std::string& c : info.VideoCodecs())
        PrintField("  video", c);
    for (const std::string& c : info.AudioCodecs())
        PrintField("  audio", c);

    std::printf("\nObjects\n  %12s %12s  %s\n", "offset", "size", "name");
    for (const AsfObjectRecord& r : info.Objects()) {
        std::printf("  %12" PRIu64 " %12" PRIu64 "  %s\n", r.offset, r.size, AsfObjectName(r.guid).c_str());
    }
}

int RunInfo(const CliContext& context);

const CliCommand kInfo = {
    "info",
    "info FILE...",
    "shows the ASF file information: texts, properties, streams, codecs and objects",
    RunInfo,
};

int RunInfo(const CliContext& context)
{
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const std::string& a : context.args) {
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            return CliUsageError(kInfo, "info: unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (files.empty())
        return CliUsageError(kInfo, "info: no file given");

    int status = kExitOk;
    bool first = true;
    for (const std::string& file : files) {
        AsfFileInfo info;
        bool parsed = info.Parse(file);
        if (parsed) {
            std::printf(first ? "" : "\n");
            first = false;
            PrintInfo(info);
        }
        std::fflush(stdout);
        if (!parsed || info.Status().end != AsfWalkEnd::Complete) {
            CliError(file + ": " + info.Status().Text());
            status = kExitFailed;
        }
    }
    return status;
}

CommandRegistrar registrar(kInfo);

}  // namespace
