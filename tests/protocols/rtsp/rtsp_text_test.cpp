#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "protocols/rtsp/decode_base64.h"
#include "protocols/rtsp/rtsp_reply.h"
#include "protocols/rtsp/rtsp_requests.h"

namespace {

using rtsp::RtspReply;

// Standard base64 with padding, written here independently of the decoder.
std::string Encode(const std::vector<uint8_t>& bytes)
{
    static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t v = uint32_t{bytes[i]} << 16;
        if (i + 1 < bytes.size())
            v |= uint32_t{bytes[i + 1]} << 8;
        if (i + 2 < bytes.size())
            v |= bytes[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[v & 63] : '=';
    }
    return out;
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(DecodeBase64, GivesTheEncodedBytesWithOrWithoutPadding)
{
    std::mt19937 rng(7);
    for (size_t n = 0; n <= 64; ++n) {
        std::vector<uint8_t> bytes(n);
        for (auto& b : bytes)
            b = static_cast<uint8_t>(rng());
        const std::string padded = Encode(bytes);
        // A length that is a multiple of 3 has no padding; otherwise one or
        // two "=" stand for the missing bytes.
        EXPECT_EQ(padded.find('=') == std::string::npos, n % 3 == 0) << n;
        std::string bare = padded;
        std::erase(bare, '=');
        std::string wrapped;
        for (size_t i = 0; i < padded.size(); ++i)
            wrapped += padded.substr(i, 1) + (i % 7 == 6 ? "\r\n " : "");

        EXPECT_EQ(rtsp::DecodeBase64(padded), bytes) << n;
        EXPECT_EQ(rtsp::DecodeBase64(bare), bytes) << n;
        EXPECT_EQ(rtsp::DecodeBase64(wrapped), bytes) << n;
    }
}

TEST(DecodeBase64, SkipsForeignCharactersAndDropsALoneTrailingCharacter)
{
    EXPECT_EQ(rtsp::DecodeBase64("TWFu"), Bytes("Man"));
    EXPECT_EQ(rtsp::DecodeBase64("TW=Fu"), Bytes("Man"));
    EXPECT_EQ(rtsp::DecodeBase64("T.W-F u\x80"), Bytes("Man"));
    EXPECT_EQ(rtsp::DecodeBase64("TWFuT"), Bytes("Man"));
    EXPECT_EQ(rtsp::DecodeBase64("T"), Bytes(""));
    EXPECT_EQ(rtsp::DecodeBase64(""), Bytes(""));
    EXPECT_EQ(rtsp::DecodeBase64("====\r\n"), Bytes(""));
    EXPECT_EQ(rtsp::DecodeBase64("+/+/"), (std::vector<uint8_t>{0xFB, 0xFF, 0xBF}));
}

TEST(RtspReply, SplitsHeadAndBodyLines)
{
    RtspReply r = RtspReply::FromText(
        "RTSP/1.0 200 OK\r\nCSeq: 1\r\nContent-Length: 14\r\n\r\nv=0\r\n\r\ns=x\r\nlast", true);
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"RTSP/1.0 200 OK", "CSeq: 1", "Content-Length: 14",
                                                   "------------Body", "v=0", "", "s=x", "last"}));

    // No body: no marker.
    r = RtspReply::FromText("RTSP/1.0 200 OK\r\nCSeq: 2\r\n\r\n", true);
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"RTSP/1.0 200 OK", "CSeq: 2"}));

    // Bare LF line ends are taken too; a CR inside a line stays.
    r = RtspReply::FromText("RTSP/1.0 200 OK\nA: b\rc\n\nbody\n", true);
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"RTSP/1.0 200 OK", "A: b\rc", "------------Body", "body"}));

    // A reply cut off by the connection loses its unfinished last line.
    r = RtspReply::FromText("RTSP/1.0 200 OK\r\nSession: 12", false);
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"RTSP/1.0 200 OK"}));
    r = RtspReply::FromText("RTSP/1.0 200 OK\r\n\r\nv=0\r\na=pgmpu:data:applic", false);
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"RTSP/1.0 200 OK", "------------Body", "v=0"}));
}

TEST(RtspReply, SessionIdentifierComesFromTheLastSessionHeaderLine)
{
    auto id = [](const std::string& text) { return RtspReply::FromText(text, true).SessionIdentifier(); };
    EXPECT_EQ(id("RTSP/1.0 200 OK\r\nsession:4711;timeout=60\r\n\r\n"), "4711");
    // The last Session line wins; body lines are not header lines.
    EXPECT_EQ(id("RTSP/1.0 200 OK\r\nSession: 1\r\nSession: 2;x\r\n\r\nSession: 3\r\n"), " 2");
    EXPECT_EQ(id("RTSP/1.0 461 Unsupported Transport\r\nCSeq: 2\r\n\r\n"), "");
    EXPECT_EQ(id("RTSP/1.0 200 OK\r\nX-Session: 9\r\n\r\n"), "");
}

TEST(RtspReply, HeaderTextIsWhatFollowsThePrefixOnTheLastLineHoldingIt)
{
    const std::string prefix(RtspReply::kHeaderPrefix);
    ASSERT_EQ(prefix.size(), 53u);
    RtspReply r = RtspReply::FromText("RTSP/1.0 200 OK\r\n\r\nv=0\r\n" + prefix + "QUJD\r\n" + prefix +
                                          "REVG\r\nm=audio 0 RTP/AVP 96\r\n",
                                      true);
    EXPECT_EQ(r.HeaderText(), "REVG");
    r = RtspReply::FromText("RTSP/1.0 200 OK\r\n\r\n  " + prefix + "QUJD\r\n", true);
    EXPECT_EQ(r.HeaderText(), "QUJD");
    r = RtspReply::FromText("RTSP/1.0 200 OK\r\n\r\nv=0\r\n", true);
    EXPECT_EQ(r.HeaderText(), "");
}

std::string LineOf(const std::string& request, const std::string& start)
{
    size_t at = request.find("\r\n" + start);
    if (at == std::string::npos)
        return {};
    at += 2;
    return request.substr(at, request.find("\r\n", at) - at);
}

TEST(RtspRequests, ClientPortsFollowTheLocalPortWithoutWrapping)
{
    EXPECT_EQ(LineOf(rtsp::SetupRtxRequest("rtsp://h/a", 65535), "Transport:"),
              "Transport: RTP/AVP/UDP;unicast;client_port=65536-65537;ssrc=b4feb3b3;mode=PLAY");
    EXPECT_EQ(LineOf(rtsp::SetupRtxRequest("rtsp://h/a", 5000), "Transport:"),
              "Transport: RTP/AVP/UDP;unicast;client_port=5001-5002;ssrc=b4feb3b3;mode=PLAY");
}

TEST(RtspRequests, RefuseLineBreaksAndWhatTheBufferCannotHold)
{
    EXPECT_EQ(rtsp::DescribeRequest("rtsp://h/a\r\nX-Evil: 1"), "");
    EXPECT_EQ(rtsp::PlayRequest("rtsp://h/a", " 1\rX"), "");
    EXPECT_EQ(rtsp::SetupAudioRequest("rtsp://h/a", std::string(" 1\0", 3)), "");

    // The longest address that still fits gives a request of exactly the
    // buffer's size; one more character is refused.
    const std::string base = "rtsp://h/";
    const size_t fixed = rtsp::DescribeRequest(base).size() - base.size();
    const std::string fits = base + std::string(rtsp::kMaxRequest - fixed - base.size(), 'a');
    EXPECT_EQ(rtsp::DescribeRequest(fits).size(), rtsp::kMaxRequest);
    EXPECT_EQ(rtsp::DescribeRequest(fits + "a"), "");
}

}  // namespace
