// Thousands of deterministic mutations of valid frames, each parsed from a
// heap block of exactly its size: under the address sanitizer any read past
// a frame fails the test; every row that still comes out must be sound.

#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include "capture/capture_memory.h"
#include "capture/frame_parser.h"
#include "frame_builder.h"

using namespace capturetest;

namespace {

bool ValidUtf8(const std::string& s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (n == 9)
            return false;
        for (size_t k = 1; k <= n; ++k) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        }
        i += n + 1;
    }
    return true;
}

bool HasControl(const std::string& s)
{
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return true;
    }
    return false;
}

size_t Utf8Chars(const std::string& s)
{
    size_t n = 0;
    for (char c : s)
        n += (static_cast<unsigned char>(c) >> 6) != 2;
    return n;
}

// Checks every row and title as the parser hands it over.
class CheckingSink final : public CaptureSink {
public:
    int AddCapturedRow(const std::string& address, const std::string& title,
                       const std::string& identity) override
    {
        ++rows;
        EXPECT_FALSE(address.empty());
        EXPECT_LE(address.size(), FrameParser::kMaxHttpAddress);
        EXPECT_FALSE(HasControl(address)) << address;
        EXPECT_TRUE(title.empty());
        EXPECT_LE(identity.size(), CaptureMemory::kMaxPlayerIdentification);
        EXPECT_TRUE(ValidUtf8(identity));
        EXPECT_FALSE(HasControl(identity));
        if (address.rfind("mms://", 0) == 0) {
            EXPECT_TRUE(ValidUtf8(address)) << address;
            EXPECT_LE(Utf8Chars(address), std::string("mms://255.255.255.255/").size() + 1023);
        }
        return rows;
    }
    void SetCapturedTitle(const std::string& address, const std::string& title) override
    {
        ++titles;
        EXPECT_EQ(address.rfind("mms://", 0), 0u) << address;
        EXPECT_FALSE(title.empty());
        EXPECT_LE(Utf8Chars(title), FrameParser::kMaxTitle);
        EXPECT_TRUE(ValidUtf8(title));
        EXPECT_FALSE(HasControl(title));
    }
    int rows = 0;
    int titles = 0;
};

// xorshift64*: the same sequence on every platform and run.
class Random {
public:
    uint64_t Next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }

private:
    uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

struct Seed {
    int linkType;
    Bytes frame;
};

std::vector<Seed> Seeds()
{
    auto to = [](uint16_t port, std::string payload) {
        TcpPacket p;
        p.destPort = port;
        p.payload = std::move(payload);
        return p;
    };
    TcpPacket fromServer;
    fromServer.sourcePort = 1755;
    fromServer.destPort = 40000;
    fromServer.payload = AsfHeaderWithTitle(u"Fuzzed \uC81C\uBAA9 title", true);
    std::vector<Seed> seeds = {
        {DLT_EN10MB, TcpFrame(to(80, HttpGet("/v/a.asf?x=1")))},
        {DLT_EN10MB, TcpFrame(to(8080, HttpGet("http://proxy.example/b.wmv")))},
        {DLT_EN10MB, TcpFrame(to(554, RtspDescribe("rtsp://10.0.0.5/live")))},
        {DLT_EN10MB, TcpFrame(to(1755, MmsConnect(u"NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-"
                                                   u"AE0A-59FCD8CF430E}; Host: 10.0.0.5")))},
        {DLT_EN10MB, TcpFrame(to(1755, MmsOpenFile(u"live/\uB274\uC2A4.asf")))},
        {DLT_EN10MB, TcpFrame(fromServer)},
        {DLT_EN10MB, Pppoe(Ipv4(to(80, HttpGet("/p.asf"))), true)},
        {DLT_EN10MB, Pppoe(Ipv4(to(1755, MmsOpenFile(u"pp.asf"))), false)},
        {DLT_LINUX_SLL, LinuxCooked(Ipv4(to(8080, HttpGet("/c.asf"))))},
        {DLT_LINUX_SLL2, LinuxCooked2(Ipv4(to(554, RtspDescribe("rtsp://h/x"))))},
        {DLT_RAW, Ipv4(to(1755, MmsOpenFile(u"raw.asf")))},
    };
    return seeds;
}

void Mutate(Bytes& f, Random& random, const std::vector<Seed>& seeds)
{
    const int edits = 1 + static_cast<int>(random.Below(4));
    for (int e = 0; e < edits; ++e) {
        switch (random.Below(7)) {
        case 0:  // flip a bit
            if (!f.empty())
                f[random.Below(f.size())] ^= static_cast<uint8_t>(1u << random.Below(8));
            break;
        case 1: {  // an edge value, often in the length fields of the headers
            static const uint8_t values[] = {0, 1, 0x7F, 0x80, 0xFF, 0x05, 0x40, 0x4F, 0xF0};
            static const size_t hot[] = {14, 16, 17, 20, 21, 46, 62, 63, 64, 65, 70, 90, 92};
            size_t at = random.Below(2) ? hot[random.Below(std::size(hot))] : random.Below(f.size());
            if (at < f.size())
                f[at] = values[random.Below(std::size(values))];
            break;
        }
        case 2:  // cut short
            f.resize(random.Below(f.size() + 1));
            break;
        case 3: {  // grow with noise
            const size_t n = random.Below(64);
            for (size_t i = 0; i < n; ++i)
                f.push_back(static_cast<uint8_t>(random.Next()));
            break;
        }
        case 4: {  // splice the tail of another frame
            const Bytes& other = seeds[random.Below(seeds.size())].frame;
            const size_t from = random.Below(other.size());
            const size_t at = random.Below(f.size() + 1);
            f.resize(at);
            f.insert(f.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
            break;
        }
        case 5:  // random byte
            if (!f.empty())
                f[random.Below(f.size())] = static_cast<uint8_t>(random.Next());
            break;
        default: {  // a 16-bit big-endian field set to a random size
            if (f.size() >= 2) {
                const size_t at = random.Below(f.size() - 1);
                const size_t v = random.Below(f.size() * 2 + 2);
                f[at] = static_cast<uint8_t>(v >> 8);
                f[at + 1] = static_cast<uint8_t>(v);
            }
            break;
        }
        }
    }
}

TEST(FrameParserFuzzTest, MutatedFramesNeverOverreadAndYieldSoundRows)
{
    const std::vector<Seed> seeds = Seeds();
    CaptureMemory memory;
    CheckingSink sink;
    FrameParser parser(memory, sink);
    CaptureSettings settings;
    settings.fileTypes = {".wmv", ".asf", ".wma", ".ogg", ".avi", ".mpa", ".mpg", ".mpeg", ""};
    parser.SetSettings(settings);

    // Each seed parses cleanly before it is mutated.
    for (const Seed& s : seeds) {
        auto copy = ExactCopy(s.frame);
        parser.ParseLinkFrame(s.linkType, copy.get(), s.frame.size());
    }
    ASSERT_GE(sink.rows, 9);

    Random random;
    const int kRounds = 40000;
    for (int i = 0; i < kRounds; ++i) {
        const Seed& seed = seeds[random.Below(seeds.size())];
        Bytes frame = seed.frame;
        Mutate(frame, random, seeds);
        // Keep the MMS title path reachable: an open-file now and then.
        if (random.Below(16) == 0) {
            auto open = ExactCopy(seeds[4].frame);
            parser.ParseCapturedFrame(open.get(), seeds[4].frame.size());
        }
        auto copy = ExactCopy(frame);
        const int linkType = random.Below(8) == 0 ? DLT_EN10MB : seed.linkType;
        parser.ParseLinkFrame(linkType, copy.get(), frame.size());
        if (HasFailure())
            FAIL() << "round " << i;
    }
    // The mutations must reach the deep paths, not just the early rejects.
    EXPECT_GT(sink.rows, kRounds / 20);
    EXPECT_GT(sink.titles, 20);
}

}  // namespace
