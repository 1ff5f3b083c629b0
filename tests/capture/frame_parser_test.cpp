#include "capture/frame_parser.h"

#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include <algorithm>
#include <memory>
#include <random>

#include "capture/capture_memory.h"
#include "formats/utf16.h"
#include "frame_builder.h"

using namespace capturetest;

namespace {

const std::string kId = "NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}";

struct Input {
    Input(std::string f) : frame(std::move(f)) {}
    Input(int l, std::string f) : link(l), frame(std::move(f)) {}
    int link = DLT_EN10MB;
    std::string frame;
};

// Every frame is parsed from a heap block of exactly its size: the address
// sanitizer catches any read past its end.
void Parse(FrameParser& parser, const Input& in)
{
    const auto copy = std::make_unique<uint8_t[]>(in.frame.size());
    std::copy(in.frame.begin(), in.frame.end(), copy.get());
    parser.ParseLinkFrame(in.link, copy.get(), in.frame.size());
}

std::string Http(const std::string& address) { return "added\thttp://10.0.0.5" + address; }
std::string Mms(const std::string& name, const std::string& id = CaptureMemory::kInitialPlayerIdentification)
{
    return "added\tmms://10.0.0.5/" + name + "\tplayer\t" + id;
}
std::string Title(const std::string& name, const std::string& text)
{
    return "title\tmms://10.0.0.5/" + name + "\t" + text;
}
std::string Get(const std::string& target) { return Frame(80, HttpGet(target)); }
std::string Open(const std::u16string& name) { return Frame(1755, MmsOpenFile(name)); }
std::string Header(const std::u16string& title, bool mmsPrefix = true)
{
    return FromServer(AsfTitleHeader(title, mmsPrefix));
}
std::string IpGet(const std::string& target) { return Ipv4(Tcp(80, HttpGet(target))); }
std::string Set(std::string s, size_t at, char value)
{
    s.at(at) = value;
    return s;
}

// Frames cut anywhere and frames whose lengths claim more than they hold;
// then a title whose length reaches past the segment, read as far as it goes.
std::vector<Input> TruncatedAndLying()
{
    std::vector<Input> frames;
    for (const std::string& f : {Get("/cut.asf"), Frame(554, RtspDescribe("rtsp://h/cut")), Open(u"cut.asf"),
                                 Ethernet(Pppoe(IpGet("/cutppp.asf"), true), 0x8864)}) {
        for (size_t length = 0; length < f.size(); ++length)
            frames.emplace_back(f.substr(0, length));
    }
    const std::string base = Get("/lie.asf");
    const std::pair<size_t, char> lies[] = {
        {17, '\xFF'}, {16, '\xFF'},  // IP total length beyond the frame
        {14, 0x44},   {14, 0x4F},    // IP header of 16 bytes, of 60 (beyond the total)
        {46, 0x40},   {46, '\xF0'},  // TCP header of 16 bytes, of 60
        {17, 39},     {23, 17},      // total length cutting into the TCP header; UDP
        {14, 0x65}};                 // version 6
    for (const auto& [at, value] : lies)
        frames.emplace_back(Set(base, at, value));
    frames.emplace_back(Set(Set(base, 17, 23), 20, 0x20));  // a fragment too short for the ports
    frames.emplace_back(Open(u"t.asf"));
    std::string header = AsfTitleHeader(u"Long title", false);
    header.resize(header.size() - 18);  // drop the author and the title's terminator
    frames.emplace_back(FromServer(Set(Set(header, header.size() - 30, '\xFF'), header.size() - 29, '\xFF')));
    return frames;
}

TEST(FrameParserTest, Cases)
{
    const std::string fits = "/" + std::string(FrameParser::kMaxHttpAddress - 20, 'a') + ".asf";
    const std::u16string name1023 = std::u16string(1019, u'n') + u".asf";
    const std::string c = MmsOpenFile(u"c.asf");
    // A later fragment: bytes 2-3 stand where the destination port would, 1755.
    const std::string fragment = Set(Set(MmsOpenFile(u"frag.asf"), 2, 0x06), 3, '\xDB');
    const struct {
        const char* name;
        std::vector<Input> frames;
        Strings lines;
    } cases[] = {
        {"http: address limit", {Get("/x" + fits), Get(fits)}, {Http(fits)}},
        {"mms: malformed commands and names",
         {Frame(1755, Set(c, 0, 2)), Frame(1755, Set(c, 5, 0)), Frame(1755, Set(c, 8, char(c.size()))),
          Frame(1755, MmsOpenFile(u"d.asf").substr(0, 56 + 10)), Open(name1023 + u"x"), Open(name1023)},
         {Mms(std::string(1019, 'n') + ".asf")}},
        // Only the first server header after an open-file names its title;
        // an empty title still ends the wait.
        {"mms: titles",
         {Header(u"Too early"), Open(u"live/x.asf"), Get("/v/a.asf"),
          Frame(1755, AsfTitleHeader(u"Wrong way", false)), Header(u"Morning \uB274\uC2A4\n"),
          Header(u"Second", false), Open(u"y.asf"), Header(u"Plain", false),
          Frame(1755, MmsConnect(kId + "; Host: 10.0.0.5")), Open(u"z.asf"), Header(u""), Header(u"Late")},
         {Mms("live/x.asf"), Http("/v/a.asf"), Title("live/x.asf", "Morning \xEB\x89\xB4\xEC\x8A\xA4 "),
          Mms("y.asf"), Title("y.asf", "Plain"), Mms("z.asf", kId)}},
        {"fragments are read from their first byte", {Ethernet(Ipv4(fragment, 0x2001))}, {Mms("frag.asf")}},
        // Two-byte protocol; an even first protocol byte is no protocol.
        {"pppoe",
         {Ethernet(Pppoe(IpGet("/ppp2.asf"), false), 0x8864),
          Set(Ethernet(Pppoe(IpGet("/even.asf"), false), 0x8864), 21, 0x22)},
         {Http("/ppp2.asf")}},
        {"truncated and lying frames", TruncatedAndLying(), {Mms("t.asf"), Title("t.asf", "Long title")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CaptureMemory memory;
        LineSink sink;
        FrameParser parser(memory, sink);
        parser.SetSettings(Watched());
        for (const Input& in : c.frames)
            Parse(parser, in);
        EXPECT_EQ(sink.Take(), c.lines);
    }
}

bool Control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

size_t Chars(const std::string& s)
{
    return std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; });
}

// Valid UTF-8 (unchanged by a round trip through UTF-16) without control characters.
bool Sound(const std::string& s)
{
    const std::string utf16 = Utf8ToUtf16Le(s);
    return std::none_of(s.begin(), s.end(), Control) &&
           Utf16LeToUtf8(reinterpret_cast<const uint8_t*>(utf16.data()), utf16.size()) == s;
}

class CheckingSink final : public CaptureSink {
public:
    void AddCapturedRow(const std::string& address, const std::string& title, const std::string& id) override
    {
        // HTTP targets may hold any byte but controls; MMS names are converted text.
        const bool mms = address.rfind("mms://", 0) == 0;
        EXPECT_TRUE(!address.empty() && address.size() <= FrameParser::kMaxHttpAddress && title.empty() &&
                    (mms ? Sound(address) && Chars(address) <= 22 + FrameParser::kMaxMmsFileName
                         : std::none_of(address.begin(), address.end(), Control)))
            << address;
        EXPECT_TRUE(id.size() <= CaptureMemory::kMaxPlayerIdentification && Sound(id)) << id;
        ++rows;
    }
    void SetCapturedTitle(const std::string& address, const std::string& title) override
    {
        ++titles;
        EXPECT_EQ(address.rfind("mms://", 0), 0u) << address;
        EXPECT_TRUE(!title.empty() && Sound(title) && Chars(title) <= FrameParser::kMaxTitle) << title;
    }
    int rows = 0;
    int titles = 0;
};

// Thousands of deterministic mutations of valid frames, each parsed from a
// heap block of exactly its size: under the address sanitizer any read past
// a frame fails the test; every row that still comes out must be sound.
TEST(FrameParserFuzzTest, MutatedFramesNeverOverreadAndYieldSoundRows)
{
    const std::string open = Frame(1755, MmsOpenFile(u"live/\uB274\uC2A4.asf"));
    const std::vector<Input> seeds = {
        Get("/v/a.asf?x=1"),
        Frame(8080, HttpGet("http://proxy.example/b.wmv")),
        Frame(554, RtspDescribe("rtsp://10.0.0.5/live")),
        Frame(1755, MmsConnect(kId)),
        open,
        Header(u"Fuzzed \uC81C\uBAA9 title"),
        Ethernet(Pppoe(IpGet("/p.asf"), true), 0x8864),
        {DLT_LINUX_SLL, Cooked(Ipv4(Tcp(1755, MmsOpenFile(u"pp.asf"))))},
        {DLT_LINUX_SLL2, std::string("\x08\0\0\0\0\0\0\1\0\1\4\6", 12) + Zeros(8) + IpGet("/sll2.asf")},
        {DLT_RAW, Ipv4(Tcp(554, RtspDescribe("rtsp://h/x")))},
        {DLT_NULL, std::string("\2\0\0\0", 4) + IpGet("/null.asf")},
        {DLT_LOOP, std::string("\0\0\0\2", 4) + IpGet("/loop.asf")},
    };
    CaptureMemory memory;
    CheckingSink sink;
    FrameParser parser(memory, sink);
    parser.SetSettings(Watched({".wmv", ".asf", ".wma", ""}));
    for (const Input& seed : seeds)  // each link type leads to its request
        Parse(parser, seed);
    ASSERT_EQ(sink.rows, 10);
    ASSERT_EQ(sink.titles, 1);

    std::mt19937_64 random(20240601);  // the same sequence on every platform
    auto below = [&](size_t n) { return n ? static_cast<size_t>(random() % n) : 0; };
    const int kRounds = 40000;
    for (int round = 0; round < kRounds; ++round) {
        Input in = seeds[below(seeds.size())];
        std::string& f = in.frame;
        for (size_t edits = 1 + below(4); edits > 0; --edits) {
            const size_t at = below(f.size()), value = below(f.size() * 2 + 2);
            switch (below(4)) {
            case 0: {  // a random or edge value, often in a length field of the headers
                static const char values[] = {0, 1, 0x7F, '\x80', '\xFF', 0x05, 0x40, 0x4F, '\xF0'};
                static const size_t hot[] = {14, 16, 17, 20, 21, 46, 62, 63, 64, 65, 70, 90, 92};
                const size_t where = below(2) ? hot[below(std::size(hot))] : at;
                if (where < f.size())
                    f[where] = below(2) ? values[below(std::size(values))] : static_cast<char>(random());
                break;
            }
            case 1:  // cut short, or grow
                f.resize(value, static_cast<char>(random()));
                break;
            case 2: {  // splice in the tail of another frame
                const std::string& other = seeds[below(seeds.size())].frame;
                f = f.substr(0, at) + other.substr(below(other.size()));
                break;
            }
            default:  // a 16-bit big-endian field set to a size near the frame's
                if (f.size() >= 2)
                    f.replace(below(f.size() - 1), 2, Be16(value));
                break;
            }
        }
        if (below(16) == 0)  // keeps the title path reachable
            Parse(parser, open);
        if (below(8) == 0)
            in.link = DLT_EN10MB;
        Parse(parser, in);
        if (HasFailure())
            FAIL() << "round " << round;
    }
    // The mutations must reach the deep paths, not just the early rejects.
    EXPECT_GT(sink.rows, kRounds / 20);
    EXPECT_GT(sink.titles, 20);
}

}  // namespace
