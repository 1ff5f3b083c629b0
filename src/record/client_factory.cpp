#include "record/client_factory.h"

#include "protocols/http/http_download_client.h"
#include "protocols/mms/mms_tcp_client.h"
#include "protocols/mmsh/mmsh_client.h"
#include "protocols/rtsp/rtsp_client.h"

std::unique_ptr<ProtocolClient> MakeProtocolClient(ClientKind kind, const ClientEnvironment& env)
{
    switch (kind) {
    case ClientKind::MmsTcp:
        return std::make_unique<MmsTcpClient>(env);
    case ClientKind::HttpDownload:
        return std::make_unique<HttpDownloadClient>(env);
    case ClientKind::Rtsp:
        return std::make_unique<RtspClient>(env);
    case ClientKind::Mmsh:
        return std::make_unique<MmshClient>(env);
    }
    return nullptr;
}
