#include "protocols/rtsp/rtsp_requests.h"

#include <initializer_list>

#include "formats/printf.h"

namespace rtsp {

namespace {

constexpr const char* kUserAgent =
    "User-Agent: WMPlayer/9.0.0.2980 guid/3300AD50-2C39-46C0-AE0A-F15D09C924B4";
constexpr const char* kAcceptSdp = "Accept: application/sdp";
constexpr const char* kAcceptCharset = "Accept-Charset: UTF-8, *;q=0.1";
constexpr const char* kAcceptAuthentication =
    "X-Accept-Authentication: Negotiate, NTLM, Digest, Basic";
constexpr const char* kAcceptLanguage = "Accept-Language: ko-KR, *;q=0.1";
constexpr const char* kSupported =
    "Supported: com.microsoft.wm.srvppair, com.microsoft.wm.sswitch, "
    "com.microsoft.wm.eosmsg, com.microsoft.wm.predstrm";
constexpr const char* kGenerationId = "X-Playlist-Gen-Id: 0";
constexpr const char* kPacketPairBody = "type: high-entropy-packetpair";

bool Insertable(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// The lines, each ended by CR LF, then the empty line and the body.
std::string Build(std::initializer_list<std::string> lines, const char* body = "")
{
    std::string request;
    for (const std::string& line : lines)
        request += line + "\r\n";
    request += "\r\n";
    request += body;
    return request.size() <= kMaxRequest ? request : std::string();
}

}  // namespace

std::string DescribeRequest(const std::string& url)
{
    if (!Insertable(url))
        return {};
    return Build({"DESCRIBE " + url + " RTSP/1.0", kUserAgent, kAcceptSdp, kAcceptCharset,
                  kAcceptAuthentication, kAcceptLanguage, "CSeq: 1", kSupported});
}

std::string SetupRtxRequest(const std::string& url, int localPort)
{
    if (!Insertable(url))
        return {};
    return Build({"SETUP " + url + "/rtx RTSP/1.0", kUserAgent, kAcceptSdp, kAcceptCharset,
                  kAcceptAuthentication, kAcceptLanguage, "CSeq: 2", kGenerationId,
                  Printf("Transport: RTP/AVP/UDP;unicast;client_port=%d-%d;ssrc=b4feb3b3;mode=PLAY",
                         localPort + 1, localPort + 2)});
}

std::string SetParameterRequest(const std::string& url, const std::string& session)
{
    if (!Insertable(url) || !Insertable(session))
        return {};
    return Build({"SET_PARAMETER " + url + " RTSP/1.0", "Content-Length: 29", kUserAgent, kAcceptSdp,
                  kAcceptCharset, kAcceptAuthentication, kAcceptLanguage, "Session: " + session,
                  "Content-Type: application/x-rtsp-udp-packetpair;charset=UTF-8", "CSeq: 3",
                  kGenerationId},
                 kPacketPairBody);
}

std::string SetupAudioRequest(const std::string& url, const std::string& session)
{
    if (!Insertable(url) || !Insertable(session))
        return {};
    return Build({"SETUP " + url + "/audio RTSP/1.0", kUserAgent, kAcceptCharset,
                  kAcceptAuthentication, kAcceptLanguage, "Session: " + session, "CSeq: 4",
                  kGenerationId, kSupported,
                  "Transport: RTP/AVP/UDP;unicast;interleaved=2-3;ssrc=6ab10808;mode=PLAY"});
}

std::string SetupVideoRequest(const std::string& url, const std::string& session)
{
    if (!Insertable(url) || !Insertable(session))
        return {};
    return Build({"SETUP " + url + "/video RTSP/1.0", kUserAgent, kAcceptCharset,
                  kAcceptAuthentication, kAcceptLanguage, "Session: " + session, "CSeq: 5",
                  kGenerationId,
                  "Transport: RTP/AVP/UDP;unicast;interleaved=4-5;ssrc=6ab10808;mode=PLAY"});
}

std::string PlayRequest(const std::string& url, const std::string& session)
{
    if (!Insertable(url) || !Insertable(session))
        return {};
    return Build({"PLAY " + url + " RTSP/1.0", "X-Playlist-Seek-Id: 0", kUserAgent, kAcceptCharset,
                  kAcceptAuthentication, kAcceptLanguage, "Session: " + session, "CSeq: 6",
                  "Range: npt=0.000-", "Speed: 1.793", "Bandwidth: 630807",
                  "X-Accelerate-Streaming: AccelDuration=10000;AccelBandwidth=2147483647"});
}

}  // namespace rtsp
