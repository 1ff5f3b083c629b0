// The pieces of the exchange that need no server: address escaping and
// refusal, request texts, credentials and the reading of reply heads.

#include <gtest/gtest.h>

#include "protocols/mmsh/message_log.h"
#include "protocols/mmsh/mmsh_request.h"
#include "protocols/mmsh/reply_head.h"
#include "protocols/mmsh/stream_url.h"

using namespace mmsh;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(StreamUrl, EscapesOutsideTheUrlSetKeepsPercentAndEndsAtNul)
{
    for (const auto& [in, out] : Pairs{
             {"mms://host/a b\xB0.asf", "mms://host/a%20b%B0.asf"},
             {"/a%20\"#<>[]\\^`{|}\x01", "/a%20%22%23%3C%3E%5B%5D%5C%5E%60%7B%7C%7D%01"},
             {"-_.!~*'();/?:@&=+$,azAZ09", "-_.!~*'();/?:@&=+$,azAZ09"},
             {std::string("ab\0cd", 5), "ab"},
         })
        EXPECT_EQ(EscapeUrl(in), out) << in;
}

TEST(StreamUrl, InvalidAddressesAndProxiesAreRefusedNotCut)
{
    auto parse = [](const std::string& address, const std::string& proxy = {}) {
        MessageLog log;
        StreamUrl url;
        if (!ParseStreamUrl(EscapeUrl(address), 80, &url, log) || !ApplyProxy(&url, proxy, log))
            return log.last();
        return url.host.empty() ? "no host" : std::string("ok");
    };
    const std::string base = "mms://h/";
    EXPECT_EQ(parse(base + std::string(511 - base.size(), 'a')), "ok");
    for (const std::string& address :
         {std::string("mms://server"), std::string("mms://server:0/a"), std::string("mms://server:/a"),
          std::string("mms://server:65536/a"), std::string("mms://user:pw@server/a"),
          std::string("/home/user/list.asx"), std::string("mms:///a"), std::string("mms://:8080/a"),
          base + std::string(512 - base.size(), 'a'),
          base + std::string(200, ' ')})  // escaping counts: 200 blanks are 600 bytes
        EXPECT_EQ(parse(address), "Invalid URL format!") << address;
    for (const std::string& proxy : {std::string("proxy:0"), std::string("http://proxy/:3128"),
                                     std::string("proxy:"), std::string(600, 'p') + ":1"})
        EXPECT_EQ(parse("mms://media/x", proxy), "Invalid proxy URL format!") << proxy;
}

TEST(Requests, ByteForByte)
{
    const RequestParams p{"/a.asf", "dTpw", "server", "{0123-X}"};
    EXPECT_EQ(
        BuildProbeRequest(p),
        "GET /a.asf HTTP/1.0\r\n"
        "Authorization: Basic dTpw\r\n"
        "Accept: */*\r\n"
        "User-Agent: NSPlayer/4.1.0.3856\r\n"
        "Host: server\r\n"
        "Pragma: no-cache,rate=1.000000,stream-time=0,stream-offset=0:0,request-context=1,max-duration=0\r\n"
        "Pragma: xClientGUID={0123-X}\r\n"
        "Connection: Close\r\n\r\n");
    const std::string tail = "Pragma: xPlayStrm=1\r\n"
                             "Pragma: xClientGUID={G}\r\n"
                             "Pragma: stream-switch-count=1\r\n"
                             "Pragma: stream-switch-entry=ffff:1:0\r\n"
                             "Connection: Close\r\n\r\n";
    // Through a proxy (no Host line), resuming.
    EXPECT_EQ(BuildMediaRequest({"http://media:8080/a.asf", "", "", "{G}"}, false, 0, 123456, 61000),
              "GET http://media:8080/a.asf HTTP/1.0\r\n"
              "Accept: */*\r\n"
              "User-Agent: NSPlayer/4.1.0.3856\r\n"
              "Pragma: no-cache,rate=1.000000,stream-time=0,stream-offset=0:123456,request-context=2,"
              "max-duration=61000\r\n" + tail);
    EXPECT_EQ(BuildMediaRequest({"/live", "", "h", "{G}"}, true, 1, 2, 3),
              "GET /live HTTP/1.0\r\n"
              "Accept: */*\r\n"
              "User-Agent: NSPlayer/4.1.0.3856\r\n"
              "Host: h\r\n"
              "Pragma: no-cache,rate=1.000000,request-context=2\r\n" + tail);

    for (const auto& [in, out] : Pairs{{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
                                       {"foobar", "Zm9vYmFy"}, {"\xFF\xFE", "//4="}})
        EXPECT_EQ(Base64Encode(in), out) << in;
    EXPECT_EQ(BasicAuthValue("Aladdin", "open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    EXPECT_EQ(BasicAuthValue(std::string(300, 'u'), std::string(300, 'p')), "");  // over-long: no line
}

TEST(ReplyHead, KindFromTheTypeAndFeaturesAnywhereInAPragma)
{
    auto head = [](const std::vector<std::string>& lines, MessageLog& log) {
        ReplyHead h;
        ParseHeadLine("HTTP/1.0 200 OK", true, &h, log);
        for (const std::string& line : lines)
            ParseHeadLine(line, false, &h, log);
        return h;
    };
    const std::string octet = "Content-Type: application/octet-stream";
    const std::vector<std::pair<std::vector<std::string>, TransferKind>> cases = {
        {{octet, "Pragma: no-cache,client-id=1,features=\"broadcast,playlist\",timeout=6"}, TransferKind::Live},
        {{"content-type: APPLICATION/OCTET-STREAM", "pragma: no-cache, features=broadcast, x=1"},
         TransferKind::Live},
        {{octet, "Pragma: features=broadcast", "Pragma: no-cache"}, TransferKind::Live},  // a later one keeps it
        {{"Content-Type: application/vnd.ms.wms-hdr.asfv1", "Pragma: features=\"broadcast\""}, TransferKind::Live},
        {{octet, "Pragma: features=\"Broadcast\""}, TransferKind::OnDemand},  // the exact word
        {{octet, "Pragma: xfeatures=broadcast"}, TransferKind::OnDemand},
        {{octet, "Pragma: a=\"x,features=broadcast\""}, TransferKind::OnDemand},  // quoted: no new item
        {{"Content-Type: application/octet-stream; x=1"}, TransferKind::Unusable},
        {{"Content-Type: video/x-ms-wmv"}, TransferKind::Playlist},
    };
    for (const auto& [lines, kind] : cases) {
        MessageLog log;
        bool body = false, text = false;
        EXPECT_EQ(KindFromContentType(head(lines, log), &body, &text, log), kind) << lines.back();
    }
    MessageLog log;  // an over-long value is cut, never overrun
    EXPECT_EQ(head({"Content-Type: " + std::string(400, 'x')}, log).contentType, std::string(kMaxHeadValue, 'x'));
}

}  // namespace
