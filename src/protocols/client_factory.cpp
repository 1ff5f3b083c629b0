#include "protocols/client_factory.h"

#include "protocols/client_hooks.h"
#include "protocols/http/http_download_client.h"
#include "protocols/mms/mms_tcp_client.h"

namespace {

// Stands in for a client this build does not have: every attempt fails
// with a clear text, so the job driver goes on to the next client.
class UnavailableClient final : public ProtocolClient {
public:
    explicit UnavailableClient(const ClientEnvironment& env) : hooks_(env.hooks) {}
    uint32_t Record(const RecordRequest&) override
    {
        if (hooks_)
            hooks_->ReportError("protocol not available");
        return 0;
    }
    void Stop() override {}

private:
    ClientHooks* hooks_;
};

}  // namespace

std::unique_ptr<ProtocolClient> MakeProtocolClient(ClientKind kind, const ClientEnvironment& env)
{
    switch (kind) {
    case ClientKind::MmsTcp:
        return std::make_unique<MmsTcpClient>(env);
    case ClientKind::HttpDownload:
        return std::make_unique<HttpDownloadClient>(env);
    case ClientKind::Rtsp:
    case ClientKind::Mmsh:
        break;
    }
    return std::make_unique<UnavailableClient>(env);
}

const char* ClientKindName(ClientKind kind)
{
    switch (kind) {
    case ClientKind::MmsTcp: return "MMS over TCP";
    case ClientKind::Rtsp: return "RTSP";
    case ClientKind::Mmsh: return "MMS over HTTP";
    case ClientKind::HttpDownload: return "HTTP download";
    }
    return "?";
}
