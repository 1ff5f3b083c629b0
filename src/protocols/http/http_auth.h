#pragma once

#include <string>

class CancelSignal;
class CurlTransfer;
class Profile;
class UserPrompts;

// What a request answered with 401 went through to be let in.
struct AuthenticationResult {
    bool sent = true;        // false: a repeated request could not be sent
    bool cancelled = false;  // the user cancelled the credential dialog
    int status = 401;        // the last status the server gave
    bool resent = false;     // credentials went with a repeated request
};

// Repeats a request that was answered 401: first with the credentials stored
// for the site that refused (the host and port of the address that gave the
// answer, after redirects; when both values are set), then with what the
// user enters in the credential dialog, for as long as the server refuses.
// The credentials go to that site alone. user and password hold the
// credentials of the last attempt. Without prompts no dialog is shown;
// without a profile nothing stored is read or written. `cancel` ends an
// open dialog (the job's stop).
AuthenticationResult AuthenticateRequest(CurlTransfer& request, Profile* profile, UserPrompts* prompts, std::string& user,
                                         std::string& password, const CancelSignal& cancel);
