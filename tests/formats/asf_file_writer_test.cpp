// The ASF file writer and the file sink, on real files: recordings compared
// byte for byte with the streamed source, checked by the independent
// decoder, and the cases that end a recording early.

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
#include "formats/asf_guids.h"
#include "formats/asf_file_writer.h"
#include "formats/asf_stream_header.h"
#include "formats/file_sink.h"
#include "test_support.h"

namespace {

using namespace asfstream;
using Result = AsfFileWriter::PacketResult;
using Header = AsfFileWriter::HeaderResult;

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

std::string NoPadding(const std::string& p)
{
    return p.substr(0, std::max<size_t>(1, p.find_last_not_of('\0') + 1));
}

// One writer recording into a file of its own (or into `to`).
struct Harness {
    testsupport::TempDir dir;
    std::string path = dir.File("out.asf");
    std::unique_ptr<FileSink> sink;
    AsfFileWriter writer;

    // to: a device (/dev/full), opened as it is; output files are regular.
    explicit Harness(const AsfFileWriter::Options& options = {}, const char* to = nullptr)
        : sink(to ? std::make_unique<FileSink>(::open(to, O_WRONLY | O_CLOEXEC)) : FileSink::Create(path))
    {
        EXPECT_NE(sink, nullptr);
        writer.Begin(sink.get(), options);
    }
    Header WriteHeader(const std::string& h) { return writer.WriteHeader(Bytes(h), h.size()); }
    Result Packet(const std::string& p) { return writer.WritePacket(Bytes(p), p.size()); }
    Result PacketAt(uint64_t n, const std::string& p) { return writer.WritePacketAt(n, Bytes(p), p.size()); }
    // Finalises and closes; false when either failed.
    bool Finish()
    {
        const bool finalised = writer.Finalise();
        return sink->Close() && finalised;
    }
};

uint32_t DurationMs(const Parts& src)
{
    return static_cast<uint32_t>(Get64(src.header, src.fileProps + 64) / 10000 - Get32(src.header, src.fileProps + 80));
}

TEST(AsfFileWriter, StreamedFileComesOutWholeIndexedAndDecodable)
{
    const Parts& src = Split(Sample());
    const uint32_t last = SendTime(src.packets.back(), src.packetSize);
    const uint32_t duration = DurationMs(src);
    // Packets without their padding, in order; a broadcast's times moved back
    // to 0 and its counts and durations filled in.
    for (bool live : {false, true}) {
        SCOPED_TRACE(live ? "live" : "on demand");
        const Parts& sent = Split(live ? LiveSample() : Sample());
        Harness h;
        ASSERT_EQ(h.WriteHeader(sent.header), Header::Written);
        EXPECT_EQ(h.writer.DurationMs(), live ? 0 : duration);
        Result r;
        for (const std::string& p : sent.packets) {
            r = h.Packet(NoPadding(p));
            ASSERT_EQ(r.status, Result::Written);
        }
        EXPECT_EQ(h.writer.HoldsWholeStream(), !live);
        ASSERT_TRUE(h.Finish());
        EXPECT_TRUE(IsRecordingOf(h.path, src, src.packets.size(), live));
        EXPECT_EQ(h.writer.BytesWritten(), testsupport::FileSize(h.path) - 62);
        EXPECT_EQ(r.timeMs, last);
        EXPECT_EQ(r.progress, live ? 0 : last * 10000ull / duration);
        EXPECT_TRUE(Decodes(h.path, live ? 2.0 : 0));  // and seekable
        EXPECT_NEAR(testsupport::ProbeDuration(h.path), (live ? last : duration) / 1000.0, 0.05);
    }
}

TEST(AsfFileWriter, PacketsArePaddedOrCutToThePacketSize)
{
    const Parts& src = Split(Sample());
    Harness h;
    ASSERT_EQ(h.WriteHeader(src.header), Header::Written);
    ASSERT_TRUE(h.Packet(src.packets[0].substr(0, 40)).Wrote());
    ASSERT_TRUE(h.Packet(src.packets[1] + std::string(500, '\x7F')).Wrote());
    ASSERT_TRUE(h.Finish());
    const std::string out = testsupport::ReadFile(h.path);
    EXPECT_EQ(PacketOf(out, src, 0), src.packets[0].substr(0, 40) + std::string(src.packetSize - 40, '\0'));
    EXPECT_EQ(PacketOf(out, src, 1), src.packets[1]);
    EXPECT_EQ(out.size(), src.header.size() + 2 * src.packetSize + 62);
}

TEST(AsfFileWriter, PacketsByNumberLandInTheirPlaceAndStayInsideTheStream)
{
    const Parts& src = Split(Sample());
    const size_t n = src.packets.size();
    // In any order, and again: the file is the same.
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    order.insert(order.end(), {3, 0, 5});
    {
        Harness h;
        ASSERT_EQ(h.WriteHeader(src.header), Header::Written);
        for (size_t i : order)
            ASSERT_EQ(h.PacketAt(i, NoPadding(src.packets[i])).status, Result::Written) << i;
        // Past the announced packets: refused, nothing written far out.
        EXPECT_EQ(h.PacketAt(n, src.packets[0]).status, Result::OutOfRange);
        EXPECT_EQ(h.PacketAt(~uint64_t{0} / src.packetSize, src.packets[0]).status, Result::OutOfRange);
        EXPECT_EQ(h.writer.PacketsInFile(), n);
        ASSERT_TRUE(h.Finish());
        EXPECT_TRUE(IsRecordingOf(h.path, src, n, false));
    }
    {
        // A broadcast announces nothing: a number may jump ahead only so far.
        Harness h;
        ASSERT_EQ(h.WriteHeader(Split(LiveSample()).header), Header::Written);
        EXPECT_EQ(h.PacketAt(AsfFileWriter::kMaxNumberJump, src.packets[0]).status, Result::Written);
        EXPECT_EQ(h.PacketAt(2 * AsfFileWriter::kMaxNumberJump + 1, src.packets[0]).status, Result::OutOfRange);
        ASSERT_TRUE(h.Finish());
        EXPECT_EQ(testsupport::FileSize(h.path),
                  src.header.size() + (AsfFileWriter::kMaxNumberJump + 1) * src.packetSize + 62);
    }
    {
        // A header that announces 2^40 packets sizes nothing: the packets
        // written bound the place of the next one as for a broadcast.
        std::string huge = src.header;
        Put32(huge, src.fileProps + 56, 0);
        Put32(huge, src.fileProps + 60, 256);
        Harness h;
        ASSERT_EQ(h.WriteHeader(huge), Header::Written);
        for (size_t i = 0; i < 3; ++i)
            ASSERT_EQ(h.PacketAt(i, src.packets[i]).status, Result::Written);
        EXPECT_EQ(h.PacketAt(uint64_t{1} << 39, src.packets[0]).status, Result::OutOfRange);
        EXPECT_EQ(h.PacketAt(3 + 2 * AsfFileWriter::kMaxNumberJump, src.packets[0]).status, Result::OutOfRange);
        ASSERT_TRUE(h.Finish());
        EXPECT_LT(testsupport::FileSize(h.path), src.header.size() + 4 * src.packetSize + 4096);
    }
    // Resuming by bytes: a file that holds the header and 20 packets keeps
    // them; one too short for the header gets it written again.
    const std::string whole = testsupport::ReadFile(Sample());
    for (size_t keptPackets : {size_t{20}, size_t{0}}) {
        SCOPED_TRACE(keptPackets);
        testsupport::TempDir dir;
        const std::string path = dir.File("resumed.asf");
        const std::string kept = keptPackets ? whole.substr(0, src.header.size() + 20 * src.packetSize + 100)
                                             : std::string(100, 'x');
        testsupport::WriteFile(path, kept);
        auto sink = FileSink::OpenExisting(path);
        ASSERT_NE(sink, nullptr);
        AsfFileWriter w;
        AsfFileWriter::Options options;
        options.keptBytes = kept.size();
        w.Begin(sink.get(), options);
        ASSERT_EQ(w.WriteHeader(Bytes(src.header), src.header.size()),
                  keptPackets ? Header::Kept : Header::Written);
        for (size_t i = keptPackets; i < n; ++i)
            ASSERT_TRUE(w.WritePacketAt(i, Bytes(src.packets[i]), src.packetSize).Wrote());
        EXPECT_EQ(w.BytesWritten(), (n - keptPackets) * src.packetSize + (keptPackets ? 0 : src.header.size()));
        ASSERT_TRUE(w.Finalise());
        ASSERT_TRUE(sink->Close());
        EXPECT_TRUE(IsRecordingOf(path, src, n, false));
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
    struct Case {
        const char* what;
        std::string header;
        Header result;
    };
    for (const Case& c : {
             Case{"unequal packet sizes", changed(fp + 96, src.packetSize + 1), Header::UnsupportedPacketSize},
             Case{"packets of 0xFFFF bytes", changed(fp + 92, 0xFFFF), Header::UnsupportedPacketSize},
             Case{"packets of 0 bytes", changed(fp + 96, 0, changed(fp + 92, 0)),
                  Header::UnsupportedPacketSize},
             Case{"not a Header object", changed(0, 0), Header::Malformed},
             Case{"a Header object size that is not the header's", changed(16, uint32_t(end + 1)), Header::Malformed},
             Case{"no File Properties", changed(fp, 0), Header::Malformed},
             Case{"no Data object after it", changed(end, 0), Header::Malformed},
             Case{"cut short", src.header.substr(0, src.header.size() - 1), Header::Malformed},
             Case{"nothing", std::string(), Header::Malformed},
         }) {
        SCOPED_TRACE(c.what);
        Harness h;
        EXPECT_EQ(h.WriteHeader(c.header), c.result);
        EXPECT_EQ(h.Packet(src.packets[0]).status, Result::NoHeader);
        EXPECT_EQ(h.PacketAt(0, src.packets[0]).status, Result::NoHeader);
        EXPECT_TRUE(h.Finish());
        EXPECT_EQ(testsupport::FileSize(h.path), 0u);
    }
    // A second header is not written, wherever it comes.
    Harness h;
    ASSERT_EQ(h.WriteHeader(src.header), Header::Written);
    ASSERT_TRUE(h.Packet(src.packets[0]).Wrote());
    EXPECT_EQ(h.WriteHeader(src.header), Header::AlreadyTaken);
    ASSERT_TRUE(h.Packet(src.packets[1]).Wrote());
    ASSERT_TRUE(h.Finish());
    EXPECT_TRUE(IsRecordingOf(h.path, src, 2, false));

    // A probe without a file counts the header and ends at the first packet.
    AsfFileWriter probe;
    probe.Begin(nullptr, {});
    EXPECT_EQ(probe.WriteHeader(Bytes(src.header), src.header.size()), Header::Written);
    EXPECT_EQ(probe.WritePacket(Bytes(src.packets[0]), src.packetSize).status, Result::NoSink);
    EXPECT_EQ(probe.BytesWritten(), src.header.size());
    EXPECT_TRUE(probe.Finalise());
}

TEST(AsfFileWriter, TimesAndProgressFollowTheSendTimes)
{
    const Parts& src = Split(Sample());
    auto at = [&](uint32_t send) {
        std::string p = src.packets[1];
        Put32(p, TimeOffsets(p, src.packetSize)[0], send);
        return p;
    };
    // Half of a 60-second stream is 5000; a four-hour one does not wrap; a
    // play duration no longer than the preroll is 1 ms, not 49 days.
    for (uint32_t seconds : {60u, 4 * 3600u, 0u}) {
        std::string header = src.header;
        const uint64_t preroll = Get32(header, src.fileProps + 80);
        Put64(header, src.fileProps + 64, (seconds * 1000ull + preroll) * 10000);
        Harness h;
        ASSERT_EQ(h.WriteHeader(header), Header::Written);
        EXPECT_EQ(h.writer.DurationMs(), seconds ? seconds * 1000 : 1);
        const Result r = h.Packet(at(seconds * 500));
        EXPECT_EQ(r.progress, seconds ? 5000u : 0u);
        EXPECT_EQ(r.timeMs, seconds * 500);
    }
    // Live times count from the first packet; none goes below it.
    Harness h;
    ASSERT_EQ(h.WriteHeader(Split(LiveSample()).header), Header::Written);
    std::vector<uint32_t> times;
    for (uint32_t send : {7000u, 6000u, 7500u, 9000u})
        times.push_back(h.Packet(at(send)).timeMs);
    EXPECT_EQ(times, (std::vector<uint32_t>{0, 0, 500, 2000}));
    EXPECT_EQ(h.writer.HighestTime(), 2000u);
}

// Which recordings get their counts and durations from what was written.
TEST(AsfFileWriter, FinishedHeaderClaimsWhatTheFileHoldsAndCutFilesStayResumable)
{
    const Parts& src = Split(Sample());
    using R = AsfFileWriter::Retime;
    using P = AsfFileWriter::Patch;
    struct Case {
        const char* what;
        bool live;
        R retime;
        P patch;
        size_t packets;
        bool patched;  // counts and durations from the packets written
    };
    const size_t all = src.packets.size(), half = all / 2;
    for (const Case& c : {
             Case{"whole on demand", false, R::Live, P::Live, all, false},
             Case{"whole on demand, patched when whole", false, R::Live, P::LiveOrWhole, all, true},
             Case{"cut on demand, patched when whole", false, R::Live, P::LiveOrWhole, half, false},
             Case{"cut on demand, always patched", false, R::Live, P::Always, half, true},
             Case{"live", true, R::Live, P::LiveOrWhole, half, true},
         }) {
        SCOPED_TRACE(c.what);
        AsfFileWriter::Options options;
        options.retime = c.retime;
        options.patch = c.patch;
        Harness h(options);
        const Parts& sent = Split(c.live ? LiveSample() : Sample());
        ASSERT_EQ(h.WriteHeader(sent.header), Header::Written);
        for (size_t i = 0; i < c.packets; ++i)
            ASSERT_TRUE(h.Packet(sent.packets[i]).Wrote());
        ASSERT_TRUE(h.Finish());
        EXPECT_TRUE(IsRecordingOf(h.path, src, c.packets, c.patched));
        EXPECT_EQ(ResumeScan().Scan(h.path), !c.live && !c.patched && c.packets == half);
    }
    // The live setting off: a broadcast is written as it came.
    AsfFileWriter::Options raw;
    raw.retime = R::None;
    Harness h(raw);
    const Parts& live = Split(LiveSample());
    ASSERT_EQ(h.WriteHeader(live.header), Header::Written);
    for (const std::string& p : live.packets)
        ASSERT_TRUE(h.Packet(p).Wrote());
    ASSERT_TRUE(h.Finish());
    EXPECT_TRUE(IsRecordingOf(h.path, live, live.packets.size(), false));

    // Without an announced count the duration tells whether it is whole.
    std::string uncounted = src.header;
    Put64(uncounted, src.fileProps + 56, 0);
    Put64(uncounted, uncounted.size() - 50 + 40, 0);
    for (size_t packets : {all, half}) {
        Harness w;
        ASSERT_EQ(w.WriteHeader(uncounted), Header::Written);
        for (size_t i = 0; i < packets; ++i)
            w.Packet(src.packets[i]);
        EXPECT_EQ(w.writer.HoldsWholeStream(), packets == all) << packets;
    }
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

    // The sink keeps the order of writes, whatever it holds back, and a
    // truncated file ends where it was cut.
    testsupport::TempDir dir;
    auto sink = FileSink::Create(dir.File("s"));
    ASSERT_NE(sink, nullptr);
    sink->Seek(10);
    ASSERT_TRUE(sink->Write("0123456789", 10));
    ASSERT_TRUE(sink->WriteAt(0, "abc", 3));
    ASSERT_TRUE(sink->Write("XY", 2));
    ASSERT_TRUE(sink->WriteAt(15, "-", 1));
    uint64_t size = 0;
    ASSERT_TRUE(sink->Size(&size));
    EXPECT_EQ(size, 22u);
    ASSERT_TRUE(sink->Truncate(21));
    ASSERT_TRUE(sink->Close());
    EXPECT_EQ(testsupport::ReadFile(dir.File("s")), std::string("abc\0\0\0\0\0\0\0" "01234-6789X", 21));
    EXPECT_FALSE(sink->WriteAt(0, "x", 1));
    EXPECT_EQ(FileSink::Create(dir.File("no/such/folder")), nullptr);
    EXPECT_EQ(FileSink::OpenExisting(dir.File("missing")), nullptr);
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
    for (const char* name : {"link", "dangling", "fifo", "folder", "plain"}) {
        SCOPED_TRACE(name);
        int error = 0;
        EXPECT_EQ(FileSink::CreateNew(dir.File(name), &error), nullptr);
        EXPECT_EQ(error, EEXIST);
        if (std::string(name) == "plain")
            continue;
        EXPECT_EQ(FileSink::Create(dir.File(name), &error), nullptr);
        EXPECT_NE(error, 0);
        EXPECT_EQ(FileSink::OpenExisting(dir.File(name)), nullptr);
    }
    // A FIFO somebody reads from opens at once, and is refused all the same.
    const int reader = ::open(dir.File("fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(FileSink::Create(dir.File("fifo")), nullptr);
    ::close(reader);
    EXPECT_EQ(testsupport::ReadFile(dir.File("outside")), "keep");
    EXPECT_FALSE(testsupport::FileExists(dir.File("nowhere")));

    auto kept = FileSink::OpenExisting(dir.File("plain"));
    ASSERT_NE(kept, nullptr);
    ASSERT_TRUE(kept->Close());
    EXPECT_EQ(testsupport::ReadFile(dir.File("plain")), "old");
    auto emptied = FileSink::Create(dir.File("plain"));
    ASSERT_NE(emptied, nullptr);
    ASSERT_TRUE(emptied->Write("x", 1));
    ASSERT_TRUE(emptied->Close());
    EXPECT_EQ(testsupport::ReadFile(dir.File("plain")), "x");
    auto fresh = FileSink::CreateNew(dir.File("new"));
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->Close());
}

// A resumed file goes on only with the stream it holds: the same packet
// size, stream numbers and types, and the same file id or play duration.
TEST(AsfFileWriter, AResumeGoesOnOnlyWithTheStreamTheFileHolds)
{
    const Parts& src = Split(Sample());
    const std::vector<uint8_t> kept(src.header.begin(), src.header.end());
    const size_t fp = src.fileProps;
    const size_t stream = src.header.find(std::string(reinterpret_cast<const char*>(asf::kStreamProperties.bytes.data()), 16));
    ASSERT_NE(stream, std::string::npos);
    auto with = [&](size_t at, uint8_t byte) {
        std::string h = src.header;
        h[at] = static_cast<char>(byte);
        return h;
    };
    std::string neither = with(fp + 24, src.header[fp + 24] ^ 1);          // another file id ...
    Put64(neither, fp + 64, Get64(src.header, fp + 64) + 10000000);        // ... and duration
    std::string otherPacket = src.header;
    Put32(otherPacket, fp + 92, src.packetSize + 1);
    Put32(otherPacket, fp + 96, src.packetSize + 1);
    std::string live = src.header;
    Put64(live, fp + 64, 0);
    struct Case {
        const char* what;
        std::string header;
        bool same;
    } cases[] = {
        {"the same header", src.header, true},
        {"another file id, the same duration", with(fp + 24, src.header[fp + 24] ^ 1), true},
        {"another duration, the same file id", [&] { std::string h = src.header; Put64(h, fp + 64, 1); return h; }(), true},
        {"neither file id nor duration", neither, false},
        {"another packet size", otherPacket, false},
        {"another stream number", with(stream + 72, (src.header[stream + 72] & 0x80) | 9), false},
        {"another stream type", with(stream + 24, src.header[stream + 24] ^ 0x40), false},
        {"a broadcast", live, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SameAsfStream(kept.data(), kept.size(), Bytes(c.header), c.header.size()), c.same);
        // Either way of resuming: packets in order, or by number.
        for (bool byNumber : {false, true}) {
            testsupport::TempDir dir;
            const std::string path = dir.File("r.asf");
            testsupport::WriteFile(path, src.header + src.packets[0] + src.packets[1]);
            AsfFileWriter::Options options;
            options.keptHeader = kept;
            if (byNumber)
                options.keptBytes = src.header.size() + 2 * src.packetSize;
            else
                options.keptPackets = 2;
            auto sink = FileSink::OpenExisting(path);
            ASSERT_NE(sink, nullptr);
            sink->Seek(src.header.size() + 2 * src.packetSize);
            AsfFileWriter writer;
            writer.Begin(sink.get(), options);
            EXPECT_EQ(writer.WriteHeader(Bytes(c.header), c.header.size()),
                      c.same ? Header::Kept : Header::OtherStream);
            EXPECT_EQ(writer.HeaderTaken(), c.same);
            if (!c.same) {
                EXPECT_EQ(writer.WritePacket(Bytes(src.packets[2]), src.packets[2].size()).status, Result::NoHeader);
                EXPECT_TRUE(writer.Finalise());
                ASSERT_TRUE(sink->Close());
                EXPECT_EQ(testsupport::ReadFile(path), src.header + src.packets[0] + src.packets[1])
                    << "a refused resume leaves the file as it was";
            }
        }
    }

    // The file's last packet must come again, with the same payloads (its
    // times may differ), before anything is written: a stream that starts
    // earlier passes over what the file holds; one that skips the packet or
    // sends another is another stream, and nothing of it is written.
    const std::vector<std::string>& p = src.packets;
    struct Proof {
        const char* what;
        bool byNumber;
        std::vector<std::pair<uint64_t, std::string>> sent;
        bool goesOn;
    } proofs[] = {
        {"in order, the last packet again", false, {{1, ShiftTimes(p[1], src.packetSize, 500)}, {2, p[2]}}, true},
        {"in order, another packet first", false, {{1, p[5]}, {2, p[2]}}, false},
        {"by number, from an earlier one", true, {{0, p[0]}, {1, p[1]}, {2, p[2]}}, true},
        {"by number, past the last one", true, {{2, p[2]}, {1, p[1]}}, false},
    };
    for (const Proof& c : proofs) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string path = dir.File("r.asf");
        testsupport::WriteFile(path, src.header + p[0] + p[1]);
        AsfFileWriter::Options options;
        options.keptHeader = kept;
        options.repeatedPacket.assign(p[1].begin(), p[1].end());
        if (c.byNumber)
            options.keptBytes = src.header.size() + src.packetSize;
        else
            options.keptPackets = 1;
        auto sink = FileSink::OpenExisting(path);
        ASSERT_NE(sink, nullptr);
        sink->Seek(src.header.size() + src.packetSize);
        AsfFileWriter writer;
        writer.Begin(sink.get(), options);
        ASSERT_EQ(writer.WriteHeader(Bytes(src.header), src.header.size()), Header::Kept);
        std::vector<Result::Status> statuses;
        for (const auto& [number, packet] : c.sent)
            statuses.push_back((c.byNumber ? writer.WritePacketAt(number, Bytes(packet), packet.size())
                                           : writer.WritePacket(Bytes(packet), packet.size()))
                                   .status);
        EXPECT_EQ(statuses.back(), c.goesOn ? Result::Written : Result::OtherStream);
        EXPECT_EQ(writer.PacketsWritten(), c.goesOn ? 1u : 0u);
        EXPECT_TRUE(writer.Finalise());
        ASSERT_TRUE(sink->Close());
        if (c.goesOn)
            EXPECT_TRUE(IsRecordingOf(path, src, 3, false));
        else
            EXPECT_EQ(testsupport::ReadFile(path), src.header + p[0] + p[1]);
    }
}

// A broadcast continued after a reconnect: the same streams whatever the
// counts, durations and flags say; another codec setting, stream number or
// packet size is another stream.
TEST(SameStreams, ComparesStreamsNotTheFieldsAroundThem)
{
    const std::string& onDemand = Split(Sample()).header;
    const std::string& live = Split(LiveSample()).header;
    auto same = [](const std::string& a, const std::string& b) {
        return SameStreams(Bytes(a), a.size(), Bytes(b), b.size());
    };
    EXPECT_TRUE(same(onDemand, live));
    EXPECT_FALSE(same(live, Split(SmallSample()).header));
    const std::string streamProperties("\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", 16);
    const size_t at = live.find(streamProperties);
    ASSERT_NE(at, std::string::npos);
    std::string codec = live, number = live;
    codec[at + 78 + 4] ^= 1;  // the type-specific data: the audio format's channels or the video's width
    number[at + 72] ^= 3;     // the stream number
    EXPECT_FALSE(same(live, codec));
    EXPECT_FALSE(same(live, number));
    EXPECT_FALSE(same(live, live.substr(0, live.size() - 1)));
}

}  // namespace
