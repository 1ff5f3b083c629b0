#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <set>
#include <unistd.h>

#include "asf_test_builder.h"
#include "formats/asf_file_info.h"
#include "test_support.h"

using namespace asftest;

namespace {

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string Write(const testsupport::TempDir& dir, const std::string& name, const std::string& bytes)
{
    std::string path = dir.File(name);
    testsupport::WriteFile(path, bytes);
    return path;
}

bool ParseBytes(AsfFileInfo& info, const std::string& bytes)
{
    return info.ParseBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "mem");
}

std::vector<std::string> ObjectNames(const AsfFileInfo& info)
{
    std::vector<std::string> names;
    for (const AsfObjectRecord& r : info.Objects())
        names.push_back(AsfObjectName(r.guid));
    return names;
}

void ExpectFresh(const AsfFileInfo& info)
{
    EXPECT_TRUE(info.Objects().empty());
    EXPECT_TRUE(info.Title().empty());
    EXPECT_TRUE(info.AudioOnly());
    EXPECT_TRUE(info.AudioCodecs().empty() && info.VideoCodecs().empty());
    EXPECT_EQ(info.FileProperties().playDuration, 0u);
    EXPECT_EQ(info.VideoFormat().width, 0);
    EXPECT_EQ(info.AudioFormat().channels, 0);
    EXPECT_EQ(info.HeaderObjectCount(), 0u);
}

TEST(AsfFileInfo, WalksEveryObjectOfAWholeFile)
{
    testsupport::TempDir dir;
    std::string bytes = SampleFile();
    std::string path = Write(dir, "sample.asf", bytes);
    AsfFileInfo info;
    ASSERT_TRUE(info.Parse(path));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::Complete);
    EXPECT_EQ(info.Path(), path);
    EXPECT_EQ(info.FileSize(), bytes.size());
    EXPECT_EQ(ObjectNames(info),
              (std::vector<std::string>{"ASF_Header", "ASF_File_Properties", "ASF_Content_Description",
                                        "ASF_Stream_Properties", "ASF_Stream_Properties", "ASF_Codec_List",
                                        "12345678-9ABC-DEF-1-2-3-4-5-6-7-8", "ASF_Data",
                                        "ASF_Simple_Index"}));
    // Offsets run on from the header's fixed part and from each object's end.
    const auto& objects = info.Objects();
    EXPECT_EQ(objects[0].offset, 0u);
    EXPECT_EQ(objects[1].offset, 30u);
    for (size_t i = 2; i < objects.size(); ++i)
        EXPECT_EQ(objects[i].offset, i == 7 ? objects[0].size : objects[i - 1].offset + objects[i - 1].size);
    EXPECT_EQ(objects.back().offset + objects.back().size, bytes.size());

    EXPECT_EQ(info.HeaderObjectCount(), 6u);
    EXPECT_EQ(info.HeaderReserved1(), 1);
    EXPECT_EQ(info.HeaderReserved2(), 2);
    AsfFileProperties p = info.FileProperties();
    EXPECT_EQ(GuidText(p.fileId), "01020304-0506-0708-090A-0B0C0D0E0F10");
    EXPECT_EQ(p.playDuration, 1234567890u);
    EXPECT_EQ(p.preroll, 3000u);
    EXPECT_EQ(p.maxDataPacketSize, 100u);
    EXPECT_EQ(info.DurationSeconds(), 120);
    EXPECT_EQ(info.Title(), "Title 제목");
    EXPECT_EQ(info.Copyright(), "(c) 2024");
    EXPECT_EQ(info.Rating(), "G");
    EXPECT_FALSE(info.AudioOnly());
    EXPECT_EQ(info.AudioFormat().channels, 2);
    EXPECT_EQ(info.AudioFormat().samplesPerSecond, 44100u);
    EXPECT_EQ(info.AudioFormat().extraSize, 10);
    EXPECT_EQ(info.VideoFormat().width, 320);
    EXPECT_EQ(info.VideoFormat().height, 240);
    EXPECT_EQ(info.VideoFormat().compression, 0x32564D57u);
    ASSERT_EQ(info.Streams().size(), 2u);
    EXPECT_EQ(info.Streams()[1].number, 2);
    EXPECT_EQ(info.Streams()[1].encodedWidth, 320u);
    EXPECT_EQ(info.VideoCodecs(), std::vector<std::string>{"Video Codec 8\nvideo desc"});
    EXPECT_EQ(info.AudioCodecs(), std::vector<std::string>{"Audio Codec\n64 kbps"});
    EXPECT_EQ(info.DataObject().totalDataPackets, 3u);

    AsfObjectRecord record;
    EXPECT_EQ(info.FindObject(asf::kSimpleIndex, &record), 8);
    EXPECT_EQ(record.offset, bytes.size() - 56);
    EXPECT_EQ(record.size, 56u);
    EXPECT_EQ(info.FindObject(asf::kStreamProperties), 3);
    EXPECT_EQ(info.FindObject(asf::kStreamBitrateProperties, &record), -1);

    // The same walk over memory finds the same.
    AsfFileInfo fromMemory;
    ASSERT_TRUE(ParseBytes(fromMemory, bytes));
    EXPECT_EQ(ObjectNames(fromMemory), ObjectNames(info));
    EXPECT_EQ(fromMemory.Title(), info.Title());
    EXPECT_EQ(fromMemory.Path(), "mem");
}

TEST(AsfFileInfo, InformationViewLines)
{
    AsfFileInfo info;
    ASSERT_TRUE(ParseBytes(info, SampleFile()));
    std::vector<std::string> lines = FileInformationLines(info);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "Title 제목");
    EXPECT_EQ(lines[3], "Description");
    EXPECT_EQ(lines[4], SizeText(info.FileSize()) + " - 0:02:00");
    EXPECT_EQ(lines[5], "128Kbps");
    EXPECT_EQ(lines[6], "320 x 240 (24)");
    EXPECT_EQ(lines[7], "44 kHz 16bit 스테레오");
    EXPECT_EQ(lines[8], "Video Codec 8\nvideo desc");
    EXPECT_EQ(lines[9], "Audio Codec\n64 kbps");
    EXPECT_EQ(lines[10], "mem");

    std::string mono = Header({FileProperties({}), AudioStream(1, 1, 8000, 8)}) + Data(0, 100);
    ASSERT_TRUE(ParseBytes(info, mono));
    lines = FileInformationLines(info);
    EXPECT_EQ(lines[7], "8 kHz 8bit 모노");
    EXPECT_EQ(lines[6], "0 x 0 (0)");
    EXPECT_EQ(lines[8], "");

    EXPECT_EQ(SizeText(1023), "1023 bytes");
    EXPECT_EQ(SizeText(1536), "1.5 KB");
    EXPECT_EQ(SizeText(5ull << 30), "5.00 GB");
    EXPECT_EQ(DurationText(3725), "1:02:05");
    EXPECT_EQ(DurationText(-3), "-0:00:03");
}

TEST(AsfFileInfo, DurationArithmetic)
{
    struct Case {
        uint64_t play, preroll;
        int64_t seconds;
    } cases[] = {
        {1234567890, 3000, 120},
        {0, 3000, -3},
        {0, 2999, -2},  // truncates toward zero
        {30000000, 0, 3},
        {~0ull, 0, 0},                        // -1 as signed: -1 / 10000 = 0
        // No overflow on extreme values.
        {0, 0x8000000000000000ull, 9223372036854775},
        {0x8000000000000000ull, 0x7FFFFFFFFFFFFFFFull, -9224294374058461},
    };
    for (const Case& c : cases) {
        FileProps p;
        p.play = c.play;
        p.preroll = c.preroll;
        AsfFileInfo info;
        ASSERT_TRUE(ParseBytes(info, Header({FileProperties(p)})));
        EXPECT_EQ(info.DurationSeconds(), c.seconds) << c.play << " " << c.preroll;
    }
}

TEST(AsfFileInfo, RefusesFilesThatDoNotStartWithAWholeHeader)
{
    testsupport::TempDir dir;
    AsfFileInfo info;
    // Each failure leaves the fields of an earlier walk reset.
    auto parseAfterGood = [&](const std::string& path) {
        EXPECT_TRUE(info.Parse(Write(dir, "good.asf", SampleFile())));
        bool ok = info.Parse(path);
        ExpectFresh(info);
        return ok;
    };
    std::string dataFirst = Data(1, 100) + SampleFile();
    EXPECT_FALSE(parseAfterGood(Write(dir, "data.asf", dataFirst)));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::NoHeader);

    std::string header = Header({FileProperties({})});
    std::string overlong = Header({FileProperties({})}, header.size() + 1);
    EXPECT_FALSE(parseAfterGood(Write(dir, "over.asf", overlong)));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::PastEnd);
    EXPECT_EQ(info.Status().Text(), "truncated: the ASF_Header object at offset 0 claims " +
                                        std::to_string(header.size() + 1) + " bytes, only " +
                                        std::to_string(header.size()) + " remain");

    EXPECT_FALSE(parseAfterGood(Write(dir, "empty.asf", "")));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::Empty);
    EXPECT_FALSE(parseAfterGood(Write(dir, "short.asf", header.substr(0, 23))));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::NoHeader);
    EXPECT_FALSE(parseAfterGood(dir.File("missing.asf")));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::NotOpened);
    EXPECT_EQ(info.Status().Text(), "cannot open: No such file or directory");
    EXPECT_FALSE(parseAfterGood(dir.path()));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::NotRegularFile);
    // A header with an impossible (negative as signed) size.
    EXPECT_FALSE(parseAfterGood(Write(dir, "neg.asf", Header({}, ~0ull))));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::PastEnd);
    // A header object too small for its own fixed part is listed, then the walk ends.
    EXPECT_TRUE(info.Parse(Write(dir, "tiny.asf", Header({}, 24) + std::string(6, '\0'))));
    EXPECT_EQ(info.Objects().size(), 1u);
    EXPECT_EQ(info.Status().end, AsfWalkEnd::SizeTooSmall);
}

TEST(AsfFileInfo, DamagedFilesKeepWhatWasReadBeforeTheDamage)
{
    std::string header = Header({FileProperties({}), ContentDescription(u"T", u"", u"", u"", u"")});
    std::string data = Data(3, 100);
    const std::string at = std::to_string(header.size());
    struct Case {
        std::string bytes;
        AsfWalkEnd end;
        size_t objects;
        std::string reason;
    } cases[] = {
        {header + data.substr(0, data.size() - 1), AsfWalkEnd::PastEnd, 3,
         "truncated: the ASF_Data object at offset " + at + " claims " + std::to_string(data.size()) +
             " bytes, only " + std::to_string(data.size() - 1) + " remain"},
        {header + Object(asf::kData, "", 0).replace(16, 8, U64(0)), AsfWalkEnd::ZeroSize, 3,
         "unfinished: the ASF_Data object at offset " + at + " has size 0"},
        {header + Object(asf::kData, "xxxx", 23), AsfWalkEnd::SizeTooSmall, 3,
         "damaged: the ASF_Data object at offset " + at + " claims 23 bytes, too few for itself"},
        {header + data + "abc", AsfWalkEnd::TrailingBytes, 4,
         "truncated: 3 bytes after the last object at offset " + std::to_string(header.size() + data.size())},
        {header + Object(asf::kData, "", 0x8000000000000000ull), AsfWalkEnd::PastEnd, 3,
         "damaged: the ASF_Data object at offset " + at +
             " claims an impossible size (9223372036854775808 bytes)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        AsfFileInfo info;
        EXPECT_TRUE(ParseBytes(info, c.bytes));
        EXPECT_EQ(info.Status().end, c.end);
        EXPECT_EQ(info.Objects().size(), c.objects);
        EXPECT_EQ(info.Title(), "T");
        EXPECT_EQ(info.Status().Text(), c.reason);
    }
}

TEST(AsfFileInfo, ObjectsAreReadWithinTheirDeclaredSize)
{
    // A File Properties body longer than 80 bytes is not read, and the walk
    // goes on at its end, not inside it.
    std::string longProps = FileProperties({});
    longProps = Object(asf::kFileProperties, longProps.substr(24) + std::string(40, '\x11'));
    AsfFileInfo info;
    ASSERT_TRUE(ParseBytes(info, Header({longProps, ContentDescription(u"after", u"", u"", u"", u"")})));
    EXPECT_EQ(info.FileProperties().playDuration, 0u);
    EXPECT_EQ(info.Title(), "after");
    EXPECT_EQ(info.Status().end, AsfWalkEnd::Complete);

    // An audio record whose extra size disagrees with its type-specific
    // length: the next object is still found where it is.
    std::string wave = WaveFormat(2, 22050, 16);
    wave.replace(16, 2, U16(60000));
    std::string odd = StreamProperties(asf::kAudioMedia, 1, wave);
    ASSERT_TRUE(ParseBytes(info, Header({odd, ContentDescription(u"next", u"", u"", u"", u"")})));
    EXPECT_EQ(info.AudioFormat().extraSize, 60000);
    EXPECT_EQ(info.Title(), "next");

    // A content description whose third string runs past its object keeps
    // the first two; a codec list that claims more entries than it holds
    // keeps the ones it holds; a stream object too short for the bitmap
    // header keeps the audio-only flag cleared and a zero video format.
    std::string cd = ContentDescription(u"one", u"two", u"three", u"", u"");
    cd.replace(24 + 4, 2, U16(200));
    std::string codecs = CodecList({{2, u"A", u"B", ""}}, 1000000);
    std::string video = VideoStream(2, 64, 48, 12);
    std::string shortVideo = Object(asf::kStreamProperties, video.substr(24, 54 + 11 + 10));
    ASSERT_TRUE(ParseBytes(info, Header({cd, codecs, shortVideo, FileProperties({})})));
    EXPECT_EQ(info.Title(), "one");
    EXPECT_EQ(info.Author(), "two");
    EXPECT_EQ(info.Copyright(), "");
    EXPECT_EQ(info.AudioCodecs(), std::vector<std::string>{"A\nB"});
    EXPECT_FALSE(info.AudioOnly());
    EXPECT_EQ(info.VideoFormat().width, 0);
    EXPECT_EQ(info.FileProperties().preroll, 3000u);
    EXPECT_EQ(info.Objects().size(), 5u);
}

TEST(AsfFileInfo, StreamsCodecsAndTexts)
{
    AsfFileInfo info;
    // Two audio streams: the second one's record is kept.
    ASSERT_TRUE(ParseBytes(info, Header({AudioStream(1, 2, 44100, 16), AudioStream(2, 1, 8000, 8)})));
    EXPECT_TRUE(info.AudioOnly());
    EXPECT_EQ(info.AudioFormat().samplesPerSecond, 8000u);
    EXPECT_EQ(info.Streams().size(), 2u);

    // Empty texts, codecs of other types, a codec with an empty name.
    ASSERT_TRUE(ParseBytes(info, Header({ContentDescription(u"", u"", u"", u"", u""),
                                         CodecList({{3, u"X", u"Y", "i"}, {1, u"", u"", ""}})})));
    EXPECT_TRUE(info.Title().empty() && info.Author().empty() && info.Copyright().empty() &&
                info.Description().empty() && info.Rating().empty());
    EXPECT_TRUE(info.AudioCodecs().empty());
    EXPECT_EQ(info.VideoCodecs(), std::vector<std::string>{"\n"});

    // Long texts convert to at most 1023 bytes and end on a whole character;
    // a text stops at its first NUL.
    std::u16string longTitle = u"a" + std::u16string(30000, u'가');
    std::u16string withNul = u"before";
    withNul.push_back(u'\0');
    withNul += u"after";
    ASSERT_TRUE(ParseBytes(info, Header({ContentDescription(longTitle, withNul, u"", u"", u"")})));
    EXPECT_EQ(info.Title().size(), 1 + 340 * 3u);
    EXPECT_EQ(info.Title().substr(info.Title().size() - 3), "가");
    EXPECT_EQ(info.Author(), "before");

    // Walking a second file lists only its own objects.
    ASSERT_TRUE(ParseBytes(info, SampleFile()));
    ASSERT_TRUE(ParseBytes(info, Header({})));
    EXPECT_EQ(ObjectNames(info), std::vector<std::string>{"ASF_Header"});
    EXPECT_TRUE(info.Title().empty());
}

TEST(AsfFileInfo, FilesOfMoreThanFourGigabytes)
{
    // A sparse file: a header, a Data object of 5 GiB and an index after it.
    testsupport::TempDir dir;
    std::string path = dir.File("big.asf");
    const uint64_t packetBytes = 5ull << 30;
    std::string head = Header({FileProperties({})}) + Data(0, 0, 50 + packetBytes);
    std::string index = SimpleIndex();
    int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, head.data(), head.size(), 0), ssize_t(head.size()));
    uint64_t indexAt = head.size() + packetBytes;
    ASSERT_EQ(pwrite(fd, index.data(), index.size(), off_t(indexAt)), ssize_t(index.size()));
    close(fd);

    AsfFileInfo info;
    ASSERT_TRUE(info.Parse(path));
    EXPECT_EQ(info.FileSize(), indexAt + index.size());
    EXPECT_EQ(info.Status().end, AsfWalkEnd::Complete);
    AsfObjectRecord record;
    ASSERT_EQ(info.FindObject(asf::kSimpleIndex, &record), 3);
    EXPECT_EQ(record.offset, indexAt);
    ASSERT_EQ(info.FindObject(asf::kData, &record), 2);
    EXPECT_EQ(record.size, 50 + packetBytes);
}

// ffprobe's view of a file, from its flat output (key=value lines).
std::map<std::string, std::string> Probe(const std::string& path)
{
    testsupport::ProcessResult r = testsupport::RunProcess(
        {"ffprobe", "-v", "error", "-show_streams", "-show_format", "-of", "flat", path});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::map<std::string, std::string> values;
    for (const std::string& line : SplitLines(r.out)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        values[line.substr(0, eq)] = value;
    }
    return values;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void CompareWithProbe(const testsupport::SampleSpec& spec)
{
    std::string path = testsupport::MakeSampleAsf(spec);
    AsfFileInfo info;
    ASSERT_TRUE(info.Parse(path));
    EXPECT_EQ(info.Status().end, AsfWalkEnd::Complete) << info.Status().Text();
    auto probe = Probe(path);
    int streams = std::stoi(probe["format.nb_streams"]);
    ASSERT_EQ(streams, spec.video ? 2 : 1);

    // Duration: ffprobe gives the streams play duration minus preroll.
    AsfFileProperties p = info.FileProperties();
    double ours = (double(p.playDuration) / 10000.0 - double(p.preroll)) / 1000.0;
    double longest = 0;
    for (int i = 0; i < streams; ++i)
        longest = std::max(longest, std::stod(probe["streams.stream." + std::to_string(i) + ".duration"]));
    EXPECT_NEAR(ours, longest, 0.0015);
    EXPECT_EQ(info.DurationSeconds(), int64_t(longest));
    EXPECT_EQ(FileInformationLines(info)[4],
              SizeText(std::stoull(probe["format.size"])) + " - " + DurationText(int64_t(longest)));
    EXPECT_EQ(info.FileSize(), std::stoull(probe["format.size"]));

    // Packet size: every packet ffprobe reads starts on our packet grid.
    EXPECT_EQ(p.minDataPacketSize, uint32_t(spec.packetSize));
    EXPECT_EQ(p.maxDataPacketSize, uint32_t(spec.packetSize));
    AsfObjectRecord data;
    ASSERT_GE(info.FindObject(asf::kData, &data), 0);
    EXPECT_EQ(info.DataObject().totalDataPackets, (data.size - 50) / spec.packetSize);
    testsupport::ProcessResult packets = testsupport::RunProcess(
        {"ffprobe", "-v", "error", "-show_entries", "packet=pos", "-of", "csv=p=0", path});
    std::set<uint64_t> positions;
    for (const std::string& line : SplitLines(packets.out)) {
        if (!line.empty())
            positions.insert(std::stoull(line));
    }
    ASSERT_FALSE(positions.empty());
    for (uint64_t pos : positions) {
        ASSERT_GE(pos, data.offset + 50);
        EXPECT_EQ((pos - data.offset - 50) % spec.packetSize, 0u) << pos;
        EXPECT_LT(pos, data.offset + data.size);
    }

    // Stream formats and codec names.
    for (int i = 0; i < streams; ++i) {
        std::string key = "streams.stream." + std::to_string(i) + ".";
        if (probe[key + "codec_type"] == "audio") {
            AsfWaveFormat a = info.AudioFormat();
            EXPECT_EQ(a.formatTag, std::stoul(probe[key + "codec_tag"], nullptr, 16));
            EXPECT_EQ(a.channels, std::stoul(probe[key + "channels"]));
            EXPECT_EQ(a.samplesPerSecond, std::stoul(probe[key + "sample_rate"]));
            EXPECT_EQ(a.averageBytesPerSecond * 8, std::stoul(probe[key + "bit_rate"]));
            ASSERT_EQ(info.AudioCodecs().size(), 1u);
            // "Windows Media Audio 2" against the file's "Windows Media Audio V8".
            std::string longName = probe[key + "codec_long_name"];
            EXPECT_EQ(info.AudioCodecs()[0].rfind(longName.substr(0, longName.rfind(' ')), 0), 0u)
                << info.AudioCodecs()[0];
            if (!spec.video) {
                EXPECT_EQ(p.maxBitrate, std::stoul(probe[key + "bit_rate"]));
            }
        } else {
            AsfBitmapInfo v = info.VideoFormat();
            EXPECT_EQ(v.width, std::stoi(probe[key + "width"]));
            EXPECT_EQ(v.height, std::stoi(probe[key + "height"]));
            EXPECT_EQ(v.compression, std::stoul(probe[key + "codec_tag"], nullptr, 16));
            ASSERT_EQ(info.VideoCodecs().size(), 1u);
            std::string name = info.VideoCodecs()[0].substr(0, info.VideoCodecs()[0].find('\n'));
            EXPECT_EQ(Lower(name), probe[key + "codec_name"]);
        }
    }
    EXPECT_EQ(info.AudioOnly(), !spec.video);
}

TEST(AsfFileInfoWithFfmpeg, VideoAndAudioAgreesWithFfprobe)
{
    testsupport::SampleSpec spec;
    CompareWithProbe(spec);
}

TEST(AsfFileInfoWithFfmpeg, AudioOnlyAgreesWithFfprobe)
{
    testsupport::SampleSpec spec;
    spec.video = false;
    spec.packetSize = 2000;
    spec.seconds = 3;
    CompareWithProbe(spec);
}

}  // namespace
