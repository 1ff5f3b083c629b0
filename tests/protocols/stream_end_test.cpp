// What the four clients share: quiet servers, limits, how a stream ended,
// resuming past 4 GiB (sparse files), refused resume positions.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "asf_stream.h"
#include "formats/asf_file_reader.h"
#include "protocols/http/http_download_client.h"
#include "protocols/mms/mms_tcp_client.h"
#include "protocols/mmsh/mmsh_client.h"
#include "protocols/rtsp/rtsp_client.h"
#include "stream_recorder.h"
#include "test_support.h"

namespace {

using namespace asfstream;
using namespace std::chrono_literals;
using testsupport::FakeServer;
using testsupport::TempDir;
using Ends = std::vector<std::pair<StreamEnd, uint64_t>>;
using Clock = std::chrono::steady_clock;

enum class Kind { Mms, Rtsp, Mmsh, Http };
constexpr const char* kNames[] = {"MMS over TCP", "RTSP", "MMS over HTTP", "HTTP download"};
const char* Name(Kind k) { return kNames[int(k)]; }

// Calls f with a value of the client type of kind.
template <class F>
auto WithClient(Kind kind, F f)
{
    switch (kind) {
    case Kind::Mms: return f(std::type_identity<MmsTcpClient>{});
    case Kind::Rtsp: return f(std::type_identity<RtspClient>{});
    case Kind::Mmsh: return f(std::type_identity<MmshClient>{});
    default: return f(std::type_identity<HttpDownloadClient>{});
    }
}

bool Serve(FakeServer& server, Kind kind, const std::string& file, std::vector<std::string> options)
{
    if (kind == Kind::Http)
        return server.Start("http_server.py", options);
    static constexpr const char* kScripts[] = {"mms_server.py", "rtsp_server.py", "mmsh_server.py"};
    return StartServer(server, kScripts[int(kind)], file, options);
}

std::string Url(Kind kind, int port, const std::string& httpPath = "/size/3000000")
{
    const std::string at = "127.0.0.1:" + std::to_string(port);
    return kind == Kind::Rtsp ? "rtsp://" + at + "/sample.asf"
           : kind == Kind::Http ? "http://" + at + httpPath
                                : "mms://" + at + "/sample.asf";
}

struct Outcome {
    uint64_t bytes = 0;
    Ends ends;
    std::vector<std::string> errors;
    Clock::duration took{};
};

// Records url into path (none: a probe) with a client of kind, a kept file
// handed over at offset. With stopAfterData it is stopped a while after data
// came; took counts from the stop, otherwise from the start.
struct Options {
    uint64_t resume = 0, offset = 0;
    bool keep = false, stopAfterData = false;
    int idleMs = 10000;
    AppSettings settings;
};

Outcome Record(Kind kind, const std::string& url, const std::string& path, const Options& run = {})
{
    return WithClient(kind, [&](auto type) {
        using Client = typename decltype(type)::type;
        Recorder<Client> r(run.idleMs);
        r.env.settings = run.settings;
        r.Get();  // made before the worker uses it
        Outcome o;
        Clock::time_point from = Clock::now(), returned;
        std::thread worker([&] {
            o.bytes = r.Record(url, path, run.resume, run.keep, run.offset);
            returned = Clock::now();
        });
        if (run.stopAfterData) {
            while (r.hooks.progress.load() == 0 && Clock::now() - from < 5s)
                std::this_thread::sleep_for(10ms);
            std::this_thread::sleep_for(400ms);
            from = Clock::now();
            r.Get().Stop();
        }
        worker.join();
        o.took = returned - from;
        o.ends = r.hooks.ends;
        o.errors = r.hooks.errors;
        return o;
    });
}

// A server that goes quiet mid-stream is left within a second of a stop, or
// by itself after the idle time; the file keeps what came either way.
TEST(Shared, AQuietServerIsLeftOnStopOrAfterTheIdleTime)
{
    const Parts& src = Split(Sample());
    struct Case {
        Kind kind;
        std::vector<std::string> options;
        uint64_t packets;  // before the silence
    };
    for (const Case& c : {Case{Kind::Mms, {"--drop", "stall:6"}, 6}, Case{Kind::Rtsp, {"--stall-after", "3"}, 3},
                          Case{Kind::Mmsh, {"--fault", "stall=5"}, 5}, Case{Kind::Http, {}, 0}}) {
        SCOPED_TRACE(Name(c.kind));
        TempDir dir;
        Outcome q[2];
        for (int idleMs : {0, 800}) {
            FakeServer server;
            ASSERT_TRUE(Serve(server, c.kind, Sample(), c.options));
            Options run;
            run.stopAfterData = idleMs == 0;
            run.idleMs = idleMs;
            q[idleMs != 0] = Record(c.kind, Url(c.kind, server.port(), "/stall/5000"), dir.File(std::to_string(idleMs)), run);
        }
        EXPECT_LT(q[0].took, 1s);
        EXPECT_LT(q[1].took, 4s);
        EXPECT_EQ(q[0].bytes, c.kind == Kind::Http ? 5000 : src.header.size() + c.packets * src.packetSize);
        EXPECT_EQ(q[1].bytes, q[0].bytes);
        if (c.kind == Kind::Http)
            continue;
        EXPECT_TRUE(IsRecordingOf(dir.File("0"), src, c.packets, false));
        EXPECT_EQ(q[0].ends, (Ends{{StreamEnd::Stopped, c.packets}}));
        EXPECT_EQ(q[1].ends, (Ends{{StreamEnd::Interrupted, c.packets}}));
    }
}

TEST(Limits, SizeAndTimeLimitsEndEveryClientWithAFinishedFile)
{
    const Parts& src = Split(Sample());
    const Repeated stream = Repeat(src, 10);  // enough for the 1 MB limit
    size_t timed = 0;  // packets up to the first one sent at 2 s or later
    while (SendTime(src.packets[timed++], src.packetSize) < 2000) {
    }
    const size_t sized = (1048576 - src.header.size() + src.packetSize - 1) / src.packetSize;
    ASSERT_LT(sized, stream.Count());
    struct Case {
        Kind kind;
        bool live;
        std::optional<int> seconds, megabytes;
    };
    for (const Case& c : {Case{Kind::Mms, false, 2, {}}, Case{Kind::Mms, false, {}, 1}, Case{Kind::Mms, true, 2, {}},
                          Case{Kind::Rtsp, false, 2, {}}, Case{Kind::Rtsp, false, {}, 1},
                          Case{Kind::Mmsh, false, 2, {}}, Case{Kind::Mmsh, false, {}, 1},
                          Case{Kind::Mmsh, true, 2, {}}, Case{Kind::Http, false, {}, 1}}) {
        SCOPED_TRACE(testing::Message() << Name(c.kind) << (c.live ? " live" : "") << (c.seconds ? " time" : " size"));
        Options run;
        run.settings.m_timePolicy = c.seconds.has_value() || c.kind == Kind::Http;  // a download has no time limit
        run.settings.m_maxTime = c.seconds.value_or(0);
        run.settings.m_sizePolicy = c.megabytes.has_value();
        run.settings.m_maxSize = c.megabytes.value_or(0);
        std::vector<std::string> options = {"--repeat", "10"};
        if (c.live || c.kind == Kind::Http)
            options = c.kind == Kind::Mmsh ? std::vector<std::string>{"--mode", "live"} : std::vector<std::string>{};
        FakeServer server;
        ASSERT_TRUE(Serve(server, c.kind, c.live && c.kind != Kind::Mmsh ? LiveSample() : Sample(), options));
        TempDir dir;
        const std::string path = dir.File("out.asf");
        const Outcome o = Record(c.kind, Url(c.kind, server.port()), path, run);
        EXPECT_TRUE(o.errors.empty()) << o.errors.front();
        if (c.kind == Kind::Http) {  // the block that reaches the limit is the last
            EXPECT_EQ(o.bytes, 1048576u);
            EXPECT_EQ(testsupport::FileSize(path), 1048576u);
            continue;
        }
        const size_t n = c.seconds ? timed : sized;
        EXPECT_EQ(o.bytes, src.header.size() + n * src.packetSize);
        EXPECT_EQ(o.ends, (Ends{{StreamEnd::LimitReached, n}}));
        // A broadcast's file is finished with its own counts; an on-demand
        // one keeps the stream's, and stays resumable.
        EXPECT_TRUE(IsRecordingOf(path, c.live ? src : stream.First(n), n, c.live));
        EXPECT_TRUE(Decodes(path));
        EXPECT_EQ(ResumeScan().Scan(path), !c.live);
    }
}

TEST(StreamEnd, EachStreamClientTellsHowItsStreamEnded)
{
    const Parts& src = Split(Sample());
    const uint64_t all = src.packets.size();
    ASSERT_GT(all, 16u);
    struct Case {
        Kind kind;
        bool live;
        std::vector<std::string> options;
        StreamEnd end;
        uint64_t packets;
    };
    using E = StreamEnd;
    const std::vector<Case> cases = {
        {Kind::Mms, false, {}, E::EndOfStream, all},
        {Kind::Mms, false, {"--end-after", "10"}, E::Incomplete, 10},  // the server's end mark, too early
        {Kind::Mms, false, {"--stop-after", "10"}, E::Interrupted, 10},  // closed without one
        {Kind::Mms, true, {"--stop-after", "10"}, E::ConnectionLost, 10},
        {Kind::Rtsp, false, {}, E::EndOfStream, all},
        {Kind::Rtsp, false, {"--end", "close"}, E::EndOfStream, all},  // all there: whole without the notice
        {Kind::Rtsp, false, {"--stop-after", "10"}, E::Incomplete, 10},
        {Kind::Rtsp, true, {"--stop-after", "10", "--end", "close"}, E::ConnectionLost, 10},
        {Kind::Mmsh, false, {}, E::EndOfStream, all},
        {Kind::Mmsh, false, {"--fault", "end=10"}, E::Incomplete, 10},
        {Kind::Mmsh, false, {"--fault", "close=10"}, E::Interrupted, 10},
        {Kind::Mmsh, true, {"--mode", "live"}, E::EndOfStream, all},
        {Kind::Mmsh, true, {"--mode", "live", "--fault", "close=10"}, E::ConnectionLost, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << Name(c.kind) << (c.live ? " live " : " ")
                                        << testing::PrintToString(c.options));
        FakeServer server;
        ASSERT_TRUE(Serve(server, c.kind, c.live && c.kind != Kind::Mmsh ? LiveSample() : Sample(), c.options));
        TempDir dir;
        const std::string path = dir.File("out.asf");
        const Outcome o = Record(c.kind, Url(c.kind, server.port()), path);
        EXPECT_TRUE(o.errors.empty()) << o.errors.front();
        EXPECT_EQ(o.ends, (Ends{{c.end, c.packets}}));
        // Finished either way; cut short on demand, it can be resumed.
        EXPECT_TRUE(IsRecordingOf(path, src, c.packets, c.live || (c.kind == Kind::Rtsp && c.packets == all)));
        EXPECT_EQ(ResumeScan().Scan(path), c.end == E::Incomplete || c.end == E::Interrupted);
    }
}

std::string ReadAt(const std::string& path, uint64_t offset, size_t n)
{
    std::ifstream in(path, std::ios::binary);
    std::string s(n, '\0');
    in.seekg(static_cast<std::streamoff>(offset)).read(s.data(), static_cast<std::streamsize>(n));
    return s.substr(0, static_cast<size_t>(in.gcount()));
}

// A recording of more than 4 GiB, cut short ten packets before its end, is
// resumed as the job driver does it and finished with 64-bit fields.
TEST(ResumePast4GiB, TheMissingPacketsAreFetchedAndTheFileFinished)
{
    const Parts& src = Split(Sample());
    const uint64_t passes = (uint64_t{5} << 30) / (src.packets.size() * src.packetSize) + 1;
    const Repeated stream = Repeat(src, passes);
    const uint64_t count = stream.Count(), cutAt = count - 10, dataStart = src.header.size();
    ASSERT_GT(dataStart + cutAt * src.packetSize, uint64_t{1} << 32);
    for (Kind kind : {Kind::Mms, Kind::Mmsh}) {
        SCOPED_TRACE(Name(kind));
        TempDir dir;
        const std::string path = dir.File("big.asf");
        testsupport::WriteFile(path, stream.header);
        ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(dataStart + cutAt * src.packetSize + 100)), 0);
        ResumeScan scan;
        ASSERT_TRUE(scan.Scan(path));
        ASSERT_EQ(scan.resumePacket, cutAt - 1);

        FakeServer server;
        ASSERT_TRUE(Serve(server, kind, Sample(), {"--repeat", std::to_string(passes)}));
        // From the last whole packet on, by number or by its offset.
        Options run;
        run.resume = kind == Kind::Mms ? scan.resumePacket : scan.resumeOffset;
        run.offset = scan.resumeOffset;
        run.keep = true;
        const Outcome o = Record(kind, Url(kind, server.port()), path, run);
        EXPECT_TRUE(o.errors.empty()) << o.errors.front();
        const uint64_t fetched = 11;
        EXPECT_EQ(o.bytes, fetched * src.packetSize);
        EXPECT_EQ(o.ends, (Ends{{StreamEnd::EndOfStream, fetched}}));

        const uint64_t end = dataStart + count * src.packetSize + 62;
        EXPECT_EQ(testsupport::FileSize(path), end);
        std::string header = stream.header;
        Put64(header, src.fileProps + 40, end);
        Put32(header, src.fileProps + 88, 2);
        EXPECT_TRUE(ReadAt(path, 0, header.size()) == header);
        for (uint64_t i = count - fetched; i < count; ++i)
            ASSERT_TRUE(ReadAt(path, dataStart + i * src.packetSize, src.packetSize) == stream.Packet(i)) << i;
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_LT(uint64_t(st.st_blocks) * 512, uint64_t{64} << 20) << "the file was not written sparsely";
    }
}

// A resume position in a unit the client does not take is refused before
// anything is sent (the download cannot resume at all: it would write a
// whole body behind the part kept); a closed port fails at once; and each
// call starts afresh.
TEST(Attempts, AResumeInAnotherUnitIsRefusedAndEachCallStartsAfresh)
{
    const std::vector<std::pair<Kind, std::vector<ResumeAt>>> cases = {
        {Kind::Mms, {ResumeAt::Byte(4096)}},
        {Kind::Rtsp, {ResumeAt::Byte(4096)}},
        {Kind::Mmsh, {ResumeAt::Packet(3)}},
        {Kind::Http, {ResumeAt::Packet(3), ResumeAt::Byte(4096)}}};
    for (const auto& [kind, refused] : cases) {
        SCOPED_TRACE(Name(kind));
        TempDir dir;
        WithClient(kind, [&](auto type) {
            Recorder<typename decltype(type)::type> r;
            for (const ResumeAt& at : refused) {
                std::unique_ptr<FileSink> out = FileSink::Create(dir.File("refused.asf"));
                RecordRequest request;
                request.out = out.get();
                request.url = Url(kind, 1);
                request.resume = at;
                EXPECT_EQ(r.Get().Record(request), 0u);
                ASSERT_EQ(r.hooks.reasons.size(), 1u);
                EXPECT_NE(r.hooks.reasons.back().find("resume"), std::string::npos) << r.hooks.reasons.back();
                r.hooks.reasons.clear();
                EXPECT_TRUE(out->Close());
            }
            EXPECT_TRUE(r.hooks.connecting.empty());
            EXPECT_EQ(testsupport::FileSize(dir.File("refused.asf")), 0u);
            // Nobody listening: a prompt failure with its reason.
            const auto started = Clock::now();
            EXPECT_EQ(r.Record(Url(kind, 1), dir.File("closed.asf")), 0u);
            EXPECT_LT(Clock::now() - started, 3s);
            EXPECT_EQ(r.hooks.reasons.size(), 1u);
            // The same object then records a whole stream: neither the
            // failures nor a stop asked for before the call carries over.
            FakeServer server;
            ASSERT_TRUE(Serve(server, kind, Sample(), {}));
            r.Get().Stop();
            const uint64_t bytes = r.Record(Url(kind, server.port()), dir.File("whole.asf"));
            if (kind == Kind::Http)
                EXPECT_EQ(bytes, 3000000u);
            else
                EXPECT_TRUE(IsRecordingOf(dir.File("whole.asf"), Split(Sample()), Split(Sample()).packets.size(),
                                          kind == Kind::Rtsp));
        });
    }
}

}  // namespace
