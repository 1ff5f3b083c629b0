#include "protocols/net/asf_stream_client.h"

#include <arpa/inet.h>

#include "protocols/client_hooks.h"

namespace {

ClientHooks& NoHooks()
{
    static ClientHooks none;
    return none;
}

}  // namespace

AsfStreamClient::AsfStreamClient(const ClientEnvironment& env)
    : env_(env),
      hooks_(env.hooks ? env.hooks : &NoHooks()),
      connection_(stopRequested_),
      writer_(env_.settings, env.hooks, stopRequested_)
{
}

AsfStreamClient::~AsfStreamClient() = default;

void AsfStreamClient::Stop() { stopRequested_.store(true); }

void AsfStreamClient::Begin(const RecordRequest& request)
{
    stopRequested_.store(false);
    writer_.Begin(request.out, request.url, request.resume);
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
        return false;
    }
    address.sin_port = htons(static_cast<uint16_t>(port));
    connection_.SetIdleTimeout(env_.idleTimeoutMs);
    const auto status = connection_.Connect(address, env_.connectTimeoutMs, /*reuseAddress=*/true);
    if (status == net::TcpConnection::Status::Ok) {
        reader_ = std::make_unique<net::BufferedReader>(connection_, bufferSize);
        return true;
    }
    if (status == net::TcpConnection::Status::Stopped)
        return false;
    switch (connection_.FailedConnectStep()) {
    case net::TcpConnection::ConnectStep::Socket: hooks_->ReportError("socket failed"); break;
    case net::TcpConnection::ConnectStep::Option: hooks_->ReportError("sockopt error"); break;
    default: hooks_->ReportError("connect failed !!"); break;
    }
    return false;
}

void AsfStreamClient::Disconnect()
{
    connection_.Close();
    reader_.reset();
}
