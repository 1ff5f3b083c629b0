#include "capture/frame_parser.h"

#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include "capture/capture_memory.h"
#include "formats/asf_guids.h"
#include "frame_builder.h"

using namespace capturetest;

namespace {

const std::vector<std::string> kBuiltInTypes = {".wmv", ".asf", ".wma", ".ogg",
                                                ".avi", ".mpa", ".mpg", ".mpeg"};

class FrameParserTest : public ::testing::Test {
protected:
    FrameParserTest() { Configure(true, true, true, kBuiltInTypes); }

    void Configure(bool http, bool mms, bool rtsp, std::vector<std::string> types)
    {
        CaptureSettings s;
        s.http = http;
        s.mms = mms;
        s.rtsp = rtsp;
        s.fileTypes = std::move(types);
        parser.SetSettings(s);
    }

    // Every frame is parsed from a heap block of exactly its size.
    void Feed(const Bytes& frame)
    {
        auto copy = ExactCopy(frame);
        parser.ParseCapturedFrame(copy.get(), frame.size());
    }
    void FeedLink(int linkType, const Bytes& frame)
    {
        auto copy = ExactCopy(frame);
        parser.ParseLinkFrame(linkType, copy.get(), frame.size());
    }

    static TcpPacket To(uint16_t port, std::string payload)
    {
        TcpPacket p;
        p.destPort = port;
        p.payload = std::move(payload);
        return p;
    }
    static TcpPacket FromServer(std::string payload)
    {
        TcpPacket p;
        p.source = {10, 0, 0, 5};
        p.dest = {10, 0, 0, 2};
        p.sourcePort = 1755;
        p.destPort = 40000;
        p.payload = std::move(payload);
        return p;
    }

    std::vector<std::string> Added() const { return sink.Addresses(); }

    CaptureMemory memory;
    RecordingSink sink;
    FrameParser parser{memory, sink};
};

using Strings = std::vector<std::string>;

TEST_F(FrameParserTest, HttpSwitchOnlyGovernsPort80)
{
    Configure(false, true, true, kBuiltInTypes);
    Feed(TcpFrame(To(80, HttpGet("/v/a.asf"))));
    EXPECT_TRUE(Added().empty());
    Feed(TcpFrame(To(8080, HttpGet("/v/a.asf"))));
    EXPECT_EQ(Added(), Strings{"http://10.0.0.5:8080/v/a.asf"});

    Configure(true, true, true, kBuiltInTypes);
    Feed(TcpFrame(To(80, HttpGet("/v/a.asf"))));
    Feed(TcpFrame(To(8081, HttpGet("/v/b.asf"))));
    EXPECT_EQ(Added(), (Strings{"http://10.0.0.5:8080/v/a.asf", "http://10.0.0.5/v/a.asf"}));
    EXPECT_EQ(memory.LastCapturedAddress(), "http://10.0.0.5/v/a.asf");
    for (const auto& row : sink.Rows()) {
        EXPECT_EQ(row.title, "");
        EXPECT_EQ(row.identity, "");
    }
}

TEST_F(FrameParserTest, HttpFileTypeFilter)
{
    Feed(TcpFrame(To(80, HttpGet("/V/A.ASF"))));       // filter ignores case, address keeps it
    Feed(TcpFrame(To(80, HttpGet("/index.html"))));    // not a listed type
    Feed(TcpFrame(To(80, HttpGet("/a.wmv?x=1&y=2"))));  // the type may stand anywhere
    Feed(TcpFrame(To(80, HttpGet(".asf"))));           // found only at position 0
    Feed(TcpFrame(To(80, "get /lower.asf HTTP/1.0\r\nHost: x\r\n\r\n")));  // method is exact
    Feed(TcpFrame(To(80, "GET /no-space-after-target.asf")));
    EXPECT_EQ(Added(), (Strings{"http://10.0.0.5/V/A.ASF", "http://10.0.0.5/a.wmv?x=1&y=2"}));

    Configure(true, true, true, {".html"});
    Feed(TcpFrame(To(80, HttpGet("/index.html"))));
    Feed(TcpFrame(To(80, HttpGet("/c.asf"))));
    EXPECT_EQ(Added().back(), "http://10.0.0.5/index.html");
    EXPECT_EQ(Added().size(), 3u);

    Configure(true, true, true, {});
    Feed(TcpFrame(To(80, HttpGet("/d.asf"))));
    EXPECT_EQ(Added().size(), 3u) << "an empty type list accepts nothing";
}

TEST_F(FrameParserTest, HttpTargetForms)
{
    // A request to a proxy names the whole address.
    Feed(TcpFrame(To(8080, HttpGet("http://media.example.net:81/live/a.asf"))));
    // A target without a leading slash gets one.
    Feed(TcpFrame(To(80, HttpGet("v/b.asf"))));
    // A request line without a version (line end before any blank) is no
    // address: its target would swallow the next header line.
    Feed(TcpFrame(To(80, "GET /c.asf\r\nHost: 10.0.0.5\r\nUser-Agent: NSPlayer/9.0 x\r\n\r\n")));
    EXPECT_EQ(Added(),
              (Strings{"http://media.example.net:81/live/a.asf", "http://10.0.0.5/v/b.asf"}));
}

TEST_F(FrameParserTest, HttpAddressLimit)
{
    const std::string prefix = "http://10.0.0.5";
    std::string fits = "/" + std::string(FrameParser::kMaxHttpAddress - prefix.size() - 5, 'a') +
                       ".asf";
    ASSERT_EQ(prefix.size() + fits.size(), FrameParser::kMaxHttpAddress);
    Feed(TcpFrame(To(80, HttpGet("/x" + fits))));  // one byte over
    EXPECT_TRUE(Added().empty());
    Feed(TcpFrame(To(80, HttpGet(fits))));
    ASSERT_EQ(Added().size(), 1u);
    EXPECT_EQ(Added()[0], prefix + fits);
}

TEST_F(FrameParserTest, RtspDescribe)
{
    Configure(true, true, true, {});  // no file-type filter for RTSP
    Feed(TcpFrame(To(554, RtspDescribe("rtsp://10.0.0.5/live"))));
    Feed(TcpFrame(To(554, "DESCRIBE x")));           // ten bytes: too short
    Feed(TcpFrame(To(554, "DESCRIBE rtsp://10.0.0.5/no-space")));
    Feed(TcpFrame(To(554, RtspDescribe("rtsp://10.0.0.5/live"))));  // duplicate
    Feed(TcpFrame(To(555, RtspDescribe("rtsp://10.0.0.5/other"))));
    Feed(TcpFrame(To(554, "OPTIONS rtsp://10.0.0.5/opt RTSP/1.0\r\nCSeq: 1\r\n\r\n")));
    EXPECT_EQ(Added(), Strings{"rtsp://10.0.0.5/live"});

    Configure(true, true, false, {});
    Feed(TcpFrame(To(554, RtspDescribe("rtsp://10.0.0.5/off"))));
    EXPECT_EQ(Added().size(), 1u);
}

TEST_F(FrameParserTest, MmsOpenFileTakesIdentityOfLastConnect)
{
    // Without a connect first, the initial identification goes with the row.
    Feed(TcpFrame(To(1755, MmsOpenFile(u"first.asf"))));
    Feed(TcpFrame(To(1755, MmsConnect(u"NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}; "
                                      u"Host: 10.0.0.5"))));
    Feed(TcpFrame(To(1755, MmsOpenFile(u"live/x.asf"))));
    Feed(TcpFrame(To(1755, MmsOpenFile(u"live/x.asf"))));  // the same request again
    const auto rows = sink.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].address, "mms://10.0.0.5/first.asf");
    EXPECT_EQ(rows[0].identity, CaptureMemory::kInitialPlayerIdentification);
    EXPECT_EQ(rows[1].address, "mms://10.0.0.5/live/x.asf");
    // The identification is kept to its first 59 characters: without the host.
    EXPECT_EQ(rows[1].identity, "NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}");

    // The identification outlives one parser (a capture) and is not reset.
    RecordingSink other;
    FrameParser next(memory, other);
    next.SetSettings(parser.settings());
    auto frame = TcpFrame(To(1755, MmsOpenFile(u"later.asf")));
    next.ParseCapturedFrame(ExactCopy(frame).get(), frame.size());
    ASSERT_EQ(other.Rows().size(), 1u);
    EXPECT_EQ(other.Rows()[0].identity, rows[1].identity);

    Configure(true, false, true, kBuiltInTypes);
    Feed(TcpFrame(To(1755, MmsOpenFile(u"off.asf"))));
    EXPECT_EQ(sink.Rows().size(), 2u);
}

TEST_F(FrameParserTest, MmsCommandChecks)
{
    std::string wrongVersion = MmsOpenFile(u"a.asf");
    wrongVersion[0] = 2;
    std::string wrongSignature = MmsOpenFile(u"b.asf");
    wrongSignature[5] = 0;
    std::string longerThanSegment = MmsOpenFile(u"c.asf");
    longerThanSegment[8] = static_cast<char>(longerThanSegment.size());
    longerThanSegment[9] = 0;
    std::string unterminated = MmsOpenFile(u"d.asf");
    unterminated.resize(56 + 10);  // the name's NUL is not in the segment
    for (const std::string& payload : {wrongVersion, wrongSignature, longerThanSegment, unterminated})
        Feed(TcpFrame(To(1755, payload)));
    EXPECT_TRUE(Added().empty());

    std::u16string name1023(1019, u'n');
    name1023 += u".asf";
    Feed(TcpFrame(To(1755, MmsOpenFile(name1023 + u"x"))));  // 1024 characters
    EXPECT_TRUE(Added().empty());
    Feed(TcpFrame(To(1755, MmsOpenFile(name1023))));
    ASSERT_EQ(Added().size(), 1u);
    EXPECT_EQ(Added()[0].size(), std::string("mms://10.0.0.5/").size() + 1023);

    // Text beyond ASCII arrives as UTF-8; a lone surrogate becomes U+FFFD.
    Feed(TcpFrame(To(1755, MmsOpenFile(u"\uBC29\uC1A1/\U0001F3B5.asf"))));
    Feed(TcpFrame(To(1755, MmsOpenFile(std::u16string(u"bad") + char16_t(0xD800) + u".asf"))));
    const auto added = Added();
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(added[1], "mms://10.0.0.5/\xEB\xB0\xA9\xEC\x86\xA1/\xF0\x9F\x8E\xB5.asf");
    EXPECT_EQ(added[2], "mms://10.0.0.5/bad\xEF\xBF\xBD.asf");
}

TEST_F(FrameParserTest, TitleFromServerHeaderAfterOpenFile)
{
    // A header seen before any open-file names nothing.
    Feed(TcpFrame(FromServer(AsfHeaderWithTitle(u"Too early", true))));
    EXPECT_EQ(sink.titleCalls(), 0);

    Feed(TcpFrame(To(1755, MmsOpenFile(u"live/x.asf"))));
    // An HTTP address captured in between does not receive the title.
    Feed(TcpFrame(To(80, HttpGet("/v/a.asf"))));
    // The header going the wrong way (to the server) is no reply.
    Feed(TcpFrame(To(1755, AsfHeaderWithTitle(u"Wrong way", false))));
    EXPECT_EQ(sink.titleCalls(), 0);
    Feed(TcpFrame(FromServer(AsfHeaderWithTitle(u"Morning \uB274\uC2A4\n", true))));
    auto rows = sink.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].address, "mms://10.0.0.5/live/x.asf");
    EXPECT_EQ(rows[0].title, "Morning \xEB\x89\xB4\xEC\x8A\xA4 ");  // line break blanked
    EXPECT_EQ(rows[1].title, "");
    EXPECT_EQ(memory.LastCapturedTitle(), rows[0].title);

    // Only one header per open-file: a later one changes nothing.
    Feed(TcpFrame(FromServer(AsfHeaderWithTitle(u"Second", false))));
    EXPECT_EQ(sink.Rows()[0].title, rows[0].title);
    EXPECT_EQ(sink.titleCalls(), 1);

    // A header without the MMS data prefix is recognised as well.
    Feed(TcpFrame(To(1755, MmsOpenFile(u"y.asf"))));
    Feed(TcpFrame(FromServer(AsfHeaderWithTitle(u"Plain", false))));
    EXPECT_EQ(sink.Rows()[2].title, "Plain");
}

TEST_F(FrameParserTest, EmptyTitleLeavesRowAlone)
{
    Feed(TcpFrame(To(1755, MmsOpenFile(u"z.asf"))));
    // A zero title length is an empty title: the author behind it is no title.
    Feed(TcpFrame(FromServer(AsfHeaderWithTitle(u"", true))));
    EXPECT_EQ(sink.titleCalls(), 0);
    EXPECT_FALSE(memory.AwaitingHeader());
}

TEST_F(FrameParserTest, FragmentIsReadFromItsFirstByte)
{
    // The first fragment of a request: its TCP header is taken as payload,
    // so no request is seen.
    TcpPacket first = To(80, HttpGet("/frag.asf"));
    first.fragmentField = 0x2000;  // more fragments
    Feed(TcpFrame(first));
    EXPECT_TRUE(Added().empty());

    // A later fragment whose first bytes happen to read as port 1755 and
    // an MMS command: taken with a TCP header length of 0.
    Bytes ip = Ipv4(To(1755, ""));
    std::string command = MmsOpenFile(u"frag.asf");
    command[2] = 0x06;  // bytes 2-3 stand where the destination port would
    command[3] = static_cast<char>(0xDB);
    ip.resize(20);
    ip.insert(ip.end(), command.begin(), command.end());
    ip[2] = static_cast<uint8_t>(ip.size() >> 8);
    ip[3] = static_cast<uint8_t>(ip.size());
    ip[6] = 0x20;  // more fragments, offset 8 units
    ip[7] = 0x01;
    Feed(Ethernet(ip));
    EXPECT_EQ(Added(), Strings{"mms://10.0.0.5/frag.asf"});
}

TEST_F(FrameParserTest, OptionsAndPaddingAreRespected)
{
    TcpPacket p = To(80, HttpGet("/opt.asf"));
    p.ipOptionBytes = 8;
    p.tcpOptionBytes = 12;
    Bytes frame = TcpFrame(p);
    frame.resize(frame.size() + 20, 0xEE);  // trailer behind the IP packet
    Feed(frame);
    EXPECT_EQ(Added(), Strings{"http://10.0.0.5/opt.asf"});
}

TEST_F(FrameParserTest, Pppoe)
{
    const Bytes ip = Ipv4(To(80, HttpGet("/ppp1.asf")));
    Feed(Pppoe(ip, true));                               // session, one-byte protocol
    Feed(Pppoe(Ipv4(To(80, HttpGet("/ppp2.asf"))), false));  // two-byte protocol
    Feed(Pppoe(Ipv4(To(80, HttpGet("/ppp3.asf"))), true, 0x8863));  // discovery type
    Feed(Pppoe(Ipv4(To(80, HttpGet("/code.asf"))), true, 0x8864, 0x07));
    Bytes ipv6 = Pppoe(Ipv4(To(80, HttpGet("/v6.asf"))), true);
    ipv6[14 + 6] = 0x57;
    Feed(ipv6);
    Bytes even = Pppoe(Ipv4(To(80, HttpGet("/even.asf"))), false);
    even[14 + 7] = 0x22;  // neither protocol byte odd
    Feed(even);
    EXPECT_EQ(Added(), (Strings{"http://10.0.0.5/ppp1.asf", "http://10.0.0.5/ppp2.asf",
                                "http://10.0.0.5/ppp3.asf"}));
}

TEST_F(FrameParserTest, OtherLinkTypes)
{
    const Bytes ip = Ipv4(To(80, HttpGet("/link.asf")));
    FeedLink(DLT_LINUX_SLL, LinuxCooked(Ipv4(To(80, HttpGet("/sll.asf")))));
    FeedLink(DLT_LINUX_SLL2, LinuxCooked2(Ipv4(To(80, HttpGet("/sll2.asf")))));
    FeedLink(DLT_LINUX_SLL, LinuxCooked(Pppoe(Ipv4(To(80, HttpGet("/sllppp.asf"))), true), 0x0000));
    FeedLink(DLT_RAW, Ipv4(To(80, HttpGet("/raw.asf"))));
    Bytes null = {2, 0, 0, 0};
    const Bytes nullIp = Ipv4(To(80, HttpGet("/null.asf")));
    null.insert(null.end(), nullIp.begin(), nullIp.end());
    FeedLink(DLT_NULL, null);
    Bytes loop = {0, 0, 0, 2};
    const Bytes loopIp = Ipv4(To(80, HttpGet("/loop.asf")));
    loop.insert(loop.end(), loopIp.begin(), loopIp.end());
    FeedLink(DLT_LOOP, loop);
    // An IPv6 packet on a raw link is not read as IPv4.
    Bytes v6 = ip;
    v6[0] = 0x60;
    FeedLink(DLT_RAW, v6);
    EXPECT_EQ(Added(), (Strings{"http://10.0.0.5/sll.asf", "http://10.0.0.5/sll2.asf",
                                "http://10.0.0.5/raw.asf", "http://10.0.0.5/null.asf",
                                "http://10.0.0.5/loop.asf"}));
    EXPECT_TRUE(FrameParser::SupportsLinkType(DLT_LINUX_SLL));
    EXPECT_FALSE(FrameParser::SupportsLinkType(DLT_IEEE802_11));
    EXPECT_FALSE(FrameParser::SupportsLinkType(DLT_NFLOG));
}

// Frames cut anywhere, and frames whose lengths claim more than is there,
// add nothing and are never read past their end (each is parsed from a heap
// block of exactly its size).
TEST_F(FrameParserTest, TruncatedAndLyingFramesAreIgnored)
{
    const std::vector<Bytes> frames = {
        TcpFrame(To(80, HttpGet("/cut.asf"))),
        TcpFrame(To(554, RtspDescribe("rtsp://10.0.0.5/cut"))),
        TcpFrame(To(1755, MmsOpenFile(u"cut.asf"))),
        Pppoe(Ipv4(To(8080, HttpGet("/cutppp.asf"))), true),
    };
    for (const Bytes& frame : frames) {
        for (size_t length = 0; length < frame.size(); ++length)
            Feed(Bytes(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(length)));
    }
    EXPECT_TRUE(Added().empty());

    Bytes base = TcpFrame(To(80, HttpGet("/lie.asf")));
    auto lie = [&](size_t at, uint8_t value) {
        Bytes f = base;
        f[at] = value;
        return f;
    };
    Feed(lie(14 + 3, 0xFF));          // total length beyond the frame
    Feed(lie(14 + 2, 0xFF));
    Feed(lie(14 + 0, 0x44));          // header length 16
    Feed(lie(14 + 0, 0x4F));          // header length 60, beyond the total
    Feed(lie(14 + 20 + 12, 0x40));    // TCP header length 16
    Feed(lie(14 + 20 + 12, 0xF0));    // TCP header length 60
    Feed(lie(14 + 3, 20 + 19));       // total length cuts into the TCP header
    Feed(lie(14 + 9, 17));            // UDP
    Feed(lie(14 + 0, 0x65));          // version 6
    Bytes cutTcp = lie(14 + 3, 20 + 3);  // fragment too short for the ports
    cutTcp[14 + 6] = 0x20;
    Feed(cutTcp);
    EXPECT_TRUE(Added().empty());

    // A server header whose title length reaches past the segment is read
    // only as far as the segment goes.
    Feed(TcpFrame(To(1755, MmsOpenFile(u"t.asf"))));
    std::string header = AsfHeaderWithTitle(u"Long title", false);
    header.resize(header.size() - 18);  // drop the author and the title's NUL
    const size_t at = header.find(std::string(reinterpret_cast<const char*>(
                                                  asf::kContentDescription.data()),
                                              16));
    ASSERT_NE(at, std::string::npos);
    header[at + 24] = static_cast<char>(0xFF);
    header[at + 25] = static_cast<char>(0xFF);
    Feed(TcpFrame(FromServer(header)));
    ASSERT_EQ(sink.Rows().size(), 1u);
    EXPECT_EQ(sink.Rows()[0].title, "Long title");
}

}  // namespace

