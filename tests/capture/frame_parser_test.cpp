#include "capture/frame_parser.h"

#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include <algorithm>
#include <memory>

#include "capture/capture_memory.h"
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
    s.replace(at, 1, 1, value);
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
        {"every link type leads to its request",
         {{DLT_LINUX_SLL, Cooked(Ipv4(Tcp(80, HttpGet("/sll.asf"))))},
          {DLT_LINUX_SLL2, std::string("\x08\0\0\0\0\0\0\1\0\1\4\6", 12) + Zeros(8) + IpGet("/sll2.asf")},
          {DLT_RAW, IpGet("/raw.asf")},
          {DLT_NULL, std::string("\2\0\0\0", 4) + IpGet("/null.asf")},
          {DLT_LOOP, std::string("\0\0\0\2", 4) + IpGet("/loop.asf")}},
         {Http("/sll.asf"), Http("/sll2.asf"), Http("/raw.asf"), Http("/null.asf"), Http("/loop.asf")}},
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

}  // namespace
