#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

#include "protocols/asfout/asf_output_writer.h"
#include "protocols/net/buffered_reader.h"
#include "protocols/net/tcp_connection.h"
#include "protocols/net/url_parts.h"
#include "protocols/protocol_client.h"

// What the MMS-over-TCP and RTSP clients share: one TCP connection whose
// every wait a Stop() ends, read through one buffer, and the ASF output
// writer that makes the file of what arrives.
class AsfStreamClient : public ProtocolClient {
public:
    ~AsfStreamClient() override;
    void Stop() override;

protected:
    explicit AsfStreamClient(const ClientEnvironment& env);

    // Starts one recording: clears an earlier stop request and begins the
    // writer on the request's file.
    void Begin(const RecordRequest& request);

    // Connects to the address's host and port (defaultPort when it names
    // none) with SO_REUSEADDR, and reports the attempt. On failure reports
    // "connect failed !!", "socket failed" or "sockopt error" (nothing when
    // stopped). On success the reader, of bufferSize bytes, is ready and
    // parts holds the address's parts.
    bool Connect(const std::string& url, int defaultPort, size_t bufferSize, net::UrlParts* parts);

    // Closes the connection and drops the reader.
    void Disconnect();

    ClientEnvironment env_;
    ClientHooks* hooks_;
    std::atomic<bool> stopRequested_{false};
    net::TcpConnection connection_;
    AsfOutputWriter writer_;
    std::unique_ptr<net::BufferedReader> reader_;
};
