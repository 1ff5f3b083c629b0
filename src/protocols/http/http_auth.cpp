#include "protocols/http/http_auth.h"

#include "base/app_settings.h"
#include "base/memory_profile.h"
#include "base/user_prompts.h"
#include "protocols/http/curl_transfer.h"

namespace {

// Sends the request again with the given credentials; false when it could
// not be sent or no final answer came.
bool Resend(CurlTransfer& request, const std::string& user, const std::string& password,
            int* status)
{
    request.SetCredentials(user, password);
    if (request.Send() != CurlTransfer::Outcome::Ok)
        return false;
    *status = request.status();
    return true;
}

}  // namespace

AuthenticationResult AuthenticateRequest(CurlTransfer& request, const std::string& host,
                                         Profile* profile, UserPrompts* prompts, std::string& user,
                                         std::string& password, const CancelSignal& cancel)
{
    AuthenticationResult result;
    if (profile) {
        StoredCredentials stored = ReadStoredCredentials(*profile, host);
        if (!stored.user.empty() && !stored.password.empty()) {
            user = stored.user;
            password = stored.password;
            if (!Resend(request, user, password, &result.status)) {
                result.sent = false;
                return result;
            }
        }
    }
    if (!prompts)
        return result;
    // Answers marked "save?" must go somewhere even without a profile.
    MemoryProfile scratch;
    Profile& store = profile ? *profile : scratch;
    while (result.status == 401) {
        if (!LookupCredentials(store, *prompts, host, /*retrying=*/true, user, password, cancel)) {
            result.cancelled = true;
            break;
        }
        if (!Resend(request, user, password, &result.status)) {
            result.sent = false;
            break;
        }
    }
    return result;
}
