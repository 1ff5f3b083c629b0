// libFuzzer target: an MMS-over-TCP server's side of a session, played to
// the real client over TCP: command replies (the 40-byte frame and its
// body), header packets and data packets, read by the client's command and
// packet reader and recorded into a file in memory. The client's own
// commands (pongs included) go to the server and are dropped.
//
// Byte 0 chooses the pieces in which TCP hands out the server's bytes (see
// harness.h; the session is run once whole and once in those pieces, and
// the results must agree). Byte 1: 0x01 a probe (no file), 0x02 a resume
// (the file holds its header and 3 packets), 0x04 a size limit of 1 MB,
// 0x08 a time limit of 2 s. The rest is what the server sends.

#include <string>

#include "harness.h"
#include "protocols/mms/mms_tcp_client.h"

namespace {

fuzzharness::ScriptedServer& Server()
{
    static auto* server = new fuzzharness::ScriptedServer();
    return *server;
}

std::string RecordOnce(const std::string& script, uint8_t options)
{
    return fuzzharness::RecordSession<MmsTcpClient>(Server(), "mms", script, options);
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
    fuzzharness::ExpectSame("the MMS-over-TCP session", whole, split, pieces);
    return 0;
}
