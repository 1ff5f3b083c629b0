// The pieces of the exchange that need no server: client identifiers,
// Base64, request texts, reply head lines and their classification, and
// the re-timing of live packets.

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "formats/le.h"
#include "protocols/mmsh/chunk_stream.h"
#include "protocols/mmsh/live_packet.h"
#include "protocols/mmsh/message_log.h"
#include "protocols/mmsh/mmsh_request.h"
#include "protocols/mmsh/reply_head.h"

using namespace mmsh;

namespace {

TEST(ClientGuid, ThirtyEightCharactersWithoutF)
{
    std::set<std::string> seen;
    for (unsigned seed = 0; seed < 200; ++seed) {
        std::string g = MakeClientGuid(seed);
        ASSERT_EQ(g.size(), 38u);
        EXPECT_EQ(g.front(), '{');
        EXPECT_EQ(g.back(), '}');
        for (size_t dash : {9u, 14u, 19u, 24u})
            EXPECT_EQ(g[dash], '-') << g;
        EXPECT_EQ(g.find_first_not_of("{}-0123456789ABCDE"), std::string::npos) << g;
        seen.insert(g);
    }
    EXPECT_EQ(seen.size(), 200u);
    EXPECT_EQ(MakeClientGuid(7), MakeClientGuid(7));
    EXPECT_NE(NewClientGuid(), NewClientGuid());  // same second, still different
}

TEST(Base64, Rfc4648VectorsAndCredentials)
{
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64Encode("f"), "Zg==");
    EXPECT_EQ(Base64Encode("fo"), "Zm8=");
    EXPECT_EQ(Base64Encode("foo"), "Zm9v");
    EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(Base64Encode("\xFF\xFE"), "//4=");
    EXPECT_EQ(BasicAuthValue("Aladdin", "open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    EXPECT_EQ(BasicAuthValue("", "pw"), "");
    EXPECT_EQ(BasicAuthValue("user", ""), "");
    EXPECT_EQ(BasicAuthValue(std::string(300, 'u'), std::string(300, 'p')), "");
}

TEST(Requests, ByteForByte)
{
    RequestParams p{"/a.asf", "dTpw", "server", "{0123-X}"};
    EXPECT_EQ(BuildProbeRequest(p),
              "GET /a.asf HTTP/1.0\r\n"
              "Authorization: Basic dTpw\r\n"
              "Accept: */*\r\n"
              "User-Agent: NSPlayer/4.1.0.3856\r\n"
              "Host: server\r\n"
              "Pragma: no-cache,rate=1.000000,stream-time=0,stream-offset=0:0,request-context=1,max-duration=0\r\n"
              "Pragma: xClientGUID={0123-X}\r\n"
              "Connection: Close\r\n\r\n");
    RequestParams proxied{"http://media:8080/a.asf", "", "", "{G}"};
    EXPECT_EQ(BuildMediaRequest(proxied, false, 0, 123456, 61000),
              "GET http://media:8080/a.asf HTTP/1.0\r\n"
              "Accept: */*\r\n"
              "User-Agent: NSPlayer/4.1.0.3856\r\n"
              "Pragma: no-cache,rate=1.000000,stream-time=0,stream-offset=0:123456,request-context=2,"
              "max-duration=61000\r\n"
              "Pragma: xPlayStrm=1\r\n"
              "Pragma: xClientGUID={G}\r\n"
              "Pragma: stream-switch-count=1\r\n"
              "Pragma: stream-switch-entry=ffff:1:0\r\n"
              "Connection: Close\r\n\r\n");
    std::string live = BuildMediaRequest(p, true, 1, 2, 3);
    EXPECT_NE(live.find("\r\nPragma: no-cache,rate=1.000000,request-context=2\r\nPragma: xPlayStrm=1\r\n"),
              std::string::npos);
    EXPECT_EQ(live.find("stream-offset"), std::string::npos);
}

ReplyHead Head(const std::vector<std::string>& lines, MessageLog& log)
{
    ReplyHead head;
    for (size_t i = 0; i < lines.size(); ++i)
        ParseHeadLine(lines[i], i == 0, &head, log);
    return head;
}

TransferKind Kind(const std::vector<std::string>& lines, std::string* message = nullptr)
{
    MessageLog log;
    ReplyHead head = Head(lines, log);
    bool body = false, text = false;
    TransferKind k = KindFromContentType(head, &body, &text, log);
    if (message)
        *message = log.last();
    return k;
}

TEST(ReplyHead, StatusLineAndValues)
{
    MessageLog log;
    ReplyHead h = Head({"http/1.1 401 Unauthorized", "content-type: text/html",
                        "Pragma: features=\"seekable,stridable\"", "Pragma: no-cache"},
                       log);
    EXPECT_EQ(h.statusCode, 401);
    EXPECT_EQ(h.reason, "Unauthorized");
    EXPECT_EQ(h.contentType, "text/html");
    EXPECT_EQ(h.features, "seekable,stridable");  // a later Pragma without features keeps it
    EXPECT_FALSE(h.illegalFirstLine);

    ReplyHead bad = Head({"ICY 200 OK"}, log);
    EXPECT_TRUE(bad.illegalFirstLine);
    EXPECT_EQ(log.last(), "Illegal server reply! Expected HTTP/1.0 or HTTP/1.1");
    EXPECT_EQ(Head({"HTTP/1.0 200"}, log).reason, "");
    EXPECT_EQ(Head({"HTTP/1.0 200 OK", std::string("Content-Type: ") + std::string(400, 'x')}, log)
                  .contentType.size(),
              kMaxHeadValue);
}

TEST(ReplyHead, FeaturesAnywhereInACombinedPragma)
{
    MessageLog log;
    EXPECT_EQ(Head({"HTTP/1.0 200 OK", "Pragma: no-cache,client-id=1,features=\"broadcast,playlist\",timeout=6"},
                   log)
                  .features,
              "broadcast,playlist");
    EXPECT_EQ(Head({"HTTP/1.0 200 OK", "Pragma: no-cache, features=broadcast, x=1"}, log).features, "broadcast");
    EXPECT_EQ(Head({"HTTP/1.0 200 OK", "Pragma: features=seekable,stridable"}, log).features,
              "seekable,stridable");
    EXPECT_EQ(Head({"HTTP/1.0 200 OK", "Pragma: xfeatures=broadcast"}, log).features, "");
    // A comma inside the quoted value does not start an item.
    EXPECT_EQ(Head({"HTTP/1.0 200 OK", "Pragma: a=\"x,features=broadcast\""}, log).features, "");
}

TEST(ReplyHead, Classification)
{
    const std::string ok = "HTTP/1.0 200 OK";
    EXPECT_EQ(Kind({ok, "Content-Type: application/octet-stream", "Pragma: features=\"broadcast\""}),
              TransferKind::Live);
    EXPECT_EQ(Kind({ok, "Content-Type: APPLICATION/OCTET-STREAM", "Pragma: features=\"seekable\""}),
              TransferKind::OnDemand);
    EXPECT_EQ(Kind({ok, "Content-Type: application/octet-stream", "Pragma: features=\"Broadcast\""}),
              TransferKind::OnDemand);  // the word is matched exactly
    EXPECT_EQ(Kind({ok, "Content-Type: application/vnd.ms.wms-hdr.asfv1",
                    "Pragma: no-cache, features=\"broadcast,playlist\""}),
              TransferKind::Live);
    EXPECT_EQ(Kind({ok, "Content-Type: application/x-mms-framed"}), TransferKind::OnDemand);
    for (const char* t : {"audio/x-ms-wax", "audio/x-ms-wma", "video/x-ms-asf", "video/x-ms-afs",
                          "video/x-ms-wvx", "video/x-ms-wmv", "video/x-ms-wma"})
        EXPECT_EQ(Kind({ok, std::string("Content-Type: ") + t}), TransferKind::Playlist) << t;
    std::string message;
    EXPECT_EQ(Kind({ok, "Content-Type: application/octet-stream; x=1"}, &message), TransferKind::Unusable);
    EXPECT_EQ(message, "unknown content-type: application/octet-stream; x=1");
}

TEST(PlaylistText, BeginningsAndBytes)
{
    auto looks = [](const std::string& s) {
        return LooksLikePlaylist(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    };
    for (const char* s : {"\r\n\r\n\r\n[Reference]\r\nRef1=x", " \t<asx>", "< ASX", "ASF\thttp://h/",
                          "asf http://h/", "MMS://h/", "mmst://h", "mmsu://h", "http://h"})
        EXPECT_TRUE(looks(s)) << s;
    for (const char* s : {"<html><body>", "ASFX", "", "mmsx://h"})
        EXPECT_FALSE(looks(s)) << s;

    auto text = [](const std::string& s) {
        return IsPlaylistText(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    };
    EXPECT_TRUE(text("<ASX>\t\r\n</ASX>"));
    EXPECT_TRUE(text("<ASX><Title>\xED\x95\x9C\xEA\xB8\x80</Title></ASX>"));
    EXPECT_FALSE(text(""));
    EXPECT_FALSE(text(std::string("<ASX>\0</ASX>", 12)));
    EXPECT_FALSE(text("<ASX>\x1B</ASX>"));
}

TEST(HeaderFields, DurationWithoutPreroll)
{
    TransferStatus s;
    EXPECT_EQ(DurationFromHeader(s), 0u);
    s.playDurationLow = 71460000;  // 7146 ms
    s.preroll = 3100;
    EXPECT_EQ(DurationFromHeader(s), 4046u);
    s.playDurationHigh = 1;  // 2^32 * 100 ns = 429496.7296 ms
    s.playDurationLow = 0;
    s.preroll = 0;
    EXPECT_EQ(DurationFromHeader(s), 429496u);
}

// A data packet of 100 bytes as encoders write them: error correction,
// flags, padding length, send time, duration, then payloads.
struct PacketBuilder {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(100, 0xEE);
    size_t pos = 0;
    void Put8(uint8_t v) { bytes[pos++] = v; }
    void Put16(uint16_t v) { le::Store16(&bytes[pos], v); pos += 2; }
    void Put32(uint32_t v) { le::Store32(&bytes[pos], v); pos += 4; }
    uint32_t At32(size_t at) const { return le::Load32(&bytes[at]); }
};

// Two payloads with 8 bytes of replicated data each, byte padding.
PacketBuilder MultiPayloadPacket(uint32_t sendTime, uint32_t pts1, uint32_t pts2, uint8_t padding)
{
    PacketBuilder b;
    b.Put8(0x82), b.Put8(0), b.Put8(0);
    b.Put8(0x09);  // multiple payloads, byte padding length
    b.Put8(0x5D);  // stream byte, object byte, offset dword, replicated byte
    b.Put8(padding);
    b.Put32(sendTime);
    b.Put16(100);  // duration
    b.Put8(0x82);  // two payloads, word lengths
    for (uint32_t pts : {pts1, pts2}) {
        b.Put8(1), b.Put8(7), b.Put32(0), b.Put8(8);
        b.Put32(1000), b.Put32(pts);
        b.Put16(10);
        for (int i = 0; i < 10; ++i)
            b.Put8(0xAA);
    }
    // 13 header bytes + 2 * 27 payload bytes = 67; the rest is padding.
    return b;
}

TEST(LivePacket, SendAndPresentationTimesStartAtZero)
{
    EXPECT_EQ(SendTimeOffset(0x09), 6);
    EXPECT_EQ(SendTimeOffset(0x51), 9);
    EXPECT_EQ(SendTimeOffset(0x5D), -1);

    PacketBuilder b = MultiPayloadPacket(76000, 79100, 72000, 33);
    MessageLog log;
    RebaseLivePacket(b.bytes.data(), 73000, 5, 100, log);
    EXPECT_EQ(b.At32(6), 3000u);
    EXPECT_EQ(b.At32(13 + 11), 6100u);
    EXPECT_EQ(b.At32(13 + 27 + 11), 0u);  // earlier than the first send time
    for (size_t i = 67; i < 100; ++i)
        ASSERT_EQ(b.bytes[i], 0) << i;  // padding cleared
    EXPECT_EQ(log.last(), "");
}

TEST(LivePacket, BrokenPacketsAreNotedAndLeftInside)
{
    MessageLog log;
    PacketBuilder wrong = MultiPayloadPacket(76000, 1, 1, 33);
    wrong.bytes[0] = 0x81;
    auto before = wrong.bytes;
    RebaseLivePacket(wrong.bytes.data(), 73000, 9, 100, log);
    EXPECT_EQ(log.last(), "Illegal header bytes in chunk 9!");
    EXPECT_EQ(wrong.bytes, before);

    PacketBuilder ec = MultiPayloadPacket(76000, 1, 1, 33);
    ec.bytes[3] |= 0x80;
    RebaseLivePacket(ec.bytes.data(), 73000, 9, 100, log);
    EXPECT_EQ(log.last(), "Chunks carrying error correction information are not supported yet!");

    // A payload length that runs out of the packet stops the rewrite
    // without touching a byte beyond it.
    std::vector<uint8_t> guarded(140, 0x55);
    PacketBuilder longer = MultiPayloadPacket(76000, 80000, 80000, 33);
    le::Store16(&longer.bytes[13 + 15], 500);
    std::copy(longer.bytes.begin(), longer.bytes.end(), guarded.begin());
    RebaseLivePacket(guarded.data(), 73000, 3, 100, log);
    EXPECT_EQ(log.last(), "WARNING! buffer pointer 430 bytes after packet!");
    for (size_t i = 100; i < guarded.size(); ++i)
        ASSERT_EQ(guarded[i], 0x55);

    // Payloads that end early leave bytes uncovered.
    PacketBuilder shortPayloads = MultiPayloadPacket(76000, 80000, 80000, 10);
    RebaseLivePacket(shortPayloads.bytes.data(), 73000, 3, 100, log);
    EXPECT_EQ(log.last(), "NOTE: 23 bytes not covered by payload");

    // A padding length beyond the packet is not believed.
    PacketBuilder padded = MultiPayloadPacket(76000, 80000, 80000, 200);
    RebaseLivePacket(padded.bytes.data(), 73000, 3, 100, log);
    EXPECT_EQ(log.last(), "WARNING! buffer pointer 0 bytes after packet!");
}

TEST(LivePacket, SinglePayloadAndCompressedPayload)
{
    PacketBuilder b;
    b.Put8(0x82), b.Put8(0), b.Put8(0);
    b.Put8(0x00);  // single payload, no padding field
    b.Put8(0x5D);
    b.Put32(90000);
    b.Put16(0);
    b.Put8(2);  // stream number
    b.Put8(3);  // media object
    b.Put32(91000);  // compressed: the presentation time
    b.Put8(1);  // replicated data length 1: compressed payload
    b.Put8(40);  // time delta
    MessageLog log;
    RebaseLivePacket(b.bytes.data(), 88000, 1, 100, log);
    EXPECT_EQ(b.At32(5), 2000u);
    EXPECT_EQ(b.At32(13), 3000u);
    EXPECT_EQ(log.last(), "");  // a single payload covers the packet
}

}  // namespace
