#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace player {

// MMS over HTTP to a server that wants a login. mpv's reader of that
// protocol sends no credentials, so it is pointed at this relay on the
// loopback interface instead: each connection's request is forwarded to the
// server with an "Authorization: Basic" line put into its head and the
// "Host:" line naming the server. One request per connection, as that
// reader makes them.
//
// Every local user can reach a loopback port, so the relay carries the
// login only for whoever knows its secret: a random first path segment of
// 128 bits that only the player learns (LocalUrl). It forwards nothing but a
// GET of that secret followed by the one path it was made for; anything
// else is answered 403 and never reaches the server. Connections are
// bounded in number, in the time their request head may take and in its
// size. The relay ends with its object: from then on its port refuses.
struct RelayLimits {
    int maxConnections = 8;     // at once; further ones are closed at once
    int headDeadlineMs = 5000;  // from the connection to the end of its head
    size_t maxHead = 16 * 1024;
};

class CredentialRelay {
public:
    using Limits = RelayLimits;

    // pathAndQuery: the stream's path with its query, from its first "/".
    CredentialRelay(std::string host, int port, const std::string& pathAndQuery, std::string user,
                    std::string password, Limits limits = {});
    // Stops listening and wakes every thread of the relay, then returns at
    // once: a thread still busy (resolving the server's name, say)
    // finishes on its own and touches nothing of this object.
    ~CredentialRelay();
    CredentialRelay(const CredentialRelay&) = delete;
    CredentialRelay& operator=(const CredentialRelay&) = delete;

    // Listens on 127.0.0.1 on a port the system picks; false when it cannot
    // (or no secret could be drawn).
    bool Start();
    int Port() const { return port_; }
    // What mpv opens: "mmsh://127.0.0.1:PORT/SECRET/PATH"; empty before Start.
    std::string LocalUrl() const;

    struct Shared;  // what the relay's threads hold

private:
    std::shared_ptr<Shared> shared_;
    int port_ = 0;
};

}  // namespace player
