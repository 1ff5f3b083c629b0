#include "protocols/http/credential_probe.h"

#include <atomic>

#include "base/cancel_signal.h"
#include "protocols/http/curl_transfer.h"
#include "protocols/http/http_address.h"
#include "protocols/http/http_auth.h"

namespace {

constexpr const char* kProbeAgent = "NSPlayer/4.1.0.3856";
constexpr long kProbeConnectTimeoutMs = 2000;
constexpr long kMaxRedirects = 10;

}  // namespace

std::optional<ProbedCredentials> ProbeCredentials(const std::string& address, const std::string& user,
                                                  const std::string& password, Profile& profile,
                                                  UserPrompts& prompts, const CancelSignal& cancel,
                                                  int idleTimeoutMs)
{
    HttpAddress split;
    if (!SplitHttpAddress(address, &split))
        return std::nullopt;
    // The transfer looks at a flag in its waits; the signal sets it.
    std::atomic<bool> stop{false};
    const CancelSignal::Watch watch = cancel.OnCancel([&stop] { stop = true; });
    CurlTransfer request(&stop, idleTimeoutMs);
    if (!request.Open())
        return std::nullopt;
    CURL* easy = request.easy();
    // A bare request: no referrer, no accept types, no extra header.
    if (!request.SetUrl(split.target) ||
        !request.SetHeaders({"Accept:", "Pragma: no-cache", "Cache-Control: no-cache"}))
        return std::nullopt;
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kProbeAgent);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, kProbeConnectTimeoutMs);
    request.FollowRedirects(kMaxRedirects);
    request.SetCredentials(user, password);

    if (request.Send() != CurlTransfer::Outcome::Ok || request.status() != 401)
        return std::nullopt;
    std::string tryUser = user;
    std::string tryPassword = password;
    const AuthenticationResult result =
        AuthenticateRequest(request, &profile, &prompts, tryUser, tryPassword, cancel);
    if (stop || !result.sent || result.status != 200)
        return std::nullopt;
    return ProbedCredentials{tryUser, tryPassword};
}
