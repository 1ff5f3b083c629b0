#pragma once

#include <memory>
#include <string>

namespace player {

// MMS over HTTP to a server that wants a login. mpv's reader of that
// protocol sends no credentials, so it is pointed at this relay on the
// loopback interface instead: each connection is forwarded to the server,
// with an "Authorization: Basic" line put into its request head and the
// "Host:" line naming the server. One request per connection, as that
// reader makes them.
class CredentialRelay {
public:
    CredentialRelay(std::string host, int port, std::string user, std::string password);
    // Wakes every thread of the relay and returns at once: a thread still
    // busy (resolving the server's name, say) finishes on its own and
    // touches nothing of this object.
    ~CredentialRelay();
    CredentialRelay(const CredentialRelay&) = delete;
    CredentialRelay& operator=(const CredentialRelay&) = delete;

    // Listens on 127.0.0.1 on a port the system picks; false when it cannot.
    bool Start();
    int Port() const { return port_; }

    // The request head as it goes to the server (exposed for its test).
    static std::string RewriteHead(const std::string& head, const std::string& hostField,
                                   const std::string& authorization);

    struct Shared;  // what the relay's threads hold

private:
    std::shared_ptr<Shared> shared_;
    int port_ = 0;
};

}  // namespace player
