#include "protocols/mmsh/mmsh_client.h"

#include <algorithm>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>

#include "base/app_settings.h"
#include "base/profile.h"
#include "base/user_prompts.h"
#include "formats/ascii.h"
#include "formats/asx_reader.h"
#include "formats/byte_sink.h"
#include "formats/list_file_io.h"
#include "formats/playlist_text.h"
#include "protocols/asf_recording.h"
#include "protocols/mmsh/chunk_stream.h"
#include "protocols/mmsh/mmsh_request.h"
#include "protocols/mmsh/reply_head.h"
#include "protocols/mmsh/stream_reader.h"
#include "protocols/mmsh/stream_url.h"
#include "protocols/net/failure_reason.h"
#include "protocols/net/socket_error.h"
#include "protocols/net/tcp_connection.h"

using namespace mmsh;

MmshClient::MmshClient(const ClientEnvironment& env)
    : env_(env), buffer_(new uint8_t[kExchangeBufferSize])
{
}

MmshClient::~MmshClient() = default;

void MmshClient::Stop() { stop_.store(true); }

uint64_t MmshClient::Record(const RecordRequest& request)
{
    out_ = request.out;
    startOffset_ = request.resume;
    keptHeader_ = request.keptHeader;
    repeatedPacket_ = request.repeatedPacket;
    continuation_ = request.continuation;
    user_ = request.user;
    password_ = request.password;
    givenUser_ = request.user;
    givenPassword_ = request.password;
    givenHasOrigin_ = net::CredentialOriginOf(request.url, &givenOrigin_);
    fileUsed_ = false;
    targetsHandled_ = 0;
    probeCount_ = 0;
    stop_.store(false);
    const uint64_t before = bytesWritten_;
    attemptStart_ = before;
    // The address alone, without option parsing: a local path that begins
    // with "/" is an address here.
    RunTargets({Target{request.url, 80, -1}}, 0);
    // What this call wrote, or for a check without a file what it found,
    // so that 0 means this address failed even on an object that has
    // recorded before.
    return out_ ? bytesWritten_ - before : probeCount_;
}

void MmshClient::RunTargets(const std::vector<Target>& targets, int depth)
{
    const std::string proxyText = ProxyTextFromSettings(env_.settings);
    bool reported = false;
    int reportedGroup = -1;
    for (size_t i = 0; i < targets.size(); ++i) {
        if (Stopped())
            return;
        const Target& target = targets[i];
        if (fileUsed_) {
            // The file holds a stream already: a later entry of a server
            // playlist is handed back as an address of its own.
            if (target.group == -1 || !reported || reportedGroup != target.group) {
                hooks().OnStreamUrlFound(target.address);
                reported = true;
                reportedGroup = target.group;
            }
            continue;
        }
        if (++targetsHandled_ > kMaxTargetsPerCall) {
            log_.Error("Too many playlist entries; the rest are skipped!");
            return;
        }
        const bool media = HandleTarget(target, depth, proxyText);
        if (media && out_ && target.group != -1) {
            // The first alternate that reaches the media phase ends its group.
            while (i + 1 < targets.size() && targets[i + 1].group == target.group)
                ++i;
        }
    }
}

bool MmshClient::HandleTarget(const Target& target, int depth, const std::string& proxyText)
{
    if (!HasStreamPrefix(target.address)) {
        std::string text;
        if (LoadPlaylistFile(target.address, &text) == ReadStatus::Ok &&
            PlaylistPath(reinterpret_cast<const uint8_t*>(text.data()), text.size(), target.port,
                         depth))
            return false;
    }
    log_.Info("Parsing URL: '%s'\n", target.address.c_str());
    StreamUrl url;
    if (!ParseStreamUrl(EscapeUrl(target.address), target.port, &url, log_)) {
        Fail(net::kNotAStreamAddress);
        return false;
    }
    if (!ApplyProxy(&url, proxyText, log_)) {
        Fail(net::ProtocolError("the proxy setting cannot be read"));
        return false;
    }
    // Nothing is resolved or sent before the attempt is announced.
    hooks().OnConnecting(target.address, url.port);
    if (!ResolveStreamHost(&url, log_)) {
        Fail(net::kNameNotResolved);
        return false;
    }

    const net::CredentialOrigin origin{"http", ascii::LowerCopy(url.host), url.port};
    const bool given = givenHasOrigin_ && origin == givenOrigin_;
    user_ = given ? givenUser_ : std::string();
    password_ = given ? givenPassword_ : std::string();

    const std::string guid = NewClientGuid();
    TransferStatus status;
    for (int attempt = 0; !Stopped(); ++attempt) {
        RequestParams params{url.RequestTarget(), BasicAuthValue(user_, password_),
                             url.proxied ? std::string() : url.connectHost, guid};
        CollectStream(true, nullptr, 0, BuildProbeRequest(params), url, &status);
        if (status.kind != TransferKind::Unauthorised)
            break;
        const bool sentCredentials = !user_.empty();
        if (!GetCredentials(url, attempt)) {
            log_.Error("Authorization cancelled!");
            Fail(sentCredentials ? net::kCredentialsRefused : net::kNoCredentials);
            stop_.store(true);
            hooks().OnNoNext();
            break;
        }
        if (given) {
            givenUser_ = user_;
            givenPassword_ = password_;
            hooks().OnCredentials(user_, password_);
        }
    }
    if (Stopped())
        return false;
    switch (status.kind) {
    case TransferKind::Playlist:
        if (!PlaylistPath(buffer_.get(), status.bodyLength, url.port, depth))
            Fail(net::ProtocolError("a playlist that cannot be read"));
        return false;
    case TransferKind::Live:
    case TransferKind::OnDemand:
        MediaPhase(target, url, guid, status);
        return true;
    default:
        Fail(exchangeFailure_.empty() ? std::string(net::kNotWindowsMedia) : exchangeFailure_);
        return false;
    }
}

void MmshClient::MediaPhase(const Target& target, StreamUrl& url, const std::string& guid,
                            const TransferStatus& probe)
{
    hooks().OnHeaderReceived(target.address, probe.durationMs);
    // The probe left the header it parsed at the start of the buffer.
    StreamInfo info;
    if (probe.dataObjectOffset > 0)
        info = asfrecording::HeaderStreamInfo(
            buffer_.get(), std::min<size_t>(probe.dataObjectOffset, kExchangeBufferSize));
    // The reply says whether the server broadcasts.
    info.delivery = probe.kind == TransferKind::Live ? StreamDelivery::Live : StreamDelivery::OnDemand;
    if (info.delivery == StreamDelivery::Live)
        info.durationMs = 0;
    hooks().OnStreamInfo(info);
    if (out_) {
        const bool live = probe.kind == TransferKind::Live;
        uint64_t existing = 0;
        if (!live && !out_->Size(&existing))
            existing = 0;
        // A resume offset inside the file is where the job goes on (the
        // file's last packet is fetched again, as proof of the stream);
        // otherwise the stream goes on where the file ends.
        if (startOffset_ > 0 && startOffset_ < existing)
            existing = startOffset_;
        // The offset's two halves: a file past 4 GiB has a high half too.
        uint32_t offsetHigh = 0xFFFFFFFFu, offsetLow = 0xFFFFFFFFu;
        const uint64_t offset = existing > 0 ? existing : startOffset_;
        if (existing > 0)
            log_.Note("Appending to existing file!\n");
        if (offset != 0) {
            offsetHigh = static_cast<uint32_t>(offset >> 32);
            offsetLow = static_cast<uint32_t>(offset);
        }
        RequestParams params{url.RequestTarget(), BasicAuthValue(user_, password_),
                             url.proxied ? std::string() : url.connectHost, guid};
        const std::string request =
            BuildMediaRequest(params, live, offsetHigh, offsetLow, probe.durationMs);
        const uint64_t before = bytesWritten_;
        const std::string lastMessage = log_.last();
        TransferStatus media;
        CollectStream(false, out_, existing, request, url, &media);
        if (bytesWritten_ != before)
            fileUsed_ = true;
        else if (!Stopped())
            Fail(!exchangeFailure_.empty()                               ? exchangeFailure_
                 : log_.last() != lastMessage && !log_.last().empty() ? net::ProtocolError(log_.last())
                                                                        : std::string("the server sent no stream"));
    } else {
        // A check: the stream answered; count the header it sent.
        probeCount_ += probe.dataObjectOffset > 0 ? probe.dataObjectOffset + 50 : 1;
    }
    hooks().OnFinished(bytesWritten_);
}

void MmshClient::CollectStream(bool probe, ByteSink* out, uint64_t existingSize, const std::string& request,
                               StreamUrl& url, TransferStatus* status)
{
    using Status = net::TcpConnection::Status;
    *status = TransferStatus{};
    exchangeFailure_.clear();
    net::TcpConnection connection(stop_);
    connection.SetIdleTimeout(env_.idleTimeoutMs);

    log_.Info("connecting to: %s", url.connectHost.c_str());
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(url.connectPort);
    address.sin_addr.s_addr = url.ConnectAddress();
    if (url.hasHostEntry)
        url.connectHost = url.hostEntry.officialName;
    Status s = connection.Connect(address, env_.connectTimeoutMs);
    if (s == Status::Stopped)
        return;
    if (s != Status::Ok) {
        log_.Error("connect() failed: %s", net::SocketErrorName(connection.LastError()).c_str());
        exchangeFailure_ = net::ConnectFailure(s, connection.LastError());
        return;
    }
    log_.Info("sending request [%d bytes]", static_cast<int>(request.size()));
    s = connection.SendAll(request.data(), request.size());
    if (s == Status::Stopped)
        return;
    if (s != Status::Ok) {
        log_.Error("send() failed: %s", net::SocketErrorName(connection.LastError()).c_str());
        exchangeFailure_ = net::ReadFailure(s, connection.LastError(), false);
        return;
    }
    log_.Info("waiting for reply...");
    StreamReader reader(connection, log_);
    ReplyHead head = ReadReplyHead(reader, log_);
    if (Stopped())
        return;

    bool readBody = false, textReply = false;
    TransferKind kind = KindFromContentType(head, &readBody, &textReply, log_);
    if (readBody && !reader.Exhausted()) {
        size_t want = kExchangeBufferSize;
        if (head.contentLength >= 0 && static_cast<unsigned long long>(head.contentLength) < want)
            want = static_cast<size_t>(head.contentLength);
        status->bodyLength = static_cast<uint32_t>(reader.Read(buffer_.get(), want));
    }
    if (textReply)
        kind = LooksLikePlaylist(buffer_.get(), status->bodyLength) ? TransferKind::Playlist
                                                                     : TransferKind::Unusable;
    if (head.statusCode == 200 || head.statusCode == 401)
        log_.Info("reply: %d - %s", head.statusCode, head.reason.c_str());
    else
        log_.Error("reply: %d - %s", head.statusCode, head.reason.c_str());
    if (head.statusCode != 200)
        kind = head.statusCode == 401 ? TransferKind::Unauthorised : TransferKind::HttpError;
    status->kind = kind;
    // Bytes without a status line are no HTTP answer.
    if (head.illegalFirstLine || (head.statusCode == 0 && reader.Received() > 0))
        exchangeFailure_ = net::ProtocolError("the server's answer is not HTTP");
    else if (head.statusCode == 0)
        exchangeFailure_ = net::ReadFailure(reader.EndStatus(), connection.LastError(), reader.Received() > 0);
    else if (kind == TransferKind::HttpError)
        exchangeFailure_ = net::HttpStatus(head.statusCode, head.reason);
    else if (kind == TransferKind::Unusable)
        exchangeFailure_ = net::kNotWindowsMedia;

    if (!reader.Exhausted() && (kind == TransferKind::Live || kind == TransferKind::OnDemand)) {
        ChunkLoopContext context;
        context.probe = probe;
        context.out = out;
        context.existingSize = existingSize;
        context.keptHeader = &keptHeader_;
        context.repeatedPacket = &repeatedPacket_;
        context.continuation = continuation_.get();
        context.buffer = buffer_.get();
        context.status = status;
        context.reader = &reader;
        context.bytesWritten = &bytesWritten_;
        context.progressFrom = attemptStart_;
        context.settings = &env_.settings;
        context.stop = &stop_;
        context.hooks = &hooks();
        context.log = &log_;
        RunChunkLoop(context);
    }
}

bool MmshClient::GetCredentials(const StreamUrl& url, int attempt)
{
    CredentialSite site;
    site.host = url.host;
    site.port = url.port;
    site.defaultPort = 80;
    return LookupCredentials(env_.profile, env_.prompts, site, attempt > 0, user_, password_, env_.Cancel()) ==
           CredentialLookup::Found;
}

bool MmshClient::PlaylistPath(const uint8_t* text, size_t length, uint16_t port, int depth)
{
    if (!IsPlaylistText(text, length))
        return false;
    std::vector<std::string> leading = {"Wavetrace"};
    if (port != 80) {
        leading.push_back("-p");
        leading.push_back(std::to_string(port));
    }
    AsxReader::Result result = AsxReader::Read(AsxReader::Mode::StreamingClient, text, length, leading);
    for (const std::string& message : result.messages)
        log_.Note("%s", message.c_str());
    if (result.referenceCount > 0 && !result.output.empty()) {
        if (depth + 1 > kMaxPlaylistDepth)
            log_.Error("Playlists nested more than %d deep are not followed!", kMaxPlaylistDepth);
        else
            RunTargets(BuildTargetList(result.output), depth + 1);
    }
    return result.asxSeen;
}
