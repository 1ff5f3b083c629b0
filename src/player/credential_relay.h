#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
    // Stops every connection within a tick and joins the threads.
    ~CredentialRelay();
    CredentialRelay(const CredentialRelay&) = delete;
    CredentialRelay& operator=(const CredentialRelay&) = delete;

    // Listens on 127.0.0.1 on a port the system picks; false when it cannot.
    bool Start();
    int Port() const { return port_; }

    // The request head as it goes to the server (exposed for its test).
    static std::string RewriteHead(const std::string& head, const std::string& hostField,
                                   const std::string& authorization);

private:
    void AcceptLoop();
    void Serve(int clientFd);

    const std::string host_;
    const int serverPort_;
    const std::string authorization_;  // the whole "Authorization:" value
    std::atomic<bool> stop_{false};
    int listenFd_ = -1;
    int port_ = 0;
    std::thread acceptThread_;
    std::mutex mutex_;  // guards connections_
    std::vector<std::thread> connections_;
};

}  // namespace player
