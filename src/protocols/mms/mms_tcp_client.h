#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocols/net/asf_stream_client.h"

// Records an "mms:" address with the MMS command protocol over one TCP
// connection (port 1755 unless the address names another): connect, funnel
// info, transport, open file, read block, the header packets, stream
// selection, start playing, then data packets until the server reports the
// end of the stream. Pings are answered. The header and packets go through
// the shared ASF output writer.
class MmsTcpClient final : public AsfStreamClient {
public:
    static constexpr int kDefaultPort = 1755;

    explicit MmsTcpClient(const ClientEnvironment& env) : AsfStreamClient(env) {}

private:
    // request.resume is a packet count: the number of whole packets the file
    // already holds (its header is then not written again).
    uint64_t Run(const RecordRequest& request) override;

    bool Send(const std::vector<uint8_t>& command);
    bool SendConnect();
    bool SendFunnelInfo();
    bool SendTransport();
    bool SendOpenFile();
    bool SendReadBlock();
    bool SendStreamSelect();
    bool SendStartPlaying();
    bool SendPong(uint32_t pingCode);
    uint32_t NextSequence() { return session_->commandSequence++; }

    // Reads and handles one command or data packet; 0 ends the session.
    uint32_t ReceiveStep();
    uint32_t ReceiveCommand();
    uint32_t ReceiveDataPacket();
    // Sends what a reply asks for; false when the send failed.
    bool OnReply(uint32_t code);

    // What one Record call holds.
    struct Session {
        std::string object;
        std::vector<uint8_t> header;  // the header packets gathered so far
        std::string playerIdOverride;
        uint32_t resumePacket = 0;
        uint32_t commandSequence = 0;
        bool endOfStream = false;
        bool inHeaderSequence = false;
        // The server has sent a command: it speaks MMS.
        bool answered = false;
        // When the stream last moved on: the header first taken, a data packet.
        std::chrono::steady_clock::time_point lastProgress = std::chrono::steady_clock::now();
    };
    std::unique_ptr<Session> session_;
};
