// The pieces of the exchange that need no server: client identifiers,
// Base64, request texts, reply heads and their classification.

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "protocols/mmsh/chunk_stream.h"
#include "protocols/mmsh/message_log.h"
#include "protocols/mmsh/mmsh_request.h"
#include "protocols/mmsh/reply_head.h"

using namespace mmsh;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(ClientGuid, ThirtyEightCharactersWithoutFAndNeverTheSame)
{
    std::set<std::string> seen;
    for (unsigned seed = 0; seed < 200; ++seed) {
        const std::string g = MakeClientGuid(seed);
        EXPECT_EQ(g.size(), 38u);
        EXPECT_EQ(std::string() + g[0] + g[9] + g[14] + g[19] + g[24] + g[37], "{----}") << g;
        EXPECT_EQ(g.find_first_not_of("{}-0123456789ABCDE"), std::string::npos) << g;
        seen.insert(g);
    }
    EXPECT_EQ(seen.size(), 200u);
    EXPECT_NE(NewClientGuid(), NewClientGuid());  // same second, still different
}

TEST(Base64, Rfc4648VectorsAndCredentials)
{
    for (const auto& [in, out] : Pairs{{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
                                       {"foobar", "Zm9vYmFy"}, {"\xFF\xFE", "//4="}})
        EXPECT_EQ(Base64Encode(in), out) << in;
    EXPECT_EQ(BasicAuthValue("Aladdin", "open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    // No line at all for a missing half or an over-long pair.
    for (const auto& [user, password] :
         Pairs{{"", "pw"}, {"user", ""}, {std::string(300, 'u'), std::string(300, 'p')}})
        EXPECT_EQ(BasicAuthValue(user, password), "") << user;
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
}

ReplyHead Head(const std::vector<std::string>& lines, MessageLog& log)
{
    ReplyHead head;
    for (size_t i = 0; i < lines.size(); ++i)
        ParseHeadLine(lines[i], i == 0, &head, log);
    return head;
}

TEST(ReplyHead, OddStatusLinesAndLongValues)
{
    MessageLog log;
    EXPECT_TRUE(Head({"ICY 200 OK"}, log).illegalFirstLine);
    EXPECT_EQ(log.last(), "Illegal server reply! Expected HTTP/1.0 or HTTP/1.1");
    const ReplyHead h = Head({"http/1.1 401", "content-type: " + std::string(400, 'x')}, log);
    EXPECT_EQ(h.statusCode, 401);
    EXPECT_EQ(h.reason, "");
    EXPECT_EQ(h.contentType, std::string(kMaxHeadValue, 'x'));
}

TEST(ReplyHead, FeaturesAnywhereInACombinedPragma)
{
    for (const auto& [pragma, features] : Pairs{
             {"no-cache,client-id=1,features=\"broadcast,playlist\",timeout=6", "broadcast,playlist"},
             {"no-cache, features=broadcast, x=1", "broadcast"},
             {"features=seekable,stridable", "seekable,stridable"},
             {"xfeatures=broadcast", ""},
             {"a=\"x,features=broadcast\"", ""},  // a comma inside quotes starts no item
         }) {
        MessageLog log;
        EXPECT_EQ(Head({"HTTP/1.0 200 OK", "Pragma: " + pragma}, log).features, features) << pragma;
    }
    MessageLog log;  // a later Pragma without features keeps the value
    EXPECT_EQ(Head({"HTTP/1.0 200 OK", "Pragma: features=seekable", "Pragma: no-cache"}, log).features, "seekable");
}

TEST(ReplyHead, Classification)
{
    auto kind = [](const std::string& type, const std::string& pragma = "") {
        MessageLog log;
        bool body = false, text = false;
        return KindFromContentType(
            Head({"HTTP/1.0 200 OK", "Content-Type: " + type, "Pragma: " + pragma}, log), &body, &text, log);
    };
    EXPECT_EQ(kind("application/octet-stream", "features=\"broadcast\""), TransferKind::Live);
    EXPECT_EQ(kind("APPLICATION/OCTET-STREAM", "features=\"seekable\""), TransferKind::OnDemand);
    EXPECT_EQ(kind("application/octet-stream", "features=\"Broadcast\""),
              TransferKind::OnDemand);  // exact word
    EXPECT_EQ(kind("application/vnd.ms.wms-hdr.asfv1", "no-cache, features=\"broadcast,playlist\""),
              TransferKind::Live);
    EXPECT_EQ(kind("application/x-mms-framed"), TransferKind::OnDemand);
    for (const char* t : {"audio/x-ms-wax", "audio/x-ms-wma", "video/x-ms-asf", "video/x-ms-afs",
                          "video/x-ms-wvx", "video/x-ms-wmv", "video/x-ms-wma"})
        EXPECT_EQ(kind(t), TransferKind::Playlist) << t;
    EXPECT_EQ(kind("application/octet-stream; x=1"), TransferKind::Unusable);
}

TEST(PlaylistText, BeginningsAndBytes)
{
    auto bytes = [](const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); };
    for (const char* s : {"\r\n\r\n\r\n[Reference]\r\nRef1=x", " \t<asx>", "< ASX", "ASF\thttp://h/",
                          "asf http://h/", "MMS://h/", "mmst://h", "mmsu://h", "http://h"})
        EXPECT_TRUE(LooksLikePlaylist(bytes(s), std::strlen(s))) << s;
    for (const char* s : {"<html><body>", "ASFX", "", "mmsx://h"})
        EXPECT_FALSE(LooksLikePlaylist(bytes(s), std::strlen(s))) << s;
    // Text: not empty, no control bytes but tab, CR and LF; national scripts pass.
    for (const std::string& s :
         {std::string("<ASX>\t\r\n</ASX>"), std::string("<ASX>\xED\x95\x9C\xEA\xB8\x80</ASX>")})
        EXPECT_TRUE(IsPlaylistText(bytes(s), s.size())) << s;
    for (const std::string& s :
         {std::string(), std::string("<ASX>\0</ASX>", 12), std::string("<ASX>\x1B</ASX>")})
        EXPECT_FALSE(IsPlaylistText(bytes(s), s.size())) << s;
}

TEST(HeaderFields, DurationWithoutPreroll)
{
    TransferStatus s;
    EXPECT_EQ(DurationFromHeader(s), 0u);  // live
    s.playDurationLow = 71460000;
    s.preroll = 3100;
    EXPECT_EQ(DurationFromHeader(s), 4046u);
    s = {};
    s.playDurationHigh = 1;  // 2^32 * 100 ns = 429496.7296 ms
    EXPECT_EQ(DurationFromHeader(s), 429496u);
}

}  // namespace
