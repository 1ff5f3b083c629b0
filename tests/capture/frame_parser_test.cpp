#include "capture/frame_parser.h"

#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include <algorithm>
#include <random>

#include "capture/capture_memory.h"
#include "frame_builder.h"

using namespace capturetest;

namespace {

const std::string kInitialId = CaptureMemory::kInitialPlayerIdentification;
const std::string kId = "NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}";

CaptureSettings Settings(Strings types = {".wmv", ".asf", ".wma", ".ogg", ".avi", ".mpa", ".mpg", ".mpeg"})
{
    CaptureSettings s;
    s.fileTypes = std::move(types);
    return s;
}

struct Input {
    Input(std::string f) : frame(std::move(f)) {}
    Input(int l, std::string f) : link(l), frame(std::move(f)) {}
    int link = DLT_EN10MB;
    std::string frame;
};

struct Case {
    const char* name;
    CaptureSettings settings;
    std::vector<Input> frames;
    Strings lines;
};

std::string Http(const std::string& address) { return "added\thttp://10.0.0.5" + address; }
std::string Mms(const std::string& name, const std::string& id = kInitialId)
{
    return "added\tmms://10.0.0.5/" + name + "\tplayer\t" + id;
}
std::string Get(const std::string& target, uint16_t port = 80) { return Frame(port, HttpGet(target)); }
std::string Open(const std::u16string& name) { return Frame(1755, MmsOpenFile(name)); }
std::string IpGet(const std::string& target) { return Ipv4(Tcp(80, HttpGet(target))); }
std::string Ppp(const std::string& target, bool oneByte, uint16_t type = 0x8864, char code = 0)
{
    return Ethernet(Pppoe(IpGet(target), oneByte, code), type);
}
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
    for (const std::string& f : {Get("/cut.asf"), Frame(554, RtspDescribe("rtsp://10.0.0.5/cut")),
                                 Open(u"cut.asf"), Ppp("/cutppp.asf", true)}) {
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

std::vector<Case> Cases()
{
    const std::string fits = "/" + std::string(FrameParser::kMaxHttpAddress - 20, 'a') + ".asf";
    const std::u16string name1023 = std::u16string(1019, u'n') + u".asf";
    const std::string c = MmsOpenFile(u"c.asf"), mmsCut = MmsOpenFile(u"d.asf").substr(0, 56 + 10);
    // A later fragment: bytes 2-3 stand where the destination port would, 1755.
    const std::string fragment = Set(Set(MmsOpenFile(u"frag.asf"), 2, 0x06), 3, '\xDB');
    const std::string connect = Frame(1755, MmsConnect(kId + "; Host: 10.0.0.5"));
    auto title = [](const std::string& name, const std::string& text) {
        return "title\tmms://10.0.0.5/" + name + "\t" + text;
    };
    return {
        {"http: port 80 with the switch on, 8080 always, 8081 never", Settings(),
         {Get("/v/a.asf"), Get("/v/b.asf", 8080), Get("/v/c.asf", 8081)},
         {Http("/v/a.asf"), Http(":8080/v/b.asf")}},
        {"http: file types", Settings(),
         {Get("/V/A.ASF"), Get("/index.html"), Get("/a.wmv?x=1&y=2"), Get(".asf"),
          Frame(80, "get /lower.asf HTTP/1.0\r\nHost: x\r\n\r\n"), Frame(80, "GET /no-space.asf")},
         {Http("/V/A.ASF"), Http("/a.wmv?x=1&y=2")}},
        {"http: own file types", Settings({".html"}), {Get("/index.html"), Get("/c.asf")},
         {Http("/index.html")}},
        {"http: target forms", Settings(),
         {Get("http://media.example.net:81/live/a.asf", 8080), Get("v/b.asf"),
          Frame(80, "GET /c.asf\r\nHost: 10.0.0.5\r\nUser-Agent: NSPlayer/9.0 x\r\n\r\n")},
         {"added\thttp://media.example.net:81/live/a.asf", Http("/v/b.asf")}},
        {"http: address limit", Settings(), {Get("/x" + fits), Get(fits)}, {Http(fits)}},
        {"rtsp: describe only, port 554 only, no file-type filter", Settings({}),
         {Frame(554, RtspDescribe("rtsp://10.0.0.5/live")), Frame(554, "DESCRIBE x"),
          Frame(554, "DESCRIBE rtsp://10.0.0.5/no-space"), Frame(555, RtspDescribe("rtsp://h/o")),
          Frame(554, "OPTIONS rtsp://10.0.0.5/opt RTSP/1.0\r\nCSeq: 1\r\n\r\n")},
         {"added\trtsp://10.0.0.5/live"}},
        {"mms: open-file takes the identity of the last connect", Settings(),
         {Open(u"first.asf"), connect, Open(u"live/x.asf"), Open(u"live/x.asf")},
         {Mms("first.asf"), Mms("live/x.asf", kId)}},
        {"mms: malformed commands and names", Settings(),
         {Frame(1755, Set(c, 0, 2)), Frame(1755, Set(c, 5, 0)), Frame(1755, Set(c, 8, char(c.size()))),
          Frame(1755, mmsCut), Open(name1023 + u"x"), Open(name1023)},
         {Mms(std::string(1019, 'n') + ".asf")}},
        {"mms: names beyond ASCII", Settings(),
         {Open(u"\uBC29\uC1A1/\U0001F3B5.asf"), Open(std::u16string(u"bad") + char16_t(0xD800) + u".asf")},
         {Mms("\xEB\xB0\xA9\xEC\x86\xA1/\xF0\x9F\x8E\xB5.asf"), Mms("bad\xEF\xBF\xBD.asf")}},
        {"mms: the title of the first server header after an open-file", Settings(),
         {FromServer(AsfTitleHeader(u"Too early", true)), Open(u"live/x.asf"), Get("/v/a.asf"),
          Frame(1755, AsfTitleHeader(u"Wrong way", false)),
          FromServer(AsfTitleHeader(u"Morning \uB274\uC2A4\n", true)),
          FromServer(AsfTitleHeader(u"Second", false)), Open(u"y.asf"),
          FromServer(AsfTitleHeader(u"Plain", false))},
         {Mms("live/x.asf"), Http("/v/a.asf"), title("live/x.asf", "Morning \xEB\x89\xB4\xEC\x8A\xA4 "),
          Mms("y.asf"), title("y.asf", "Plain")}},
        {"mms: an empty title still ends the wait", Settings(),
         {Open(u"z.asf"), FromServer(AsfTitleHeader(u"", true)), FromServer(AsfTitleHeader(u"Late", true))},
         {Mms("z.asf")}},
        {"fragments are read from their first byte", Settings(),
         {Ethernet(Ipv4(Tcp(80, HttpGet("/frag.asf")), 0x2000)), Ethernet(Ipv4(fragment, 0x2001))},
         {Mms("frag.asf")}},
        {"options and trailer", Settings(),
         {Ethernet(Ipv4(Tcp(80, HttpGet("/opt.asf"), 40000, 12), 0x4000, 8)) + std::string(20, '\xEE')},
         {Http("/opt.asf")}},
        {"pppoe", Settings(),
         {Ppp("/ppp1.asf", true), Ppp("/ppp2.asf", false), Ppp("/ppp3.asf", true, 0x8863),
          Ppp("/code.asf", true, 0x8864, 7), Set(Ppp("/v6.asf", true), 20, 0x57),
          Set(Ppp("/even.asf", false), 21, 0x22)},
         {Http("/ppp1.asf"), Http("/ppp2.asf"), Http("/ppp3.asf")}},
        {"link types", Settings(),
         {{DLT_LINUX_SLL, Cooked(IpGet("/sll.asf"))},
          {DLT_LINUX_SLL2, std::string("\x08\0\0\0\0\0\0\1\0\1\4\6", 12) + Zeros(8) + IpGet("/sll2.asf")},
          {DLT_RAW, IpGet("/raw.asf")},
          {DLT_NULL, std::string("\2\0\0\0", 4) + IpGet("/null.asf")},
          {DLT_LOOP, std::string("\0\0\0\2", 4) + IpGet("/loop.asf")},
          {DLT_RAW, Set(IpGet("/v6.asf"), 0, 0x60)}},
         {Http("/sll.asf"), Http("/sll2.asf"), Http("/raw.asf"), Http("/null.asf"), Http("/loop.asf")}},
        {"truncated and lying frames", Settings(), TruncatedAndLying(),
         {Mms("t.asf"), title("t.asf", "Long title")}},
    };
}

// Every frame is parsed from a heap block of exactly its size.
TEST(FrameParserTest, Cases)
{
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        CaptureMemory memory;
        LineSink sink;
        FrameParser parser(memory, sink);
        parser.SetSettings(c.settings);
        for (const Input& in : c.frames)
            parser.ParseLinkFrame(in.link, ExactCopy(in.frame).get(), in.frame.size());
        EXPECT_EQ(sink.Take(), c.lines);
    }
}

bool Control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Valid UTF-8 without control characters.
bool Sound(const std::string& s)
{
    for (size_t i = 0, n; i < s.size(); i += n) {
        const auto c = static_cast<unsigned char>(s[i]);
        n = c < 0x80 ? 1 : c >= 0xF8 ? 0 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (n == 0 || Control(s[i]) || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
        }
    }
    return true;
}

size_t Chars(const std::string& s)
{
    return std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; });
}

class CheckingSink final : public CaptureSink {
public:
    int AddCapturedRow(const std::string& address, const std::string& title, const std::string& id) override
    {
        EXPECT_TRUE(!address.empty() && address.size() <= FrameParser::kMaxHttpAddress) << address;
        // HTTP targets may hold any byte but controls; MMS names are converted text.
        const bool mms = address.rfind("mms://", 0) == 0;
        EXPECT_TRUE(mms ? Sound(address) && Chars(address) <= 22 + FrameParser::kMaxMmsFileName
                        : std::none_of(address.begin(), address.end(), Control))
            << address;
        EXPECT_TRUE(title.empty());
        EXPECT_TRUE(id.size() <= CaptureMemory::kMaxPlayerIdentification && Sound(id)) << id;
        return ++rows;
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
    const std::vector<std::pair<int, std::string>> seeds = {
        {DLT_EN10MB, Frame(80, HttpGet("/v/a.asf?x=1"))},
        {DLT_EN10MB, Frame(8080, HttpGet("http://proxy.example/b.wmv"))},
        {DLT_EN10MB, Frame(554, RtspDescribe("rtsp://10.0.0.5/live"))},
        {DLT_EN10MB, Frame(1755, MmsConnect(kId))},
        {DLT_EN10MB, open},
        {DLT_EN10MB, FromServer(AsfTitleHeader(u"Fuzzed \uC81C\uBAA9 title", true))},
        {DLT_EN10MB, Ethernet(Pppoe(Ipv4(Tcp(80, HttpGet("/p.asf"))), true), 0x8864)},
        {DLT_LINUX_SLL, Cooked(Ipv4(Tcp(1755, MmsOpenFile(u"pp.asf"))))},
        {DLT_RAW, Ipv4(Tcp(554, RtspDescribe("rtsp://h/x")))},
    };
    CaptureMemory memory;
    CheckingSink sink;
    FrameParser parser(memory, sink);
    CaptureSettings settings;
    settings.fileTypes = {".wmv", ".asf", ".wma", ""};
    parser.SetSettings(settings);
    auto parse = [&](int link, const std::string& f) {
        parser.ParseLinkFrame(link, ExactCopy(f).get(), f.size());
    };
    for (const auto& [link, frame] : seeds)
        parse(link, frame);
    ASSERT_EQ(sink.rows, 7);
    ASSERT_EQ(sink.titles, 1);

    std::mt19937_64 random(20240601);  // the same sequence on every platform
    auto below = [&](size_t n) { return n ? static_cast<size_t>(random() % n) : 0; };
    const int kRounds = 40000;
    for (int round = 0; round < kRounds; ++round) {
        const auto& [link, seed] = seeds[below(seeds.size())];
        std::string f = seed;
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
                const std::string& other = seeds[below(seeds.size())].second;
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
            parse(DLT_EN10MB, open);
        parse(below(8) == 0 ? DLT_EN10MB : link, f);
        if (HasFailure())
            FAIL() << "round " << round;
    }
    // The mutations must reach the deep paths, not just the early rejects.
    EXPECT_GT(sink.rows, kRounds / 20);
    EXPECT_GT(sink.titles, 20);
}

}  // namespace
