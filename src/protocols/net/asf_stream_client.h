#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/asf_file_writer.h"
#include "protocols/net/buffered_reader.h"
#include "protocols/net/tcp_connection.h"
#include "protocols/net/url_parts.h"
#include "protocols/protocol_client.h"

// What the MMS-over-TCP and RTSP clients share: one TCP connection whose
// every wait a Stop() ends, read through one buffer, and the ASF file
// writer that makes the file of what arrives, reported through the hooks.
class AsfStreamClient : public ProtocolClient {
public:
    // The error of a resume whose server sends another stream.
    static constexpr const char* kOtherStreamText = "The file holds another stream: it cannot be resumed";

    // Both clients resume by packet count.
    static constexpr ResumeAt::Unit kResumeUnit = ResumeAt::Unit::Packet;

    ~AsfStreamClient() override;
    // Clears an earlier stop request, refuses a resume position of another
    // unit, and runs Run on a fresh attempt state.
    uint64_t Record(const RecordRequest& request) final;
    void Stop() override;

protected:
    explicit AsfStreamClient(const ClientEnvironment& env);

    // One recording attempt of the client; the shared state is fresh.
    virtual uint64_t Run(const RecordRequest& request) = 0;

    // Begins the writer on the request's file, whose cursor stands after
    // keptPackets packets already in it (a resume) when that is not 0.
    void Begin(const RecordRequest& request, AsfFileWriter::Patch patch, uint64_t keptPackets);

    // The whole ASF header: written (unless the file holds it already) and
    // announced with its duration. False ends the session: a header that
    // cannot be recorded ("not supported") or a failed write.
    bool TakeHeader(const uint8_t* header, size_t length);
    // One data packet, reported as progress. False ends the session: the
    // last packet before a limit, a probe's first packet, no header yet, a
    // failed write.
    bool TakePacket(const uint8_t* packet, size_t length);
    // Ends the recording: finalises the file and, when the media phase was
    // reached with a file, reports how it ended (serverEnded: the server
    // marked the end of the stream). Returns Record's result.
    uint64_t EndRecording(bool serverEnded);

    // Connects to the address's host and port (defaultPort when it names
    // none) with SO_REUSEADDR, and reports the attempt. On failure reports
    // "connect failed !!", "socket failed" or "sockopt error" (nothing when
    // stopped). On success the reader, of bufferSize bytes, is ready and
    // parts holds the address's parts.
    bool Connect(const std::string& url, int defaultPort, size_t bufferSize, net::UrlParts* parts);

    // Closes the connection and drops the reader.
    void Disconnect();

    // Makes n bytes available through the reader; when they never will,
    // gives the reason (the server closed, went silent, the connection
    // broke) and returns false.
    bool Need(size_t n);
    // Sends a whole message; a failure's reason is given as Need's is.
    bool SendAll(const void* data, size_t n);
    void Fail(const std::string& reason);

    // The current attempt's connection, writer and reader (the reader only
    // between a successful Connect and Disconnect).
    net::TcpConnection& connection() { return attempt_->connection; }
    AsfFileWriter& writer() { return attempt_->writer; }
    net::BufferedReader& reader() { return *attempt_->reader; }

    ClientEnvironment env_;
    ClientHooks* hooks_;
    std::atomic<bool> stopRequested_{false};

private:
    // What one Record call holds; Record makes it and drops it.
    struct Attempt {
        Attempt(const std::atomic<bool>& stop, const RecordRequest& request)
            : connection(stop), out(request.out), url(request.url)
        {
        }
        net::TcpConnection connection;
        AsfFileWriter writer;
        std::unique_ptr<net::BufferedReader> reader;
        ByteSink* out;
        std::string url;
        uint32_t lastTime = 0;
        bool writeErrorReported = false;
    };

    void ReportWriteError();

    std::unique_ptr<Attempt> attempt_;
};
