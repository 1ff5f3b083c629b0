#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "protocols/net/asf_stream_client.h"

namespace rtsp {
class RtspReply;
}

// Records an "rtsp:" address served the Windows Media way: six fixed
// requests (DESCRIBE, SETUP of the retransmission stream, SET_PARAMETER,
// SETUP of audio and of video interleaved on this connection, PLAY) present
// the client as a Windows Media player; the ASF header comes base64-encoded
// in the DESCRIBE reply's SDP, and every interleaved frame after PLAY
// carries one whole ASF data packet. The file is written by the shared ASF
// file writer; a recording that holds the whole stream gets its counts and
// durations from what was written.
class RtspClient final : public AsfStreamClient {
public:
    static constexpr int kDefaultPort = 554;
    // The largest ASF data packet a frame may carry.
    static constexpr size_t kPacketBufferSize = 18192;

    explicit RtspClient(const ClientEnvironment& env) : AsfStreamClient(env) {}

private:
    // request.resume is a packet count: the number of whole packets the file
    // already holds. request.playerAgent is not sent: the requests carry
    // their own fixed player identity.
    uint64_t Run(const RecordRequest& request) override;

    // Sends the six requests and reads their replies; false when the
    // connection failed, stopped or went silent on the way.
    bool Handshake();
    // Sends one request (pausing 10 ms after it when asked) and reads its
    // reply; false when the request could not be built or sent, or the
    // reply did not arrive whole.
    bool Exchange(const std::string& request, bool pause, rtsp::RtspReply* reply);
    // Passes the DESCRIBE reply's ASF header to the writer.
    void TakeHeader(const rtsp::RtspReply& reply);
    using AsfStreamClient::TakeHeader;
    // Reads one interleaved frame and writes its packet; 0 ends the session.
    uint32_t ReadFrame();

    // What one Record call holds.
    struct Session {
        std::string url;
        // Packets of a resumed recording that the file already holds: the
        // server starts from the beginning, so these are passed over.
        uint64_t packetsToSkip = 0;
        // The server's end-of-stream notice came.
        bool endOfStream = false;
        // Why the DESCRIBE reply brought no stream header: the attempt's
        // reason when nothing was recorded, whatever came after it.
        std::string describeFailure;
    };
    std::unique_ptr<Session> session_;
};
