#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "protocols/mmsh/transfer_status.h"

namespace mmsh {

class MessageLog;
class StreamReader;

// The parts of an HTTP reply head the streaming client looks at.
struct ReplyHead {
    int statusCode = 0;
    std::string reason = "<none>";
    std::string contentType;
    std::string features;  // the value of the last "features=" Pragma item
    bool illegalFirstLine = false;
    long long contentLength = -1;  // -1: not given
};

// Limits of the head: a line keeps at most 511 bytes (the rest of a longer
// line is dropped), a content type or features value at most 256, and a
// head longer than 65536 bytes in all is cut there and makes the reply
// unusable.
constexpr size_t kMaxHeadLine = 511;
constexpr size_t kMaxHeadValue = 256;
constexpr size_t kMaxHeadBytes = 65536;

// Reads the head one byte at a time up to its blank line.
ReplyHead ReadReplyHead(StreamReader& reader, MessageLog& log);

// Looks at one head line (without its line end); first tells whether it is
// the status line. Exposed for tests.
void ParseHeadLine(const std::string& line, bool first, ReplyHead* head, MessageLog& log);

// The kind the content type announces (before the status code is applied).
// *readBody tells whether the body must be read; for text replies the kind
// is decided from the body afterwards (LooksLikePlaylist, formats/playlist_text.h).
TransferKind KindFromContentType(const ReplyHead& head, bool* readBody, bool* textReply,
                                 MessageLog& log);

}  // namespace mmsh
