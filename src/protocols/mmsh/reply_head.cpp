#include "protocols/mmsh/reply_head.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "formats/ascii.h"
#include "protocols/mmsh/message_log.h"
#include "protocols/mmsh/stream_reader.h"

namespace mmsh {

namespace {

std::string_view SkipBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

std::string_view TrimTrailingBlanks(std::string_view s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string Bounded(std::string_view s) { return std::string(s.substr(0, kMaxHeadValue)); }

// The value of a "features=" item of a Pragma line, wherever the item
// stands: later servers combine several items on one line.
bool FindFeatures(std::string_view items, std::string* features)
{
    bool firstItem = true;
    bool found = false;
    while (!items.empty()) {
        items = SkipBlanks(items);
        if (ascii::StartsWithNoCase(items, "features=")) {
            std::string_view value = items.substr(9);
            if (!value.empty() && value.front() == '"') {
                value.remove_prefix(1);
                size_t close = value.find('"');
                *features = Bounded(value.substr(0, close));
            } else if (firstItem) {
                *features = Bounded(value);  // the classic line: the rest of it
            } else {
                *features = Bounded(TrimTrailingBlanks(value.substr(0, value.find(','))));
            }
            found = true;
        }
        // On to the next item: the next comma outside double quotes.
        bool quoted = false;
        size_t i = 0;
        for (; i < items.size(); ++i) {
            if (items[i] == '"')
                quoted = !quoted;
            else if (items[i] == ',' && !quoted)
                break;
        }
        if (i >= items.size())
            break;
        items.remove_prefix(i + 1);
        firstItem = false;
    }
    return found;
}

}  // namespace

void ParseHeadLine(const std::string& line, bool first, ReplyHead* head, MessageLog& log)
{
    std::string_view text = line;
    if (first) {
        if (!ascii::StartsWithNoCase(text, "HTTP/1.0 ") && !ascii::StartsWithNoCase(text, "HTTP/1.1 ")) {
            log.Error("Illegal server reply! Expected HTTP/1.0 or HTTP/1.1");
            head->illegalFirstLine = true;
            return;
        }
        long code = std::strtol(line.c_str() + 9, nullptr, 10);
        head->statusCode = static_cast<int>(std::clamp(code, -1L, 999999L));
        head->reason = text.size() > 13 ? line.substr(13) : std::string();
        return;
    }
    if (ascii::StartsWithNoCase(text, "Content-Type:")) {
        head->contentType = Bounded(TrimTrailingBlanks(SkipBlanks(text.substr(13))));
    } else if (ascii::StartsWithNoCase(text, "Pragma:")) {
        std::string features;
        if (FindFeatures(text.substr(7), &features))
            head->features = std::move(features);
    } else if (ascii::StartsWithNoCase(text, "Content-Length:")) {
        std::string value(SkipBlanks(text.substr(15)).substr(0, 20));
        char* end = nullptr;
        long long n = std::strtoll(value.c_str(), &end, 10);
        if (end != value.c_str() && n >= 0)
            head->contentLength = n;
    }
}

ReplyHead ReadReplyHead(StreamReader& reader, MessageLog& log)
{
    ReplyHead head;
    std::string line;
    line.reserve(kMaxHeadLine);
    bool lineHasContent = false;  // a byte other than CR and LF since the last LF
    bool lineTextEnded = false;   // a CR ended the text of this line
    bool sawLineFeed = false;
    bool firstLine = true;
    size_t total = 0;
    for (;;) {
        uint8_t c = 0;
        if (reader.Read(&c, 1) != 1) {
            if (!reader.Stopped())
                log.Error("readfromstream() returned other than 1!");
            break;  // the reader returns short only when the stream has ended
        }
        if (++total > kMaxHeadBytes) {
            head.illegalFirstLine = true;  // no head is that long: refuse the reply
            break;
        }
        if (c == '\n') {
            if (sawLineFeed && !lineHasContent)
                break;  // the blank line
            sawLineFeed = true;
            ParseHeadLine(line, firstLine, &head, log);
            firstLine = false;
            line.clear();
            lineHasContent = lineTextEnded = false;
        } else if (c == '\r') {
            lineTextEnded = true;
        } else {
            lineHasContent = true;
            if (!lineTextEnded && line.size() < kMaxHeadLine)
                line.push_back(static_cast<char>(c));
        }
    }
    return head;
}

TransferKind KindFromContentType(const ReplyHead& head, bool* readBody, bool* textReply,
                                 MessageLog& log)
{
    static constexpr std::string_view kStreamTypes[] = {
        "application/octet-stream",
        "application/vnd.ms.wms-hdr.asfv1",  // later servers, header reply
        "application/x-mms-framed",          // later servers, stream reply
    };
    static constexpr std::string_view kPlaylistTypes[] = {
        "audio/x-ms-wax", "audio/x-ms-wma", "video/x-ms-asf", "video/x-ms-afs",
        "video/x-ms-wvx", "video/x-ms-wmv", "video/x-ms-wma",
    };
    *readBody = false;
    *textReply = false;
    const std::string& type = head.contentType;
    for (std::string_view t : kStreamTypes) {
        if (ascii::EqualsNoCase(type, t))
            return head.features.find("broadcast") != std::string::npos ? TransferKind::Live
                                                                        : TransferKind::OnDemand;
    }
    for (std::string_view t : kPlaylistTypes) {
        if (ascii::EqualsNoCase(type, t)) {
            *readBody = true;
            return TransferKind::Playlist;
        }
    }
    if (ascii::EqualsNoCase(type, "text/html") || ascii::EqualsNoCase(type, "text/plain")) {
        *readBody = true;
        *textReply = true;
        return TransferKind::Unusable;
    }
    log.Note("unknown content-type: %s", type.c_str());
    return TransferKind::Unusable;
}

}  // namespace mmsh
