// The pieces of the exchange that need no server.

#include <gtest/gtest.h>

#include "protocols/mmsh/chunk_stream.h"
#include "protocols/mmsh/message_log.h"
#include "protocols/mmsh/mmsh_request.h"
#include "protocols/mmsh/reply_head.h"

using namespace mmsh;
using namespace std::string_literals;

namespace {

TEST(Requests, ByteForByte)
{
    const RequestParams p{"/a.asf", "dTpw", "server", "{0123-X}"};
    const std::string head = "Accept: */*\r\nUser-Agent: NSPlayer/4.1.0.3856\r\n";
    EXPECT_EQ(BuildProbeRequest(p),
              "GET /a.asf HTTP/1.0\r\nAuthorization: Basic dTpw\r\n" + head + "Host: server\r\n"
              "Pragma: no-cache,rate=1.000000,stream-time=0,stream-offset=0:0,request-context=1,max-duration=0\r\n"
              "Pragma: xClientGUID={0123-X}\r\nConnection: Close\r\n\r\n");
    const std::string tail = "Pragma: xPlayStrm=1\r\nPragma: xClientGUID={G}\r\nPragma: stream-switch-count=1\r\n"
                             "Pragma: stream-switch-entry=ffff:1:0\r\nConnection: Close\r\n\r\n";
    // Through a proxy (no Host line), resuming.
    EXPECT_EQ(BuildMediaRequest({"http://media:8080/a.asf", "", "", "{G}"}, false, 0, 123456, 61000),
              "GET http://media:8080/a.asf HTTP/1.0\r\n" + head +
              "Pragma: no-cache,rate=1.000000,stream-time=0,stream-offset=0:123456,request-context=2,"
              "max-duration=61000\r\n" + tail);
    EXPECT_EQ(BuildMediaRequest({"/live", "", "h", "{G}"}, true, 1, 2, 3),
              "GET /live HTTP/1.0\r\n" + head + "Host: h\r\nPragma: no-cache,rate=1.000000,request-context=2\r\n" + tail);
    EXPECT_EQ(BasicAuthValue("Aladdin", "open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    EXPECT_EQ(BasicAuthValue(std::string(300, 'u'), std::string(300, 'p')), "");  // over-long: no line
}

TEST(ReplyHead, LongValuesAreCutNotOverrun)
{
    MessageLog log;
    ReplyHead head;
    ParseHeadLine("Content-Type: " + std::string(400, 'x'), false, &head, log);
    EXPECT_EQ(head.contentType, std::string(kMaxHeadValue, 'x'));
}

}  // namespace
