#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "protocols/asfout/asf_output_writer.h"
#include "protocols/net/buffered_reader.h"
#include "protocols/net/tcp_connection.h"
#include "protocols/protocol_client.h"

// Records an "mms:" address with the MMS command protocol over one TCP
// connection (port 1755 unless the address names another): connect, funnel
// info, transport, open file, read block, the header packets, stream
// selection, start playing, then data packets until the server reports the
// end of the stream. Pings are answered. The header and packets go through
// the shared ASF output writer.
class MmsTcpClient final : public ProtocolClient {
public:
    static constexpr int kDefaultPort = 1755;

    explicit MmsTcpClient(const ClientEnvironment& env);
    ~MmsTcpClient() override;

    // request.resume is the resume packet: the number of whole packets the
    // file already holds (its header is then not written again).
    uint32_t Record(const RecordRequest& request) override;
    void Stop() override;

private:
    bool Connect(const std::string& url);
    bool Send(const std::vector<uint8_t>& command);
    bool SendConnect();
    bool SendFunnelInfo();
    bool SendTransport();
    bool SendOpenFile();
    bool SendReadBlock();
    bool SendStreamSelect();
    bool SendStartPlaying();
    bool SendPong(uint32_t pingCode);
    uint32_t NextSequence() { return commandSequence_++; }

    // Reads and handles one command or data packet; 0 ends the session.
    uint32_t ReceiveStep();
    uint32_t ReceiveCommand();
    uint32_t ReceiveDataPacket();
    // Sends what a reply asks for; false when the send failed.
    bool OnReply(uint32_t code);

    ClientEnvironment env_;
    ClientHooks* hooks_;
    std::atomic<bool> stopRequested_{false};
    net::TcpConnection connection_;
    AsfOutputWriter writer_;
    // The session's receive buffer: one command or data packet at a time.
    std::unique_ptr<net::BufferedReader> reader_;

    std::string url_;
    std::string object_;
    std::string playerIdOverride_;
    uint32_t resumePacket_ = 0;
    uint32_t commandSequence_ = 0;
    bool endOfStream_ = false;
    bool inHeaderSequence_ = false;
};
