#include "protocols/http/http_download_client.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <string_view>
#include <vector>

#include "formats/asf_guids.h"
#include "formats/byte_sink.h"
#include "formats/le.h"
#include "formats/list_file_io.h"
#include "formats/playlist_text.h"
#include "formats/printf.h"
#include "protocols/asf_recording.h"
#include "protocols/attempt_scope.h"
#include "protocols/client_hooks.h"
#include "protocols/http/curl_transfer.h"
#include "protocols/http/http_address.h"
#include "protocols/http/http_auth.h"
#include "protocols/http/http_text.h"
#include "protocols/net/failure_reason.h"
#include "protocols/net/url_parts.h"

// How libcurl's failures map onto the messages of a download:
//   "InternetOpen Error"  libcurl's handles cannot be created
//   "connect error"       the address cannot be split into host, port and object
//   "request error"       the request cannot be set up (its address or headers are
//                         refused); libcurl never gives a head without a status,
//                         so asking for the status cannot fail
//   "Not Found"           the request cannot be sent or no answer head comes
//                         (refused, unresolved, connect time-out, the server
//                         silent for the idle time-out, a broken answer), or
//                         the final status is not 200
//   "read error"          the body breaks off: a reset, fewer bytes than the
//                         announced length, or silence for the idle time-out
//   "write error"         the output file takes fewer bytes than were read

namespace {

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 1.0.3705)";
constexpr const char* kAcceptTypes =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-powerpoint, "
    "application/vnd.ms-excel, application/msword, */*";
constexpr const char* kExtraHeader = "Accept-Encoding: gzip, deflate";
constexpr long kConnectTimeoutMs = 5000;
constexpr long kMaxRedirects = 10;
constexpr size_t kSaveBlock = 4096;
constexpr size_t kPageBlock = 1024;
// A text page is collected up to about this size; the rest is not looked at.
constexpr uint64_t kPageLimit = 1048576;
constexpr uint64_t kMegabyte = 1048576;

ClientHooks& SilentHooks()
{
    static ClientHooks silent;
    return silent;
}

bool IsFailure(CurlTransfer::Outcome outcome)
{
    return outcome == CurlTransfer::Outcome::Failed || outcome == CurlTransfer::Outcome::TimedOut;
}

}  // namespace

HttpDownloadClient::HttpDownloadClient(const ClientEnvironment& env) : env_(env) {}

HttpDownloadClient::~HttpDownloadClient() = default;

void HttpDownloadClient::Stop()
{
    stopRequested_.store(true);
}

ClientHooks& HttpDownloadClient::hooks() const
{
    return env_.hooks ? *env_.hooks : SilentHooks();
}

void HttpDownloadClient::Fail(const std::string& reason)
{
    attempt_->failed = true;
    hooks().OnFailureReason(reason);
}

uint64_t HttpDownloadClient::Record(const RecordRequest& request)
{
    // The stop of an earlier call (a declined password) is not this one's;
    // a stop of the job reaches this call through OnConnecting.
    stopRequested_.store(false);
    std::string refusal = request.resume.RefusalFor(kResumeUnit);
    if (refusal.empty() && request.resume.value() != 0)
        refusal = "a download cannot resume: it starts at the beginning of the body";
    if (!refusal.empty()) {
        hooks().OnFailureReason(refusal);
        return 0;
    }
    const AttemptScope<Attempt> scope(attempt_, request);
    try {
        Download(request.out);
    } catch (const std::exception& e) {
        // Out of memory and the like end the download; what was saved
        // stays, and the handles are closed on the way out.
        hooks().Trace(Printf("HTTP download ended: %s", e.what()));
    }
    if (attempt_->bytesReceived == 0 && !attempt_->failed && !stopRequested_.load())
        Fail("the server's answer is empty");
    return attempt_->bytesReceived;
}

void HttpDownloadClient::Download(ByteSink* out)
{
    CurlTransfer request(&stopRequested_, env_.idleTimeoutMs);
    if (!request.Open()) {
        hooks().ReportError("InternetOpen Error");
        Fail("the HTTP library cannot be set up");
        return;
    }
    // The address as the referrer, without any user information in it.
    const std::string referrer = FormEncode(net::WithoutUserInfo(attempt_->url));
    HttpAddress address;
    const bool split = SplitHttpAddress(attempt_->url, &address);
    hooks().OnConnecting(attempt_->url, 80);
    if (split && !address.user.empty() && !address.password.empty()) {
        attempt_->user = address.user;
        attempt_->password = address.password;
    }
    if (!split) {
        hooks().ReportError("connect error");
        Fail(net::kNotAStreamAddress);
        return;
    }

    CURL* easy = request.easy();
    if (!request.SetUrl(address.target) ||
        !request.SetHeaders({kAcceptTypes, kExtraHeader, "Pragma: no-cache", "Cache-Control: no-cache"})) {
        hooks().ReportError("request error");
        Fail(net::kNotAStreamAddress);
        return;
    }
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kAgent);
    request.SetReferer(referrer);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    request.FollowRedirects(kMaxRedirects);
    request.SetCredentials(attempt_->user, attempt_->password);

    const CurlTransfer::Outcome sent = request.Send();
    if (sent == CurlTransfer::Outcome::Stopped)
        return;  // the job was stopped: no error to show
    if (sent != CurlTransfer::Outcome::Ok) {
        hooks().Trace(Printf("HTTP request failed: %s", request.ErrorText().c_str()));
        hooks().ReportError("Not Found");
        Fail(request.FailureReason(sent));
        return;
    }
    int status = request.status();
    // Whether credentials went with the request the server refused.
    bool sentCredentials = !attempt_->user.empty();
    if (status == 401)
        Authenticate(request, address.target, status, &sentCredentials);
    if (status != 200) {
        hooks().Trace(Printf("HTTP status %d", status));
        hooks().ReportError("Not Found");
        if (status == 401)
            Fail(sentCredentials ? net::kCredentialsRefused : net::kNoCredentials);
        else
            Fail(net::HttpStatus(status, request.statusPhrase()));
        return;
    }
    if (attempt_->body == RecordRequest::Body::AsfOnly && out) {
        SaveAsfBody(request, out);
        return;
    }
    if (attempt_->body != RecordRequest::Body::SaveWhatever &&
        request.contentType().find("text") != std::string::npos) {
        ScanPage(request, out);
        ReportProbedHeader(out);
        return;
    }
    // The file is announced with the first bytes of the body: an answer
    // without any is no recording.
    ReadToFile(request, out, /*announce=*/true);
    ReportProbedHeader(out);
}

bool HttpDownloadClient::WantsMoreHeader() const
{
    const size_t have = attempt_->probedHead.size();
    if (have >= kMaxProbedHeader)
        return false;
    const size_t guidBytes = std::min(have, asf::kHeader.bytes.size());
    if (std::memcmp(attempt_->probedHead.data(), asf::kHeader.bytes.data(), guidBytes) != 0)
        return false;
    if (have < asf::kObjectHeaderSize)
        return true;
    return have < le::Load64(reinterpret_cast<const uint8_t*>(attempt_->probedHead.data()) + 16);
}

void HttpDownloadClient::ReportProbedHeader(ByteSink* out)
{
    if (out || attempt_->probedHead.size() < asf::kObjectHeaderSize ||
        !asf::kHeader.Matches(reinterpret_cast<const uint8_t*>(attempt_->probedHead.data())))
        return;
    const StreamInfo info = asfrecording::HeaderStreamInfo(
        reinterpret_cast<const uint8_t*>(attempt_->probedHead.data()), attempt_->probedHead.size());
    if (info.delivery != StreamDelivery::Unknown)
        hooks().OnStreamInfo(info);
}

bool HttpDownloadClient::Authenticate(CurlTransfer& request, const std::string& named, int& status,
                                      bool* sentCredentials)
{
    const AuthenticationResult result = AuthenticateRequest(
        request, env_.profile, env_.prompts, attempt_->user, attempt_->password, env_.Cancel());
    *sentCredentials = *sentCredentials || result.resent;
    if (result.cancelled) {
        stopRequested_.store(true);
        hooks().OnNoNext();
    }
    if (!result.sent)
        return false;
    // Credentials another server asked for (after a redirect) are not the
    // ones of the address the job was given.
    if (result.status != 401 && net::SameCredentialOrigin(request.effectiveUrl(), named))
        hooks().OnCredentials(attempt_->user, attempt_->password);
    status = result.status;
    return true;
}

void HttpDownloadClient::ScanPage(CurlTransfer& request, ByteSink* out)
{
    std::vector<char> block(kPageBlock);
    CurlTransfer::ReadResult first = request.Read(block.data(), block.size());
    if (first.count == 0) {
        if (IsFailure(first.outcome)) {
            hooks().ReportError("read error");
            Fail(request.FailureReason(first.outcome));
        }
        return;
    }
    if (first.count >= asf::kHeader.bytes.size() &&
        asf::kHeader.Matches(reinterpret_cast<const uint8_t*>(block.data()))) {
        // Served as text, but it is an ASF stream: save it as media.
        if (!Save(out, block.data(), first.count))
            return;
        hooks().OnHeaderReceived(attempt_->url, 0);
        if (IsFailure(first.outcome)) {
            hooks().ReportError("read error");
            return;
        }
        if (first.outcome == CurlTransfer::Outcome::Ok)
            ReadToFile(request, out);
        return;
    }

    std::string page(block.data(), first.count);
    attempt_->bytesReceived += first.count;
    CurlTransfer::Outcome outcome = first.outcome;
    while (outcome == CurlTransfer::Outcome::Ok) {
        const uint64_t before = attempt_->bytesReceived;
        CurlTransfer::ReadResult next = request.Read(block.data(), block.size());
        if (next.count == 0 || before > kPageLimit)
            break;
        page.append(block.data(), next.count);
        attempt_->bytesReceived += next.count;
        outcome = next.outcome;
    }
    // The page itself is not saved; its bytes stay counted.
    const std::string found = FindMmsUrl(page);
    if (!found.empty())
        hooks().OnStreamUrlFound(found);
}

std::string HttpDownloadClient::CollectPage(CurlTransfer& request, const char* first,
                                            const CurlTransfer::ReadResult& read)
{
    std::string page(first, read.count);
    std::vector<char> block(kPageBlock);
    CurlTransfer::Outcome outcome = read.outcome;
    while (outcome == CurlTransfer::Outcome::Ok && page.size() <= kPageLimit) {
        const CurlTransfer::ReadResult next = request.Read(block.data(), block.size());
        if (next.count == 0)
            break;
        page.append(block.data(), next.count);
        outcome = next.outcome;
    }
    return page;
}

void HttpDownloadClient::SaveAsfBody(CurlTransfer& request, ByteSink* out)
{
    std::vector<char> block(kSaveBlock);
    const CurlTransfer::ReadResult first = request.Read(block.data(), block.size());
    if (first.count >= asf::kHeader.bytes.size() &&
        asf::kHeader.Matches(reinterpret_cast<const uint8_t*>(block.data()))) {
        if (!Save(out, block.data(), first.count))
            return;
        hooks().OnHeaderReceived(attempt_->url, 0);
        hooks().OnProgress(attempt_->bytesReceived, 0, 0);
        if (IsFailure(first.outcome)) {
            hooks().ReportError("read error");
            return;
        }
        if (first.outcome == CurlTransfer::Outcome::Ok)
            ReadToFile(request, out);
        return;
    }
    if (first.count == 0) {
        if (IsFailure(first.outcome)) {
            hooks().ReportError("read error");
            Fail(request.FailureReason(first.outcome));
        }
        return;
    }
    // Not media: a playlist goes to the file for the job to follow, and
    // any other body is a page at best.
    const std::string body = CollectPage(request, block.data(), first);
    const auto* bytes = reinterpret_cast<const uint8_t*>(body.data());
    if (body.size() <= kMaxPlaylistBytes && LooksLikePlaylist(bytes, body.size()) &&
        IsPlaylistText(bytes, body.size())) {
        Save(out, body.data(), body.size());
        return;
    }
    const std::string found = FindMmsUrl(body);
    if (!found.empty())
        hooks().OnStreamUrlFound(found);
    hooks().Trace(Printf("HTTP body of %zu bytes (%s) is no ASF stream", body.size(),
                         request.contentType().c_str()));
    hooks().ReportError("Not an ASF stream");
    Fail(net::kNotWindowsMedia);
}

void HttpDownloadClient::ReadToFile(CurlTransfer& request, ByteSink* out, bool announce)
{
    std::vector<char> block(kSaveBlock);
    for (;;) {
        if (stopRequested_.load())
            return;
        const CurlTransfer::ReadResult read = request.Read(block.data(), block.size());
        // Bytes that came before a failure or a stop are saved all the same.
        if (read.count > 0) {
            if (!Save(out, block.data(), read.count))
                return;
            if (announce)
                hooks().OnHeaderReceived(attempt_->url, 0);
            announce = false;
            hooks().OnProgress(attempt_->bytesReceived, 0, 0);
        }
        if (IsFailure(read.outcome)) {
            hooks().Trace(Printf("HTTP read failed: %s",
                                 read.outcome == CurlTransfer::Outcome::TimedOut
                                     ? "the server went silent"
                                     : request.ErrorText().c_str()));
            hooks().ReportError("read error");
            Fail(request.FailureReason(read.outcome));
            return;
        }
        if (read.outcome != CurlTransfer::Outcome::Ok || read.count == 0)
            return;
        // Without a file the download only proves that data arrives, and
        // reads on only while an ASF header it begins with is not whole.
        if (!out && !WantsMoreHeader())
            return;
        if (env_.settings.m_sizePolicy && env_.settings.m_maxSize >= 0 &&
            attempt_->bytesReceived / kMegabyte >= static_cast<uint64_t>(env_.settings.m_maxSize))
            return;
    }
}

bool HttpDownloadClient::Save(ByteSink* out, const char* data, size_t count)
{
    if (out) {
        // Written through at once: a block counts only once it is in the file.
        if (!out->Write(data, count) || !out->Flush()) {
            hooks().ReportError("write error");
            Fail("the output file cannot be written");
            return false;
        }
        attempt_->bytesReceived += count;
        return true;
    }
    attempt_->bytesReceived += count;
    if (attempt_->probedHead.size() < kMaxProbedHeader)
        attempt_->probedHead.append(data, std::min(count, kMaxProbedHeader - attempt_->probedHead.size()));
    return true;
}
