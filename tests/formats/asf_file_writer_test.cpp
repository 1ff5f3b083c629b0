// The ASF file writer and the file sink on real files: recordings compared
// byte for byte with the streamed source and checked by the independent
// decoder, resumes, and the cases that end a recording early.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "asf_stream.h"
#include "formats/asf_file_info.h"
#include "formats/asf_file_reader.h"
#include "formats/asf_file_writer.h"
#include "formats/asf_guids.h"
#include "formats/asf_stream_header.h"
#include "formats/file_sink.h"
#include "test_support.h"

namespace {

using namespace asfstream;
using testsupport::ReadFile;
using Result = AsfFileWriter::PacketResult;
using Header = AsfFileWriter::HeaderResult;
using Options = AsfFileWriter::Options;

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
std::string NoPadding(const std::string& p) { return p.substr(0, std::max<size_t>(1, p.find_last_not_of('\0') + 1)); }

// One writer recording into a file of its own: a new one, a device (`to`),
// or one that holds `kept` already (written on from its end when `seek`).
struct Harness {
    testsupport::TempDir dir;
    std::string path = dir.File("out.asf");
    std::unique_ptr<FileSink> sink;
    AsfFileWriter writer;

    explicit Harness(const Options& options = {}, const char* to = nullptr)
        : sink(to ? std::make_unique<FileSink>(::open(to, O_WRONLY | O_CLOEXEC)) : FileSink::Create(path))
    {
        EXPECT_NE(sink, nullptr);
        writer.Begin(sink.get(), options);
    }
    Harness(const std::string& kept, const Options& options, bool seek)
    {
        testsupport::WriteFile(path, kept);
        sink = FileSink::OpenExisting(path);
        EXPECT_NE(sink, nullptr);
        if (seek)
            sink->Seek(kept.size());
        writer.Begin(sink.get(), options);
    }
    Header WriteHeader(const std::string& h) { return writer.WriteHeader(Bytes(h), h.size()); }
    Result Packet(const std::string& p) { return writer.WritePacket(Bytes(p), p.size()); }
    Result PacketAt(uint64_t n, const std::string& p) { return writer.WritePacketAt(n, Bytes(p), p.size()); }
    bool Finish()  // false when finalising or closing failed
    {
        const bool finalised = writer.Finalise();
        return sink->Close() && finalised;
    }
};

TEST(AsfFileWriter, StreamedFileComesOutWholeIndexedAndDecodable)
{
    const Parts& src = Split(Sample());
    const uint32_t last = SendTime(src.packets.back(), src.packetSize);
    const uint32_t duration =
        static_cast<uint32_t>(Get64(src.header, src.fileProps + 64) / 10000 - Get32(src.header, src.fileProps + 80));
    // Packets without their padding; a broadcast's times moved back to 0 and
    // its counts and durations filled in.
    for (bool live : {false, true}) {
        SCOPED_TRACE(live ? "live" : "on demand");
        const Parts& sent = Split(live ? LiveSample() : Sample());
        Harness h;
        ASSERT_EQ(h.WriteHeader(sent.header), Header::Written);
        EXPECT_EQ(h.writer.DurationMs(), live ? 0 : duration);
        Result r;
        for (const std::string& p : sent.packets)
            ASSERT_EQ((r = h.Packet(NoPadding(p))).status, Result::Written);
        EXPECT_EQ(h.writer.HoldsWholeStream(), !live);
        ASSERT_TRUE(h.Finish());
        EXPECT_TRUE(IsRecordingOf(h.path, src, src.packets.size(), live));
        EXPECT_EQ(h.writer.BytesWritten(), testsupport::FileSize(h.path) - 62);
        EXPECT_EQ(r.timeMs, last);
        EXPECT_EQ(r.progress, live ? 0 : last * 10000ull / duration);
        EXPECT_TRUE(Decodes(h.path, live ? 2.0 : 0));  // and seekable
        EXPECT_NEAR(testsupport::ProbeDuration(h.path), (live ? last : duration) / 1000.0, 0.05);
    }
    // A short packet is padded with zeros, a long one cut.
    Harness h;
    ASSERT_EQ(h.WriteHeader(src.header), Header::Written);
    ASSERT_TRUE(h.Packet(src.packets[0].substr(0, 40)).Wrote());
    ASSERT_TRUE(h.Packet(src.packets[1] + std::string(500, '\x7F')).Wrote());
    ASSERT_TRUE(h.Finish());
    const std::string out = ReadFile(h.path);
    EXPECT_EQ(PacketOf(out, src, 0), src.packets[0].substr(0, 40) + std::string(src.packetSize - 40, '\0'));
    EXPECT_EQ(PacketOf(out, src, 1), src.packets[1]);
    EXPECT_EQ(out.size(), src.header.size() + 2 * src.packetSize + 62);
}

TEST(AsfFileWriter, PacketsByNumberLandInTheirPlaceAndStayInsideTheStream)
{
    const Parts& src = Split(Sample());
    const size_t n = src.packets.size();
    const uint64_t jump = AsfFileWriter::kMaxNumberJump;
    std::vector<size_t> order(n);  // any order, some again: the same file
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    order.insert(order.end(), {3, 0, 5});
    {
        Harness h;
        ASSERT_EQ(h.WriteHeader(src.header), Header::Written);
        for (size_t i : order)
            ASSERT_EQ(h.PacketAt(i, NoPadding(src.packets[i])).status, Result::Written) << i;
        EXPECT_EQ(h.PacketAt(n, src.packets[0]).status, Result::OutOfRange);
        EXPECT_EQ(h.PacketAt(~uint64_t{0} / src.packetSize, src.packets[0]).status, Result::OutOfRange);
        EXPECT_EQ(h.writer.PacketsInFile(), n);
        ASSERT_TRUE(h.Finish());
        EXPECT_TRUE(IsRecordingOf(h.path, src, n, false));
    }
    // A broadcast announces nothing, nor does a header that claims 2^40
    // packets: a number may jump only so far past the packets written.
    std::string huge = src.header;
    Put32(huge, src.fileProps + 56, 0);
    Put32(huge, src.fileProps + 60, 256);
    for (const std::string& header : {Split(LiveSample()).header, huge}) {
        Harness h;
        ASSERT_EQ(h.WriteHeader(header), Header::Written);
        EXPECT_EQ(h.PacketAt(jump, src.packets[0]).status, Result::Written);
        EXPECT_EQ(h.PacketAt(uint64_t{1} << 39, src.packets[0]).status, Result::OutOfRange);
        EXPECT_EQ(h.PacketAt(2 * jump + 1, src.packets[0]).status, Result::OutOfRange);
        ASSERT_TRUE(h.Finish());
        EXPECT_EQ(testsupport::FileSize(h.path), src.header.size() + (jump + 1) * src.packetSize + 62);
    }
    // Resuming by bytes: a file that holds the header and 20 packets keeps
    // them; one too short for the header gets it written again.
    const std::string whole = ReadFile(Sample());
    for (size_t keptPackets : {size_t{20}, size_t{0}}) {
        SCOPED_TRACE(keptPackets);
        const std::string kept =
            keptPackets ? whole.substr(0, src.header.size() + 20 * src.packetSize + 100) : std::string(100, 'x');
        Options options;
        options.keptBytes = kept.size();
        Harness h(kept, options, false);
        ASSERT_EQ(h.WriteHeader(src.header), keptPackets ? Header::Kept : Header::Written);
        for (size_t i = keptPackets; i < n; ++i)
            ASSERT_TRUE(h.PacketAt(i, src.packets[i]).Wrote());
        EXPECT_EQ(h.writer.BytesWritten(), (n - keptPackets) * src.packetSize + (keptPackets ? 0 : src.header.size()));
        ASSERT_TRUE(h.Finish());
        EXPECT_TRUE(IsRecordingOf(h.path, src, n, false));
    }
}

TEST(AsfFileWriter, RefusesHeadersItCannotWriteAndPacketsBeforeAHeader)
{
    const Parts& src = Split(Sample());
    const size_t fp = src.fileProps, end = src.header.size() - 50;
    auto changed = [&](size_t at, uint32_t value, std::string h = {}) {
        h = h.empty() ? src.header : h;
        Put32(h, at, value);
        return h;
    };
    const std::pair<std::string, Header> cases[] = {
        {changed(fp + 96, src.packetSize + 1), Header::UnsupportedPacketSize},  // unequal sizes
        {changed(0, 0), Header::Malformed},                   // not a Header object
        {changed(16, uint32_t(end + 1)), Header::Malformed},  // its size is not the header's
        {changed(fp, 0), Header::Malformed},                  // no File Properties
        {changed(end, 0), Header::Malformed},                 // no Data object after it
        {src.header.substr(0, src.header.size() - 1), Header::Malformed},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        Harness h;
        EXPECT_EQ(h.WriteHeader(cases[i].first), cases[i].second);
        EXPECT_TRUE(h.Packet(src.packets[0]).status == Result::NoHeader && h.PacketAt(0, src.packets[0]).status == Result::NoHeader);
        EXPECT_TRUE(h.Finish() && testsupport::FileSize(h.path) == 0);
    }
    // A second header is not written, wherever it comes.
    Harness h;
    ASSERT_EQ(h.WriteHeader(src.header), Header::Written);
    ASSERT_TRUE(h.Packet(src.packets[0]).Wrote());
    EXPECT_EQ(h.WriteHeader(src.header), Header::AlreadyTaken);
    ASSERT_TRUE(h.Packet(src.packets[1]).Wrote());
    ASSERT_TRUE(h.Finish());
    EXPECT_TRUE(IsRecordingOf(h.path, src, 2, false));
}

TEST(AsfFileWriter, FinishedHeaderClaimsWhatTheFileHoldsAndCutFilesStayResumable)
{
    const Parts& src = Split(Sample());
    using R = AsfFileWriter::Retime;
    using P = AsfFileWriter::Patch;
    const size_t all = src.packets.size(), half = all / 2;
    // live, retime, patch, packets written, whether counts and durations come from them
    const std::tuple<bool, R, P, size_t, bool> cases[] = {
        {false, R::Live, P::Live, all, false},        {false, R::Live, P::LiveOrWhole, all, true},
        {false, R::Live, P::LiveOrWhole, half, false}, {false, R::Live, P::Always, half, true},
        {true, R::Live, P::LiveOrWhole, half, true},   {true, R::None, P::Live, all, false},
    };
    for (const auto& [live, retime, patch, packets, patched] : cases) {
        SCOPED_TRACE(testing::Message() << live << int(retime) << int(patch) << packets);
        Options options;
        options.retime = retime;
        options.patch = patch;
        Harness h(options);
        const Parts& sent = Split(live ? LiveSample() : Sample());
        ASSERT_EQ(h.WriteHeader(sent.header), Header::Written);
        for (size_t i = 0; i < packets; ++i)
            ASSERT_TRUE(h.Packet(sent.packets[i]).Wrote());
        ASSERT_TRUE(h.Finish());
        // Not retimed, a broadcast is written as it came.
        EXPECT_TRUE(IsRecordingOf(h.path, retime == R::None ? sent : src, packets, patched));
        EXPECT_EQ(ResumeScan().Scan(h.path), !live && !patched && packets == half);
    }
    // Without an announced count the duration tells whether it is whole.
    std::string uncounted = src.header;
    Put64(uncounted, src.fileProps + 56, 0);
    Put64(uncounted, uncounted.size() - 50 + 40, 0);
    Harness w;
    ASSERT_EQ(w.WriteHeader(uncounted), Header::Written);
    for (size_t i = 0; i < all; ++i) {
        EXPECT_TRUE(i != half || !w.writer.HoldsWholeStream());
        w.Packet(src.packets[i]);
    }
    EXPECT_TRUE(w.writer.HoldsWholeStream());
}

TEST(AsfFileWriter, FailedWritesAreReportedAndClosingTellsOfThem)
{
    const Parts& src = Split(Sample());
    Harness full({}, "/dev/full");
    Header header = full.WriteHeader(src.header);
    Result r;
    size_t accepted = 0;
    while (header == Header::Written && accepted < 1000 && (r = full.Packet(src.packets[accepted % 10])).Wrote())
        ++accepted;
    EXPECT_TRUE(header == Header::WriteFailed || r.status == Result::WriteFailed);
    EXPECT_LT(accepted, 1000u);
    EXPECT_TRUE(full.writer.WriteFailed());
    EXPECT_FALSE(full.Finish());
}

// Output files are made only as regular files: a link at the name is never
// followed (a dangling one would create its target), a FIFO never waited on.
TEST(FileSink, NeverFollowsALinkNorWaitsOnAFifo)
{
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("outside"), "keep");
    testsupport::WriteFile(dir.File("plain"), "old");
    ASSERT_EQ(::symlink(dir.File("outside").c_str(), dir.File("link").c_str()), 0);
    ASSERT_EQ(::symlink(dir.File("nowhere").c_str(), dir.File("dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0700), 0);
    for (const std::string name : {"link", "dangling", "fifo", "folder", "plain"}) {
        int error = 0;
        EXPECT_TRUE(FileSink::CreateNew(dir.File(name), &error) == nullptr && error == EEXIST) << name;
        if (name != "plain") {
            EXPECT_TRUE(FileSink::Create(dir.File(name), &error) == nullptr && error != 0) << name;
            EXPECT_EQ(FileSink::OpenExisting(dir.File(name)), nullptr) << name;
        }
    }
    // A FIFO somebody reads from opens at once, and is refused all the same.
    const int reader = ::open(dir.File("fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(FileSink::Create(dir.File("fifo")), nullptr);
    ::close(reader);
    EXPECT_EQ(ReadFile(dir.File("outside")), "keep");
    EXPECT_FALSE(testsupport::FileExists(dir.File("nowhere")));

    auto kept = FileSink::OpenExisting(dir.File("plain"));
    ASSERT_TRUE(kept && kept->Close());
    EXPECT_EQ(ReadFile(dir.File("plain")), "old");
}

// A resumed file goes on only with the stream it holds: the same packet
// size, stream numbers and types, and the same file id or play duration.
// The file's last packet must come again with the same payloads before
// anything is written; a refused resume leaves the file as it was.
TEST(AsfFileWriter, AResumeGoesOnOnlyWithTheStreamTheFileHolds)
{
    const Parts& src = Split(Sample());
    const std::vector<std::string>& p = src.packets;
    const std::vector<uint8_t> kept(src.header.begin(), src.header.end());
    const size_t fp = src.fileProps;
    const size_t stream =
        src.header.find(std::string(reinterpret_cast<const char*>(asf::kStreamProperties.bytes.data()), 16));
    ASSERT_NE(stream, std::string::npos);
    auto with = [&](std::vector<std::pair<size_t, uint64_t>> fields, size_t bytes = 8) {
        std::string h = src.header;
        for (const auto& [at, value] : fields)
            bytes == 8 ? Put64(h, at, value) : void(h[at] = static_cast<char>(value));
        return h;
    };
    const uint64_t play = Get64(src.header, fp + 64);
    const char id = src.header[fp + 24], number = src.header[stream + 72], type = src.header[stream + 24];
    std::string otherPacket = src.header;
    Put32(otherPacket, fp + 92, src.packetSize + 1);
    Put32(otherPacket, fp + 96, src.packetSize + 1);
    std::string neither = with({{fp + 24, uint8_t(id ^ 1)}}, 1);
    Put64(neither, fp + 64, play + 10000000);
    const std::pair<std::string, bool> cases[] = {
        {src.header, true},
        {with({{fp + 24, uint8_t(id ^ 1)}}, 1), true},  // another file id, the same duration
        {with({{fp + 64, 1}}), true},                   // another duration, the same file id
        {neither, false},
        {otherPacket, false},
        {with({{stream + 72, uint8_t((number & 0x80) | 9)}}, 1), false},
        {with({{stream + 24, uint8_t(type ^ 0x40)}}, 1), false},
        {with({{fp + 64, 0}}), false},  // a broadcast
    };
    const std::string held = src.header + p[0] + p[1];
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [header, same] = cases[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(SameAsfStream(kept.data(), kept.size(), Bytes(header), header.size()), same);
        for (bool byNumber : {false, true}) {  // packets in order, or by number
            Options options;
            options.keptHeader = kept;
            (byNumber ? options.keptBytes : options.keptPackets) = byNumber ? held.size() : 2;
            Harness h(held, options, true);
            EXPECT_EQ(h.WriteHeader(header), same ? Header::Kept : Header::OtherStream);
            EXPECT_EQ(h.writer.HeaderTaken(), same);
            if (!same) {
                EXPECT_EQ(h.Packet(p[2]).status, Result::NoHeader);
                EXPECT_TRUE(h.Finish() && ReadFile(h.path) == held);
            }
        }
    }
    // A stream that starts earlier passes over what the file holds; one that
    // skips the packet or sends another is another stream.
    const std::tuple<bool, std::vector<std::pair<uint64_t, std::string>>, bool> proofs[] = {
        {false, {{1, ShiftTimes(p[1], src.packetSize, 500)}, {2, p[2]}}, true},  // its times may differ
        {false, {{1, p[5]}, {2, p[2]}}, false},
        {true, {{0, p[0]}, {1, p[1]}, {2, p[2]}}, true},
        {true, {{2, p[2]}, {1, p[1]}}, false},
    };
    for (const auto& [byNumber, sent, goesOn] : proofs) {
        SCOPED_TRACE(testing::Message() << byNumber << goesOn);
        Options options;
        options.keptHeader = kept;
        options.repeatedPacket.assign(p[1].begin(), p[1].end());
        (byNumber ? options.keptBytes : options.keptPackets) = byNumber ? src.header.size() + src.packetSize : 1;
        Harness h(held, options, false);
        h.sink->Seek(src.header.size() + src.packetSize);
        ASSERT_EQ(h.WriteHeader(src.header), Header::Kept);
        Result::Status last{};
        for (const auto& [n, packet] : sent)
            last = (byNumber ? h.PacketAt(n, packet) : h.Packet(packet)).status;
        EXPECT_EQ(last, goesOn ? Result::Written : Result::OtherStream);
        EXPECT_EQ(h.writer.PacketsWritten(), goesOn ? 1u : 0u);
        EXPECT_TRUE(h.Finish());
        EXPECT_TRUE(goesOn ? IsRecordingOf(h.path, src, 3, false) : ReadFile(h.path) == held);
    }
}

// A broadcast continued after a reconnect: the same streams whatever the
// counts, durations and flags say; another codec setting, stream number or
// packet size is another stream.
TEST(SameStreams, ComparesStreamsNotTheFieldsAroundThem)
{
    const std::string& live = Split(LiveSample()).header;
    auto same = [&](const std::string& b) { return SameStreams(Bytes(live), live.size(), Bytes(b), b.size()); };
    const size_t at = live.find(std::string(reinterpret_cast<const char*>(asf::kStreamProperties.bytes.data()), 16));
    ASSERT_NE(at, std::string::npos);
    std::string codec = live, number = live;
    codec[at + 78 + 4] ^= 1;  // the audio format's channels or the video's width
    number[at + 72] ^= 3;
    EXPECT_EQ(std::vector<bool>({same(Split(Sample()).header), same(Split(SmallSample()).header), same(codec),
                                 same(number), same(live.substr(0, live.size() - 1))}),
              std::vector<bool>({true, false, false, false, false}));
}

}  // namespace
