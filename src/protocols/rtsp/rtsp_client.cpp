#include "protocols/rtsp/rtsp_client.h"

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include <arpa/inet.h>

#include "formats/ascii.h"
#include "formats/printf.h"
#include "protocols/attempt_scope.h"
#include "protocols/client_hooks.h"
#include "protocols/net/failure_reason.h"
#include "protocols/rtsp/decode_base64.h"
#include "protocols/rtsp/rtsp_reply.h"
#include "protocols/rtsp/rtsp_requests.h"

namespace {

using Status = net::TcpConnection::Status;

// An interleaved frame: "$", channel, 16-bit big-endian length of what
// follows, then a 12-byte RTP header and a 4-byte payload-format header
// before the ASF data packet.
constexpr size_t kFramePrefix = 4;
constexpr size_t kPacketHeaders = 16;

// The server's notice that the stream has ended: a message (a request of
// its own) with this header.
bool IsEndOfStreamNotice(const rtsp::RtspReply& message)
{
    for (const std::string& line : message.Lines()) {
        if (line == rtsp::RtspReply::kBodyMarker)
            break;
        if (ascii::StartsWithNoCase(line, "X-Notice:") && line.find("2101") != std::string::npos)
            return true;
    }
    return false;
}

// A reply whose first line is no RTSP status line: the server speaks
// something else.
bool NotRtsp(const rtsp::RtspReply& reply)
{
    return !reply.Lines().empty() && !ascii::StartsWithNoCase(reply.Lines().front(), "RTSP/");
}

// Why a DESCRIBE reply holds no stream header.
std::string DescribeFailure(const rtsp::RtspReply& reply)
{
    if (reply.Lines().empty() || NotRtsp(reply))
        return net::ProtocolError("the server's answer is not RTSP");
    const std::string& line = reply.Lines().front();
    const size_t space = line.find(' ');
    const int code = space == std::string::npos ? 0 : std::atoi(line.c_str() + space + 1);
    const size_t phrase = space == std::string::npos ? std::string::npos : line.find(' ', space + 1);
    if (code != 200 && code > 0) {
        std::string text = net::HttpStatus(code, phrase == std::string::npos ? std::string() : line.substr(phrase + 1));
        return "RTSP" + text.substr(4);
    }
    return net::ProtocolError("no stream header in the stream's description");
}

}  // namespace

uint64_t RtspClient::Run(const RecordRequest& request)
{
    const AttemptScope<Session> scope(session_);
    Session& session = *session_;
    session.url = request.url;
    session.packetsToSkip = request.resume.value();
    // A recording that holds the whole stream (or a broadcast) gets its
    // counts and durations from what was written; one cut short keeps the
    // header's, and so stays resumable.
    Begin(request, AsfFileWriter::Patch::LiveOrWhole, session.packetsToSkip);

    net::UrlParts parts;
    if (!Connect(session.url, kDefaultPort, rtsp::RtspReply::kMaxSize, &parts))
        return 0;
    // The session's one buffer takes the replies, then the frames.
    if (Handshake()) {
        while (!stopRequested_.load() && ReadFrame() != 0) {
        }
    }
    const uint64_t written = EndRecording(session.endOfStream);
    Disconnect();
    if (written == 0 && !session.describeFailure.empty())
        Fail(session.describeFailure);
    return written;
}

bool RtspClient::Exchange(const std::string& request, bool pause, rtsp::RtspReply* reply)
{
    if (request.empty()) {
        hooks_->ReportError("request refused");
        Fail(net::ProtocolError("the address does not fit in a request"));
        return false;
    }
    if (!SendAll(request.data(), request.size()))
        return false;
    // The pause the Windows Media player makes between a request and
    // reading its reply; servers may rely on it.
    if (pause)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    *reply = rtsp::RtspReply::Read(reader());
    if (reply->Whole())
        return true;
    if (NotRtsp(*reply))
        Fail(net::ProtocolError("the server's answer is not RTSP"));
    else if (reply->TooLarge())
        Fail(net::ProtocolError("an answer too long to be read"));
    else
        Fail(net::ReadFailure(reply->ReadStatus(), connection().LastError(), reader().Received() > 0));
    return false;
}

bool RtspClient::Handshake()
{
    const std::string& url = session_->url;
    rtsp::RtspReply reply;
    if (!Exchange(rtsp::DescribeRequest(url), true, &reply))
        return false;
    TakeHeader(reply);
    if (!writer().HeaderTaken() && reply.HeaderText().empty())
        session_->describeFailure = DescribeFailure(reply);

    sockaddr_in local{};
    const int localPort = connection().LocalAddress(&local) ? ntohs(local.sin_port) : 0;
    if (!Exchange(rtsp::SetupRtxRequest(url, localPort), true, &reply))
        return false;
    const std::string session = reply.SessionIdentifier();

    // Status codes are not looked at: a refused SETUP (audio-only content
    // refuses the video one) changes nothing in the sequence.
    return Exchange(rtsp::SetParameterRequest(url, session), true, &reply) &&
           Exchange(rtsp::SetupAudioRequest(url, session), false, &reply) &&
           Exchange(rtsp::SetupVideoRequest(url, session), true, &reply) &&
           Exchange(rtsp::PlayRequest(url, session), true, &reply);
}

void RtspClient::TakeHeader(const rtsp::RtspReply& reply)
{
    const std::vector<uint8_t> block = rtsp::DecodeBase64(reply.HeaderText());
    // A header that cannot be recorded is reported; the handshake goes on
    // either way, as the player's would, and no packet is written.
    AsfStreamClient::TakeHeader(block.data(), block.size());
}

uint32_t RtspClient::ReadFrame()
{
    if (stopRequested_.load())
        return 0;
    if (!Need(1))
        return 0;
    // Anything but a frame ends the session; the server's end-of-stream
    // notice is such a message.
    if (reader().Data()[0] != '$') {
        const rtsp::RtspReply message = rtsp::RtspReply::Read(reader());
        session_->endOfStream = message.Whole() && IsEndOfStreamNotice(message);
        return 0;
    }
    if (!Need(kFramePrefix))
        return 0;
    const uint8_t* prefix = reader().Data();
    const size_t length = static_cast<size_t>(prefix[2]) << 8 | prefix[3];
    if (length <= kPacketHeaders || length - kPacketHeaders > kPacketBufferSize)
        return 0;
    if (!Need(kFramePrefix + length))
        return 0;
    uint8_t* packet = reader().Data() + kFramePrefix + kPacketHeaders;
    const size_t packetLength = length - kPacketHeaders;
    if (packetLength < 2 || packet[0] != 0x82 || packet[1] != 0x00)
        return 0;

    bool goOn = true;
    if (session_->packetsToSkip > 0)
        --session_->packetsToSkip;
    else
        goOn = TakePacket(packet, packetLength);
    reader().Consume(kFramePrefix + length);
    return goOn ? static_cast<uint32_t>(packetLength) : 0;
}
