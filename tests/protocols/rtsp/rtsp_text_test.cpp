#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocols/rtsp/decode_base64.h"
#include "protocols/rtsp/rtsp_reply.h"
#include "protocols/rtsp/rtsp_requests.h"

namespace {

using rtsp::RtspReply;
using Lines = std::vector<std::string>;

TEST(DecodeBase64, GivesTheBytesWithOrWithoutPaddingAndSkipsWhatIsNotBase64)
{
    auto bytes = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
    for (auto [plain, encoded] : {std::pair{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
                                  {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
                                  {"\xFB\xFF\xBF", "+/+/"}}) {
        std::string bare = encoded, wrapped = "\r\n ";
        std::erase(bare, '=');
        for (char c : std::string(encoded))
            wrapped += std::string(1, c) + "\r\n";
        for (const std::string& text : {std::string(encoded), bare, wrapped})
            EXPECT_EQ(rtsp::DecodeBase64(text), bytes(plain)) << text;
    }
    for (const char* text : {"TW=Fu", "T.W-F u\x80", "TWFuT"})  // a lone last character is dropped
        EXPECT_EQ(rtsp::DecodeBase64(text), bytes("Man")) << text;
    EXPECT_TRUE(rtsp::DecodeBase64("====\r\n").empty());
}

TEST(RtspReply, LinesSessionAndHeaderText)
{
    const std::string ok = "RTSP/1.0 200 OK", body = "------------Body";
    struct Case {
        std::string text;
        bool whole;  // otherwise cut off by the connection: the unfinished last line is lost
        Lines lines;
    };
    for (const Case& c : {
             Case{ok + "\r\nCSeq: 1\r\nContent-Length: 14\r\n\r\nv=0\r\n\r\ns=x\r\nlast", true,
                  {ok, "CSeq: 1", "Content-Length: 14", body, "v=0", "", "s=x", "last"}},
             Case{ok + "\nA: b\rc\n\nbody\n", true, {ok, "A: b\rc", body, "body"}},  // bare LF ends lines
             Case{ok + "\r\nSession: 12", false, {ok}},
             Case{ok + "\r\n\r\nv=0\r\na=pgmpu:data:applic", false, {ok, body, "v=0"}},
         })
        EXPECT_EQ(RtspReply::FromText(c.text, c.whole).Lines(), c.lines) << c.text;

    // The last Session header line gives the identifier: after the colon, up to a ";".
    for (auto [text, id] : {std::pair{"\r\nsession:4711;timeout=60\r\n\r\n", "4711"},
                            {"\r\nSession: 1\r\nSession: 2;x\r\n\r\nSession: 3\r\n", " 2"},
                            {"\r\nCSeq: 2\r\n\r\n", ""},
                            {"\r\nX-Session: 9\r\n\r\n", ""}})
        EXPECT_EQ(RtspReply::FromText(ok + text, true).SessionIdentifier(), id) << text;

    // The header text follows the prefix on the last line holding it.
    const std::string prefix(RtspReply::kHeaderPrefix);
    const std::string sdp = ok + "\r\n\r\nv=0\r\n" + prefix + "QUJD\r\n  " + prefix + "REVG\r\nm=x\r\n";
    EXPECT_EQ(RtspReply::FromText(sdp, true).HeaderText(), "REVG");
}

TEST(RtspRequests, RefuseLineBreaksAndWhatTheBufferCannotHold)
{
    EXPECT_EQ(rtsp::DescribeRequest("rtsp://h/a\r\nX-Evil: 1"), "");
    EXPECT_EQ(rtsp::PlayRequest("rtsp://h/a", " 1\rX"), "");
    EXPECT_EQ(rtsp::SetupAudioRequest("rtsp://h/a", std::string(" 1\0", 3)), "");
    // The longest address that fits gives a request of exactly the buffer's size.
    const std::string base = "rtsp://h/";
    const std::string fits = base + std::string(rtsp::kMaxRequest - rtsp::DescribeRequest(base).size(), 'a');
    EXPECT_EQ(rtsp::DescribeRequest(fits).size(), rtsp::kMaxRequest);
    EXPECT_EQ(rtsp::DescribeRequest(fits + "a"), "");
    // The client ports follow the local port without wrapping.
    EXPECT_NE(rtsp::SetupRtxRequest("rtsp://h/a", 65535).find("client_port=65536-65537;"), std::string::npos);
}

}  // namespace
