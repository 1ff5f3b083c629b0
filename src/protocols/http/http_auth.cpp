#include "protocols/http/http_auth.h"

#include "base/app_settings.h"
#include "base/user_prompts.h"
#include "protocols/http/curl_transfer.h"
#include "protocols/net/url_parts.h"

namespace {

// Sends the request again with the given credentials; false when it could
// not be sent or no final answer came.
bool Resend(CurlTransfer& request, const std::string& site, const std::string& user,
            const std::string& password, int* status)
{
    request.SetCredentials(user, password, site);
    if (request.Send() != CurlTransfer::Outcome::Ok)
        return false;
    *status = request.status();
    return true;
}

}  // namespace

AuthenticationResult AuthenticateRequest(CurlTransfer& request, Profile* profile, UserPrompts* prompts,
                                         std::string& user, std::string& password, const CancelSignal& cancel)
{
    // The stored pair first, then the dialog for as long as the server refuses.
    AuthenticationResult result;
    for (bool retrying = false; result.status == 401; retrying = true) {
        // The address that refused: after a redirect, not the one first asked.
        const std::string refusing = request.effectiveUrl();
        // The dialog for another server starts empty, not with what was
        // given for the first one.
        if (!retrying && !net::SameCredentialOrigin(refusing, request.firstUrl())) {
            user.clear();
            password.clear();
        }
        const CredentialLookup found =
            LookupCredentials(profile, prompts, net::CredentialSiteOf(refusing), retrying, user, password, cancel);
        if (found == CredentialLookup::Cancelled)
            result.cancelled = true;
        if (found != CredentialLookup::Found)
            break;
        result.resent = true;
        if (!Resend(request, refusing, user, password, &result.status)) {
            result.sent = false;
            break;
        }
    }
    return result;
}
