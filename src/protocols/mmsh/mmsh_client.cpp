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
#include "protocols/attempt_scope.h"
#include "protocols/mmsh/chunk_stream.h"
#include "protocols/mmsh/mmsh_request.h"
#include "protocols/mmsh/reply_head.h"
#include "protocols/mmsh/stream_reader.h"
#include "protocols/mmsh/stream_url.h"
#include "protocols/net/failure_reason.h"
#include "protocols/net/socket_error.h"
#include "protocols/net/tcp_connection.h"

using namespace mmsh;

MmshClient::MmshClient(const ClientEnvironment& env) : env_(env) {}

MmshClient::Attempt::Attempt(const RecordRequest& request)
    : buffer(new uint8_t[kExchangeBufferSize]),
      out(request.out),
      startOffset(request.resume.value()),
      keptHeader(request.keptHeader),
      repeatedPacket(request.repeatedPacket),
      continuation(request.continuation),
      user(request.user),
      password(request.password),
      givenUser(request.user),
      givenPassword(request.password),
      givenHasOrigin(net::CredentialOriginOf(request.url, &givenOrigin))
{
}

MmshClient::~MmshClient() = default;

void MmshClient::Stop() { stop_.store(true); }

uint64_t MmshClient::Record(const RecordRequest& request)
{
    stop_.store(false);
    const std::string refusal = request.resume.RefusalFor(kResumeUnit);
    if (!refusal.empty()) {
        Fail(refusal);
        return 0;
    }
    const AttemptScope<Attempt> scope(attempt_, request);
    const uint64_t before = bytesWritten_;
    attempt_->start = before;
    // The address alone, without option parsing: a local path that begins
    // with "/" is an address here.
    RunTargets({Target{request.url, 80, -1}}, 0);
    // What this call wrote, or for a check without a file what it found,
    // so that 0 means this address failed even on an object that has
    // recorded before.
    return attempt_->out ? bytesWritten_ - before : attempt_->probeCount;
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
        if (attempt_->fileUsed) {
            // The file holds a stream already: a later entry of a server
            // playlist is handed back as an address of its own.
            if (target.group == -1 || !reported || reportedGroup != target.group) {
                hooks().OnStreamUrlFound(target.address);
                reported = true;
                reportedGroup = target.group;
            }
            continue;
        }
        if (++attempt_->targetsHandled > kMaxTargetsPerCall) {
            log_.Error("Too many playlist entries; the rest are skipped!");
            return;
        }
        const bool media = HandleTarget(target, depth, proxyText);
        if (media && attempt_->out && target.group != -1) {
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
    const bool given = attempt_->givenHasOrigin && origin == attempt_->givenOrigin;
    attempt_->user = given ? attempt_->givenUser : std::string();
    attempt_->password = given ? attempt_->givenPassword : std::string();

    const std::string guid = NewClientGuid();
    TransferStatus status;
    for (int attempt = 0; !Stopped(); ++attempt) {
        RequestParams params{url.RequestTarget(), BasicAuthValue(attempt_->user, attempt_->password),
                             url.proxied ? std::string() : url.connectHost, guid};
        CollectStream(true, nullptr, 0, BuildProbeRequest(params), url, &status);
        if (status.kind != TransferKind::Unauthorised)
            break;
        const bool sentCredentials = !attempt_->user.empty();
        if (!GetCredentials(url, attempt)) {
            log_.Error("Authorization cancelled!");
            Fail(sentCredentials ? net::kCredentialsRefused : net::kNoCredentials);
            stop_.store(true);
            hooks().OnNoNext();
            break;
        }
        if (given) {
            attempt_->givenUser = attempt_->user;
            attempt_->givenPassword = attempt_->password;
            hooks().OnCredentials(attempt_->user, attempt_->password);
        }
    }
    if (Stopped())
        return false;
    switch (status.kind) {
    case TransferKind::Playlist:
        if (!PlaylistPath(attempt_->buffer.get(), status.bodyLength, url.port, depth))
            Fail(net::ProtocolError("a playlist that cannot be read"));
        return false;
    case TransferKind::Live:
    case TransferKind::OnDemand:
        MediaPhase(target, url, guid, status);
        return true;
    default:
        Fail(attempt_->exchangeFailure.empty() ? std::string(net::kNotWindowsMedia)
                                               : attempt_->exchangeFailure);
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
        info = asfrecording::HeaderStreamInfo(attempt_->buffer.get(),
                                              std::min<size_t>(probe.dataObjectOffset, kExchangeBufferSize));
    // The reply says whether the server broadcasts.
    info.delivery = probe.kind == TransferKind::Live ? StreamDelivery::Live : StreamDelivery::OnDemand;
    if (info.delivery == StreamDelivery::Live)
        info.durationMs = 0;
    hooks().OnStreamInfo(info);
    if (attempt_->out) {
        const bool live = probe.kind == TransferKind::Live;
        uint64_t existing = 0;
        if (!live && !attempt_->out->Size(&existing))
            existing = 0;
        // A resume offset inside the file is where the job goes on (the
        // file's last packet is fetched again, as proof of the stream);
        // otherwise the stream goes on where the file ends.
        if (attempt_->startOffset > 0 && attempt_->startOffset < existing)
            existing = attempt_->startOffset;
        // The offset's two halves: a file past 4 GiB has a high half too.
        uint32_t offsetHigh = 0xFFFFFFFFu, offsetLow = 0xFFFFFFFFu;
        const uint64_t offset = existing > 0 ? existing : attempt_->startOffset;
        if (existing > 0)
            log_.Note("Appending to existing file!\n");
        if (offset != 0) {
            offsetHigh = static_cast<uint32_t>(offset >> 32);
            offsetLow = static_cast<uint32_t>(offset);
        }
        RequestParams params{url.RequestTarget(), BasicAuthValue(attempt_->user, attempt_->password),
                             url.proxied ? std::string() : url.connectHost, guid};
        const std::string request =
            BuildMediaRequest(params, live, offsetHigh, offsetLow, probe.durationMs);
        const uint64_t before = bytesWritten_;
        const std::string lastMessage = log_.last();
        TransferStatus media;
        CollectStream(false, attempt_->out, existing, request, url, &media);
        if (bytesWritten_ != before)
            attempt_->fileUsed = true;
        else if (!Stopped())
            Fail(!attempt_->exchangeFailure.empty() ? attempt_->exchangeFailure
                 : log_.last() != lastMessage && !log_.last().empty()
                     ? net::ProtocolError(log_.last())
                     : std::string("the server sent no stream"));
    } else {
        // A check: the stream answered; count the header it sent.
        attempt_->probeCount += probe.dataObjectOffset > 0 ? probe.dataObjectOffset + 50 : 1;
    }
    hooks().OnFinished(bytesWritten_);
}

void MmshClient::CollectStream(bool probe, ByteSink* out, uint64_t existingSize, const std::string& request,
                               StreamUrl& url, TransferStatus* status)
{
    using Status = net::TcpConnection::Status;
    *status = TransferStatus{};
    attempt_->exchangeFailure.clear();
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
        attempt_->exchangeFailure = net::ConnectFailure(s, connection.LastError());
        return;
    }
    log_.Info("sending request [%d bytes]", static_cast<int>(request.size()));
    s = connection.SendAll(request.data(), request.size());
    if (s == Status::Stopped)
        return;
    if (s != Status::Ok) {
        log_.Error("send() failed: %s", net::SocketErrorName(connection.LastError()).c_str());
        attempt_->exchangeFailure = net::ReadFailure(s, connection.LastError(), false);
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
        status->bodyLength = static_cast<uint32_t>(reader.Read(attempt_->buffer.get(), want));
    }
    if (textReply)
        kind = LooksLikePlaylist(attempt_->buffer.get(), status->bodyLength) ? TransferKind::Playlist
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
        attempt_->exchangeFailure = net::ProtocolError("the server's answer is not HTTP");
    else if (head.statusCode == 0)
        attempt_->exchangeFailure =
            net::ReadFailure(reader.EndStatus(), connection.LastError(), reader.Received() > 0);
    else if (kind == TransferKind::HttpError)
        attempt_->exchangeFailure = net::HttpStatus(head.statusCode, head.reason);
    else if (kind == TransferKind::Unusable)
        attempt_->exchangeFailure = net::kNotWindowsMedia;

    if (!reader.Exhausted() && (kind == TransferKind::Live || kind == TransferKind::OnDemand)) {
        ChunkLoopContext context;
        context.probe = probe;
        context.out = out;
        context.existingSize = existingSize;
        context.keptHeader = &attempt_->keptHeader;
        context.repeatedPacket = &attempt_->repeatedPacket;
        context.continuation = attempt_->continuation.get();
        context.buffer = attempt_->buffer.get();
        context.status = status;
        context.reader = &reader;
        context.bytesWritten = &bytesWritten_;
        context.progressFrom = attempt_->start;
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
    return LookupCredentials(env_.profile, env_.prompts, site, attempt > 0, attempt_->user,
                             attempt_->password, env_.Cancel()) == CredentialLookup::Found;
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
