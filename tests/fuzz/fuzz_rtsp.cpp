// libFuzzer target: a Windows Media RTSP server's side of a session, played
// to the real client over TCP: the replies to its six requests (read by the
// reply reader; the DESCRIBE reply's SDP carries the base64 ASF header),
// then interleaved frames ("$", channel, length, RTP and payload-format
// headers, one ASF data packet each) and messages of the server, recorded
// into a file in memory. The client's requests go to the server and are
// dropped; its pauses between requests are skipped.
//
// Byte 0 chooses the pieces in which TCP hands out the server's bytes (see
// harness.h; the session is run once whole and once in those pieces, and
// the results must agree). Byte 1: 0x01 a probe (no file), 0x02 a resume
// (3 packets are passed over), 0x04 a size limit of 1 MB, 0x08 a time limit
// of 2 s. The rest is what the server sends.

#include <string>

#include "harness.h"
#include "protocols/rtsp/rtsp_client.h"

namespace {

fuzzharness::ScriptedServer& Server()
{
    static auto* server = new fuzzharness::ScriptedServer();
    return *server;
}

std::string RecordOnce(const std::string& script, uint8_t options)
{
    return fuzzharness::RecordSession<RtspClient>(Server(), "rtsp", script, options);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t pieces = data[0], options = data[1];
    const std::string script(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string whole = RecordOnce(script, options);
    fuzzharness::UsePieces(pieces);
    const std::string split = RecordOnce(script, options);
    fuzzharness::ClearPieces();
    fuzzharness::ExpectSame("the RTSP session", whole, split, pieces);
    return 0;
}
