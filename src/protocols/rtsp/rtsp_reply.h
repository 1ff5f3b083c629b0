#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "protocols/net/buffered_reader.h"
#include "protocols/net/tcp_connection.h"

namespace rtsp {

// One reply of the server, held as its lines: the header lines first, then,
// when the reply has a body, the line "------------Body" and every body line
// (empty ones included). Lines end at LF; a CR in front of the LF is not
// part of the line.
class RtspReply {
public:
    // A reply (head and body) larger than this is refused; it would not fit
    // the session's receive buffer either, and no server's header comes near.
    static constexpr size_t kMaxSize = 1 << 20;
    static constexpr std::string_view kBodyMarker = "------------Body";
    static constexpr std::string_view kHeaderPrefix =
        "a=pgmpu:data:application/vnd.ms.wms-hdr.asfv1;base64,";

    // Reads one reply: its head up to the empty line, then as many body
    // bytes as its Content-Length gives (none without one). Whatever the
    // connection holds behind the reply stays in the reader for the next
    // reply or the interleaved frames. Line ends before the status line are
    // skipped; an interleaved frame where a reply should start is left
    // alone (the reply comes out empty and whole).
    static RtspReply Read(net::BufferedReader& in);

    // The reply made of text as it arrived. whole: the text is the entire
    // reply; otherwise it was cut off and an unfinished last line is dropped.
    static RtspReply FromText(std::string_view text, bool whole);

    // Ok when the reply arrived whole; otherwise why it did not (closed,
    // failed, stopped, timed out; Failed when it was over kMaxSize).
    net::TcpConnection::Status ReadStatus() const { return status_; }
    bool Whole() const { return status_ == net::TcpConnection::Status::Ok; }
    bool TooLarge() const { return tooLarge_; }
    // Bytes taken from the connection for this reply.
    size_t Bytes() const { return bytes_; }
    const std::vector<std::string>& Lines() const { return lines_; }

    // The session identifier of the last "Session:" header line: the text
    // after the colon (its leading blank included) up to the first ";", or
    // to the end of the line when there is none. Empty without such a line.
    std::string SessionIdentifier() const;

    // The base64 text of the ASF header: what follows kHeaderPrefix on the
    // last line that holds it; empty when no line does.
    std::string_view HeaderText() const;

private:
    std::vector<std::string> lines_;
    net::TcpConnection::Status status_ = net::TcpConnection::Status::Ok;
    bool tooLarge_ = false;
    size_t bytes_ = 0;
};

}  // namespace rtsp
