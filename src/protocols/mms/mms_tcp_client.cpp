#include "protocols/mms/mms_tcp_client.h"

#include "formats/le.h"
#include "formats/printf.h"
#include "protocols/attempt_scope.h"
#include "protocols/client_hooks.h"
#include "protocols/mms/mms_commands.h"
#include "protocols/net/failure_reason.h"

namespace {

// Data packets are at most 65535 bytes (a 16-bit length); command messages
// far beyond any server's are refused. The buffer leaves room for a whole
// read behind a packet.
constexpr size_t kMaxCommandMessage = 16384;
constexpr size_t kReceiveBuffer = 128 * 1024;
// A header in several packets is gathered up to this size (the same
// ceiling as the header of MMS over HTTP); a longer one is refused.
constexpr size_t kMaxHeader = 64 * 1024;

constexpr size_t kDataPrefix = 8;
constexpr uint8_t kHeaderPacket = 2;
constexpr uint8_t kDataPacket = 4;
constexpr uint8_t kFirstOfSeveral = 0x04;
constexpr uint8_t kLastHeaderPacket = 0x08;

}  // namespace

uint64_t MmsTcpClient::Run(const RecordRequest& request)
{
    const AttemptScope<Session> scope(session_);
    Session& session = *session_;
    session.playerIdOverride = request.playerAgent;
    // The start-playing command carries 32 bits: a file with more packets
    // than that is recorded afresh.
    const uint64_t resume = request.resume.value();
    session.resumePacket = resume <= 0xFFFFFFFEu ? static_cast<uint32_t>(resume) : 0;
    Begin(request, AsfFileWriter::Patch::Live, session.resumePacket);

    net::UrlParts parts;
    if (!Connect(request.url, kDefaultPort, kReceiveBuffer, &parts))
        return 0;
    session.object = parts.path.empty() ? std::string() : parts.path.substr(1);
    if (SendConnect()) {
        uint32_t step = 1;
        while (step != 0 && !stopRequested_.load() && !session.endOfStream)
            step = ReceiveStep();
    }
    const uint64_t written = EndRecording(session.endOfStream);
    Disconnect();
    return written;
}

bool MmsTcpClient::Send(const std::vector<uint8_t>& command)
{
    return SendAll(command.data(), command.size());
}

bool MmsTcpClient::SendConnect()
{
    const std::string& agent = session_->playerIdOverride;
    const std::string& id = agent.empty() ? env_.settings.m_playerAgent : agent;
    return Send(mms::Connect(NextSequence(), id));
}

bool MmsTcpClient::SendFunnelInfo() { return Send(mms::FunnelInfo(NextSequence())); }

bool MmsTcpClient::SendTransport()
{
    sockaddr_in local{};
    if (!connection().LocalAddress(&local))
        return false;
    return Send(mms::Transport(NextSequence(), local));
}

bool MmsTcpClient::SendOpenFile() { return Send(mms::OpenFile(NextSequence(), session_->object)); }
bool MmsTcpClient::SendReadBlock() { return Send(mms::ReadBlock(NextSequence())); }
bool MmsTcpClient::SendStreamSelect() { return Send(mms::StreamSelect(NextSequence())); }
bool MmsTcpClient::SendStartPlaying() { return Send(mms::StartPlaying(session_->resumePacket)); }
bool MmsTcpClient::SendPong(uint32_t pingCode) { return Send(mms::Pong(NextSequence(), pingCode)); }

bool MmsTcpClient::OnReply(uint32_t code)
{
    switch (code) {
    case mms::kReplyConnected: return SendFunnelInfo();
    case mms::kReplyFunnelInfo: return SendTransport();
    case mms::kReplyTransport: return SendOpenFile();
    case mms::kReplyOpenFile: return SendReadBlock();
    case mms::kReplyStreamSelected: return SendStartPlaying();
    case mms::kReplyPing: return SendPong(code);
    default: return true;
    }
}

uint32_t MmsTcpClient::ReceiveStep()
{
    if (stopRequested_.load())
        return 0;
    if (!Need(kDataPrefix))
        return 0;
    if (le::Load32(reader().Data() + 4) == mms::kSessionSignature)
        return ReceiveCommand();
    // A server answers the connect command with a command of its own
    // before anything else; one that does not is no MMS server.
    if (!session_->answered) {
        Fail(net::ProtocolError("the server's answer is not MMS"));
        return 0;
    }
    return ReceiveDataPacket();
}

uint32_t MmsTcpClient::ReceiveCommand()
{
    if (!Need(mms::kPrefixSize))
        return 0;
    const uint32_t length = le::Load32(reader().Data() + 8);
    // A length no server sends: the stream cannot be followed any further.
    if (length > kMaxCommandMessage) {
        Fail(net::ProtocolError(Printf("a command of %u bytes", length)));
        return 0;
    }
    const size_t total = mms::kPrefixSize + length;
    if (!Need(total))
        return 0;
    session_->answered = true;
    const uint8_t* packet = reader().Data();
    const uint32_t code = total >= mms::kFrameSize ? le::Load32(packet + 36) : 0;
    const bool openFailed = code == mms::kReplyOpenFile && total >= 52 &&
                            static_cast<int32_t>(le::Load32(packet + 48)) < 0;
    reader().Consume(total);
    if (openFailed) {
        hooks_->ReportError("Url not found");
        Fail("the server has no such stream");
        return 0;
    }
    if (code == mms::kReplyEndOfStream) {
        session_->endOfStream = true;
        if (!writer().HeaderTaken())
            Fail("the server ended the stream before sending it");
        return 0;
    }
    return OnReply(code) ? static_cast<uint32_t>(total) : 0;
}

uint32_t MmsTcpClient::ReceiveDataPacket()
{
    const uint8_t* prefix = reader().Data();
    const size_t total = le::Load16(prefix + 6);
    // A packet with nothing after its prefix cannot be part of a stream.
    if (total <= kDataPrefix) {
        Fail(net::ProtocolError("an empty data packet"));
        return 0;
    }
    if (!Need(total))
        return 0;
    uint8_t* packet = reader().Data();
    const uint8_t type = packet[4];
    const uint8_t flags = packet[5];
    uint8_t* payload = packet + kDataPrefix;
    const size_t length = total - kDataPrefix;

    if (type == kDataPacket) {
        const bool more = TakePacket(payload, length);
        reader().Consume(total);
        session_->lastProgress = std::chrono::steady_clock::now();
        return more ? static_cast<uint32_t>(total) : 0;
    }
    // A server that keeps talking without ever sending the stream (header
    // packets over and over, packets of no known type) is as good as
    // silent: the idle time-out ends it all the same.
    if (env_.idleTimeoutMs > 0 && std::chrono::steady_clock::now() - session_->lastProgress >=
                                      std::chrono::milliseconds(env_.idleTimeoutMs)) {
        reader().Consume(total);
        hooks_->Trace(Printf("no stream data for %d ms, only packets of type %u", env_.idleTimeoutMs,
                             static_cast<unsigned>(type)));
        Fail(net::ProtocolError(Printf("no stream data for %d ms", env_.idleTimeoutMs)));
        return 0;
    }
    if (type != kHeaderPacket) {
        reader().Consume(total);
        return static_cast<uint32_t>(total);
    }
    // A header in several packets is gathered, and selected from once its
    // last arrived.
    Session& session = *session_;
    std::vector<uint8_t>& header = session.header;
    if (!session.inHeaderSequence)
        header.clear();
    if (flags == kFirstOfSeveral)
        session.inHeaderSequence = true;
    else if (flags & kLastHeaderPacket)
        session.inHeaderSequence = false;
    if (length > kMaxHeader - header.size()) {
        reader().Consume(total);
        hooks_->ReportError("not supported");
        Fail(net::ProtocolError("a stream header larger than 64 KB"));
        return 0;
    }
    header.insert(header.end(), payload, payload + length);
    reader().Consume(total);
    if (session.inHeaderSequence)
        return static_cast<uint32_t>(total);
    const bool first = !writer().HeaderTaken();
    const bool taken = TakeHeader(header.data(), header.size());
    header.clear();
    if (!taken)
        return 0;
    if (first)
        session.lastProgress = std::chrono::steady_clock::now();
    return SendStreamSelect() ? static_cast<uint32_t>(total) : 0;
}
