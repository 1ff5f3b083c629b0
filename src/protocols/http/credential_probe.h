#pragma once

#include <optional>
#include <string>

class CancelSignal;
class Profile;
class UserPrompts;

// A user name and password a server accepted.
struct ProbedCredentials {
    std::string user;
    std::string password;
};

// Finds out whether a server takes the member credentials a list file
// brought: the address is requested with user and password; when the
// server refuses (401), the credentials stored for the host and then the
// credential dialog are tried for as long as it refuses. Returns the pair
// that was finally let in after a refusal; nothing when the first answer
// already let the request in, when no pair worked, the dialog was
// cancelled or the server could not be reached. The caller puts a returned
// pair into m_memberUser and m_memberPassword. No body is read.
//
// Runs on the calling thread; every wait ends after idleTimeoutMs of
// silence (connecting after 2 seconds). `cancel` ends it at any point within
// a network wait's tick, and ends an open credential question with its
// cancel answer; the result is then nothing.
std::optional<ProbedCredentials> ProbeCredentials(const std::string& address, const std::string& user,
                                                  const std::string& password, Profile& profile,
                                                  UserPrompts& prompts, const CancelSignal& cancel,
                                                  int idleTimeoutMs = 10000);
