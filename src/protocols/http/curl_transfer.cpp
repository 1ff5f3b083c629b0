#include "protocols/http/curl_transfer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>

#include <strings.h>

#include "formats/ascii.h"
#include "protocols/net/failure_reason.h"
#include "protocols/net/socket_error.h"
#include "protocols/net/tcp_connection.h"
#include "protocols/net/url_parts.h"

namespace {

// Body bytes held for the reader before libcurl is paused. Above one
// libcurl write (16 KiB), so that a paused write always fits once drained.
constexpr size_t kPendingLimit = 64 * 1024;

bool StartsWithNoCase(const char* data, size_t length, const char* prefix)
{
    const size_t n = std::strlen(prefix);
    return length >= n && strncasecmp(data, prefix, n) == 0;
}

// "HTTP/1.1 200 OK" -> 200; 0 when there is no three-digit code.
int ParseStatusLine(const char* data, size_t length)
{
    size_t i = 0;
    while (i < length && data[i] != ' ')
        ++i;
    while (i < length && data[i] == ' ')
        ++i;
    int code = 0;
    int digits = 0;
    for (; i < length && digits < 3 && data[i] >= '0' && data[i] <= '9'; ++i, ++digits)
        code = code * 10 + (data[i] - '0');
    return digits == 3 ? code : 0;
}

// "HTTP/1.1 404 Not Found" -> "Not Found"; bounded, as it is shown.
std::string StatusPhrase(const char* data, size_t length)
{
    const std::string_view line(data, length);
    const size_t code = line.find(' ');
    const size_t phrase = code == std::string_view::npos ? code : line.find(' ', code + 1);
    if (phrase == std::string_view::npos)
        return {};
    return std::string(line.substr(phrase + 1, 200));
}

bool SameHost(const std::string& a, const std::string& b)
{
    net::UrlParts first, second;
    return net::SplitUrl(a, &first) && net::SplitUrl(b, &second) && ascii::EqualsNoCase(first.host, second.host);
}

}  // namespace

bool EnsureCurlGlobalInit()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ok;
}

CurlTransfer::CurlTransfer(const std::atomic<bool>* stop, int idleTimeoutMs)
    : stop_(stop), idleTimeoutMs_(std::max(0, idleTimeoutMs))
{
}

CurlTransfer::~CurlTransfer()
{
    Abort();
    if (multi_)
        curl_multi_cleanup(multi_);
    if (easy_)
        curl_easy_cleanup(easy_);
    if (headers_)
        curl_slist_free_all(headers_);
}

bool CurlTransfer::Open()
{
    if (!EnsureCurlGlobalInit())
        return false;
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    if (!easy_ || !multi_)
        return false;
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlTransfer::HeaderCallback);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlTransfer::WriteCallback);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    // The body is kept exactly as the server sent it, whatever the
    // request announced about encodings.
    curl_easy_setopt(easy_, CURLOPT_HTTP_CONTENT_DECODING, 0L);
#if LIBCURL_VERSION_NUM >= 0x075700
    // A stop while a host name is still being resolved must not wait for
    // the resolver: its thread is left to finish on its own.
    curl_easy_setopt(easy_, CURLOPT_QUICK_EXIT, 1L);
#endif
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    return true;
}

bool CurlTransfer::SetHeaders(const std::vector<std::string>& lines)
{
    curl_slist* list = nullptr;
    for (const std::string& line : lines) {
        curl_slist* grown = curl_slist_append(list, line.c_str());
        if (!grown) {
            curl_slist_free_all(list);
            return false;
        }
        list = grown;
    }
    if (curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, list) != CURLE_OK) {
        curl_slist_free_all(list);
        return false;
    }
    if (headers_)
        curl_slist_free_all(headers_);
    headers_ = list;
    return true;
}

bool CurlTransfer::SetUrl(const std::string& url)
{
    firstUrl_ = url;
    return curl_easy_setopt(easy_, CURLOPT_URL, url.c_str()) == CURLE_OK;
}

void CurlTransfer::SetReferer(const std::string& referer) { referer_ = referer; }

void CurlTransfer::SetCredentials(const std::string& user, const std::string& password,
                                  const std::string& forUrl)
{
    const std::string& owner = forUrl.empty() ? firstUrl_ : forUrl;
    for (Credentials& c : credentials_) {
        if (net::SameCredentialOrigin(c.url.empty() ? firstUrl_ : c.url, owner) || c.url == forUrl) {
            c = {forUrl, user, password};
            return;
        }
    }
    credentials_.push_back({forUrl, user, password});
}

void CurlTransfer::FollowRedirects(long maxRedirects)
{
    // Followed here rather than by libcurl, so that each hop carries only
    // what belongs to its host.
    follow_ = maxRedirects > 0;
    maxRedirects_ = maxRedirects;
    curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 0L);
}

CurlTransfer::Outcome CurlTransfer::Send()
{
    tooManyRedirects_ = false;
    std::string url = firstUrl_;
    for (long hop = 0;; ++hop) {
        const Outcome outcome = SendTo(url);
        if (outcome != Outcome::Ok)
            return outcome;
        const char* location = nullptr;
        if (!follow_ || status_ / 100 != 3 || curl_easy_getinfo(easy_, CURLINFO_REDIRECT_URL, &location) != CURLE_OK ||
            !location || !*location)
            break;
        if (hop >= maxRedirects_) {
            Abort();
            tooManyRedirects_ = true;
            std::snprintf(errorBuffer_, sizeof(errorBuffer_), "more than %ld redirects", maxRedirects_);
            return Outcome::Failed;
        }
        url = location;
    }
    effectiveUrl_ = url;
    return Outcome::Ok;
}

CurlTransfer::Outcome CurlTransfer::SendTo(const std::string& url)
{
    Abort();
    errorBuffer_[0] = '\0';
    status_ = 0;
    statusPhrase_.clear();
    contentType_.clear();
    if (curl_easy_setopt(easy_, CURLOPT_URL, url.c_str()) != CURLE_OK)
        return Outcome::Failed;
    // The referrer goes to the host the user named alone; credentials to
    // the place they were given for alone.
    const bool named = SameHost(url, firstUrl_);
    curl_easy_setopt(easy_, CURLOPT_REFERER, named && !referer_.empty() ? referer_.c_str() : nullptr);
    const Credentials* own = nullptr;
    for (const Credentials& c : credentials_) {
        if (!c.user.empty() && net::SameCredentialOrigin(url, c.url.empty() ? firstUrl_ : c.url))
            own = &c;
    }
    if (own) {
        // Basic only: libcurl then sends the credentials with the request and
        // never answers a 401 by itself, so every 401 reaches the caller.
        curl_easy_setopt(easy_, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(easy_, CURLOPT_USERNAME, own->user.c_str());
        curl_easy_setopt(easy_, CURLOPT_PASSWORD, own->password.c_str());
    } else {
        curl_easy_setopt(easy_, CURLOPT_USERNAME, static_cast<const char*>(nullptr));
        curl_easy_setopt(easy_, CURLOPT_PASSWORD, static_cast<const char*>(nullptr));
    }
    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK)
        return Outcome::Failed;
    active_ = true;
    const Outcome outcome = Pump(false);
    if (outcome != Outcome::Ok)
        return outcome;
    if (!headDone_) {
        // Finished without a head we took as final: only a clean end with a
        // status libcurl understood counts.
        long code = 0;
        if (result_ == CURLE_OK)
            curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &code);
        if (code < 100 || code > 999)
            return Outcome::Failed;
        status_ = static_cast<int>(code);
        headDone_ = true;
    }
    const char* type = nullptr;
    if (curl_easy_getinfo(easy_, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        contentType_ = type;
    return Outcome::Ok;
}

CurlTransfer::ReadResult CurlTransfer::Read(void* buf, size_t n)
{
    auto* out = static_cast<char*>(buf);
    size_t got = 0;
    while (got < n) {
        if (Pending() > 0) {
            const size_t take = std::min(n - got, Pending());
            std::memcpy(out + got, pending_.data() + readPos_, take);
            readPos_ += take;
            got += take;
            if (readPos_ == pending_.size()) {
                pending_.clear();
                readPos_ = 0;
            }
            continue;
        }
        if (paused_) {
            // Drained: let libcurl hand over what it held back.
            paused_ = false;
            curl_easy_pause(easy_, CURLPAUSE_CONT);
            continue;
        }
        if (!active_)
            return {got, Outcome::Failed};
        if (done_)
            return {got, result_ == CURLE_OK ? Outcome::End : Outcome::Failed};
        const Outcome outcome = Pump(true);
        if (outcome != Outcome::Ok)
            return {got, outcome};
    }
    return {got, Outcome::Ok};
}

void CurlTransfer::Abort()
{
    if (active_) {
        if (paused_) {
            // Unpaused with discard_ set, libcurl empties what it held back
            // into the void; no pause survives into the next request.
            discard_ = true;
            curl_easy_pause(easy_, CURLPAUSE_CONT);
            discard_ = false;
        }
        curl_multi_remove_handle(multi_, easy_);
        active_ = false;
    }
    done_ = false;
    result_ = CURLE_OK;
    headDone_ = false;
    paused_ = false;
    pending_.clear();
    readPos_ = 0;
}

std::string CurlTransfer::ErrorText() const
{
    if (errorBuffer_[0])
        return errorBuffer_;
    return curl_easy_strerror(result_);
}

std::string CurlTransfer::FailureReason(Outcome outcome) const
{
    if (outcome == Outcome::TimedOut)
        return net::kNoAnswerInTime;
    if (tooManyRedirects_)
        return net::ProtocolError(errorBuffer_);
    long osError = 0;
    if (easy_)
        curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &osError);
    switch (result_) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return net::kNameNotResolved;
    case CURLE_COULDNT_CONNECT:
        return net::ConnectFailure(net::TcpConnection::Status::Failed, static_cast<int>(osError));
    case CURLE_OPERATION_TIMEDOUT:
        return net::kNoAnswerInTime;
    case CURLE_GOT_NOTHING:
        return net::kClosedWithoutAnswer;
    case CURLE_OK:  // ended without a status line
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:
        // Bytes without an HTTP status line (libcurl refuses HTTP/0.9).
        return net::ProtocolError("the server's answer is not HTTP");
    case CURLE_PARTIAL_FILE:
        return net::ReadFailure(net::TcpConnection::Status::Closed, 0, true);
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return net::ReadFailure(net::TcpConnection::Status::Failed, static_cast<int>(osError), true);
    default:
        return net::ProtocolError(ErrorText());
    }
}

CurlTransfer::Outcome CurlTransfer::Pump(bool forBody)
{
    using Clock = std::chrono::steady_clock;
    auto ready = [&] { return done_ || (forBody ? Pending() > 0 : headDone_); };
    auto lastActivity = Clock::now();
    uint64_t seen = activity_;
    for (;;) {
        if (ready())
            return Outcome::Ok;
        if (stop_ && stop_->load())
            return Outcome::Stopped;
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK)
            return Outcome::Failed;
        CollectDone();
        if (ready())
            return Outcome::Ok;
        const auto now = Clock::now();
        if (activity_ != seen) {
            seen = activity_;
            lastActivity = now;
        } else if (idleTimeoutMs_ > 0 &&
                   now - lastActivity >= std::chrono::milliseconds(idleTimeoutMs_)) {
            return Outcome::TimedOut;
        }
        // Wakes early when a socket is ready or a libcurl timer is due.
        curl_multi_poll(multi_, nullptr, 0, net::kStopTickMs, nullptr);
    }
}

void CurlTransfer::CollectDone()
{
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
            done_ = true;
            result_ = message->data.result;
        }
    }
}

size_t CurlTransfer::HeaderCallback(char* data, size_t size, size_t count, void* self)
{
    return static_cast<CurlTransfer*>(self)->OnHeaderLine(data, size * count);
}

size_t CurlTransfer::WriteCallback(char* data, size_t size, size_t count, void* self)
{
    return static_cast<CurlTransfer*>(self)->OnBody(data, size * count);
}

size_t CurlTransfer::OnHeaderLine(const char* data, size_t length)
{
    ++activity_;
    size_t content = length;
    while (content > 0 && (data[content - 1] == '\r' || data[content - 1] == '\n'))
        --content;
    if (StartsWithNoCase(data, content, "HTTP/")) {
        // A new answer begins (after an interim one).
        status_ = ParseStatusLine(data, content);
        statusPhrase_ = StatusPhrase(data, content);
        headDone_ = false;
    } else if (content == 0) {
        // The head ends. It is final unless it is interim (1xx); a redirect
        // is followed by Send, with a request of its own.
        if (status_ >= 200)
            headDone_ = true;
    }
    return length;
}

size_t CurlTransfer::OnBody(const char* data, size_t length)
{
    ++activity_;
    if (discard_)
        return length;
    if (Pending() > 0 && Pending() + length > kPendingLimit) {
        paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (readPos_ > 0) {
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(readPos_));
        readPos_ = 0;
    }
    pending_.insert(pending_.end(), data, data + length);
    return length;
}
