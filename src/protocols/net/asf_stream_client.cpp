#include "protocols/net/asf_stream_client.h"

#include <cstring>

#include <arpa/inet.h>

#include "formats/byte_sink.h"
#include "formats/printf.h"
#include "protocols/asf_recording.h"
#include "protocols/attempt_scope.h"
#include "protocols/client_hooks.h"
#include "protocols/net/failure_reason.h"

namespace {

ClientHooks& NoHooks()
{
    static ClientHooks none;
    return none;
}

}  // namespace

AsfStreamClient::AsfStreamClient(const ClientEnvironment& env)
    : env_(env), hooks_(env.hooks ? env.hooks : &NoHooks())
{
}

AsfStreamClient::~AsfStreamClient() = default;

void AsfStreamClient::Stop() { stopRequested_.store(true); }

uint64_t AsfStreamClient::Record(const RecordRequest& request)
{
    stopRequested_.store(false);
    const std::string refusal = request.resume.RefusalFor(kResumeUnit);
    if (!refusal.empty()) {
        Fail(refusal);
        return 0;
    }
    const AttemptScope<Attempt> attempt(attempt_, stopRequested_, request);
    return Run(request);
}

void AsfStreamClient::Begin(const RecordRequest& request, AsfFileWriter::Patch patch, uint64_t keptPackets)
{
    AsfFileWriter::Options options = asfrecording::WriterOptions(env_.settings, patch);
    options.keptPackets = keptPackets;
    options.keptHeader = request.keptHeader;
    options.repeatedPacket = request.repeatedPacket;
    if (request.continuation)
        options.continuation = *request.continuation;
    attempt_->writer.Begin(request.out, options);
}

void AsfStreamClient::ReportWriteError()
{
    if (attempt_->writeErrorReported)
        return;
    attempt_->writeErrorReported = true;
    hooks_->ReportError(Printf("Unable to write the output file: %s", std::strerror(attempt_->out->Error())));
}

bool AsfStreamClient::TakeHeader(const uint8_t* header, size_t length)
{
    using R = AsfFileWriter::HeaderResult;
    switch (writer().WriteHeader(header, length)) {
    case R::Written:
    case R::Kept:
        hooks_->OnHeaderReceived(attempt_->url, writer().DurationMs());
        hooks_->OnStreamInfo(asfrecording::HeaderStreamInfo(header, length));
        return true;
    case R::AlreadyTaken:
        // The same header again (a server repeating itself): nothing to write.
        return true;
    case R::Changed:
        // A reconnected broadcast of other streams: it needs a file of its own.
        return false;
    case R::Malformed:
    case R::UnsupportedPacketSize:
        hooks_->ReportError("not supported");
        Fail(net::ProtocolError("a stream header that cannot be recorded"));
        return false;
    case R::OtherStream:
        hooks_->OnResumeRefused();
        hooks_->ReportError(kOtherStreamText);
        Fail(kOtherStreamText);
        return false;
    case R::WriteFailed:
        ReportWriteError();
        return false;
    }
    return false;
}

bool AsfStreamClient::TakePacket(const uint8_t* packet, size_t length)
{
    using P = AsfFileWriter::PacketResult;
    const P result = writer().WritePacket(packet, length);
    if (result.Wrote()) {
        uint32_t& lastTime = attempt_->lastTime;
        if (result.timed)
            lastTime = result.timeMs;
        hooks_->OnDataPacket(lastTime);
        hooks_->OnProgress(writer().BytesWritten(), result.progress, lastTime);
    }
    if (result.status == P::WriteFailed)
        ReportWriteError();
    if (result.status == P::NoHeader)
        Fail(net::ProtocolError("stream data before the stream header"));
    if (result.status == P::OtherStream) {
        hooks_->OnResumeRefused();
        hooks_->ReportError(kOtherStreamText);
    }
    return result.status == P::Written || result.status == P::Repeated;
}

uint64_t AsfStreamClient::EndRecording(bool serverEnded)
{
    AsfFileWriter& w = writer();
    const bool file = attempt_->out != nullptr;
    if (!w.Finalise())
        ReportWriteError();
    if (file && w.HeaderChanged())
        hooks_->OnStreamEnd(StreamEnd::HeaderChanged, 0);
    else if (file && w.HeaderTaken() && !w.WriteFailed())
        hooks_->OnStreamEnd(asfrecording::HowItEnded(w, stopRequested_.load(), serverEnded),
                            w.PacketsWritten());
    return w.BytesWritten();
}

bool AsfStreamClient::Connect(const std::string& url, int defaultPort, size_t bufferSize,
                              net::UrlParts* parts)
{
    const bool parsed = net::SplitUrl(url, parts);
    const int port = parsed && parts->port != 0 ? parts->port : defaultPort;
    hooks_->OnConnecting(url, port);
    sockaddr_in address{};
    if (!parsed || net::ResolveIPv4(parts->host, &address) != 0) {
        hooks_->ReportError("connect failed !!");
        Fail(parsed ? net::kNameNotResolved : net::kNotAStreamAddress);
        return false;
    }
    address.sin_port = htons(static_cast<uint16_t>(port));
    net::TcpConnection& connection = attempt_->connection;
    connection.SetIdleTimeout(env_.idleTimeoutMs);
    const auto status = connection.Connect(address, env_.connectTimeoutMs, /*reuseAddress=*/true);
    if (status == net::TcpConnection::Status::Ok) {
        attempt_->reader = std::make_unique<net::BufferedReader>(connection, bufferSize);
        return true;
    }
    if (status == net::TcpConnection::Status::Stopped)
        return false;
    Fail(net::ConnectFailure(status, connection.LastError()));
    switch (connection.FailedConnectStep()) {
    case net::TcpConnection::ConnectStep::Socket: hooks_->ReportError("socket failed"); break;
    case net::TcpConnection::ConnectStep::Option: hooks_->ReportError("sockopt error"); break;
    default: hooks_->ReportError("connect failed !!"); break;
    }
    return false;
}

void AsfStreamClient::Fail(const std::string& reason) { hooks_->OnFailureReason(reason); }

bool AsfStreamClient::Need(size_t n)
{
    const net::TcpConnection::Status status = reader().Require(n);
    if (status == net::TcpConnection::Status::Ok)
        return true;
    if (n > reader().Capacity())
        Fail(net::ProtocolError("a message too long to be read"));
    else
        Fail(net::ReadFailure(status, connection().LastError(), reader().Received() > 0));
    return false;
}

bool AsfStreamClient::SendAll(const void* data, size_t n)
{
    const net::TcpConnection::Status status = connection().SendAll(data, n);
    if (status == net::TcpConnection::Status::Ok)
        return true;
    Fail(net::ReadFailure(status, connection().LastError(), true));
    return false;
}

void AsfStreamClient::Disconnect()
{
    attempt_->connection.Close();
    attempt_->reader.reset();
}
