#include "protocols/rtsp/rtsp_reply.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "formats/ascii.h"

namespace rtsp {

namespace {

using Tcp = net::TcpConnection;

// Appends the lines of text; a last piece without LF counts only when
// keepUnfinished is set. Returns where the first empty line ends when
// stopAtEmpty is set (npos when there is none).
size_t AppendLines(std::string_view text, bool keepUnfinished, bool stopAtEmpty,
                   std::vector<std::string>* lines)
{
    size_t at = 0;
    while (at < text.size()) {
        size_t lf = text.find('\n', at);
        if (lf == std::string_view::npos) {
            if (keepUnfinished)
                lines->emplace_back(text.substr(at));
            return std::string_view::npos;
        }
        std::string_view line = text.substr(at, lf - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        at = lf + 1;
        if (stopAtEmpty && line.empty())
            return at;
        lines->emplace_back(line);
    }
    return std::string_view::npos;
}

// End of the head (just past its empty line) in data[0, n), or 0 while it
// has not arrived. *scan keeps how far the search has come, so that a head
// arriving a byte at a time is not searched again from its start.
size_t FindHeadEnd(const uint8_t* data, size_t n, size_t* scan)
{
    for (size_t i = *scan; i < n; ++i) {
        if (data[i] != '\n')
            continue;
        if (i + 1 >= n) {
            *scan = i;
            return 0;
        }
        if (data[i + 1] == '\n')
            return i + 2;
        if (data[i + 1] == '\r') {
            if (i + 2 >= n) {
                *scan = i;
                return 0;
            }
            if (data[i + 2] == '\n')
                return i + 3;
        }
    }
    *scan = n;
    return 0;
}

// The Content-Length of a head: 0 without one (or with one that is not a
// number), SIZE_MAX when it is beyond any reply this client takes.
size_t ContentLength(const std::vector<std::string>& headLines)
{
    static constexpr std::string_view kName = "Content-Length:";
    for (const std::string& line : headLines) {
        if (!ascii::StartsWithNoCase(line, kName))
            continue;
        size_t at = kName.size();
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
        size_t value = 0;
        size_t digits = 0;
        for (; at < line.size() && std::isdigit(static_cast<unsigned char>(line[at])); ++at) {
            if (++digits > 9)
                return SIZE_MAX;
            value = value * 10 + static_cast<size_t>(line[at] - '0');
        }
        return value;
    }
    return 0;
}

std::string_view AsText(const uint8_t* data, size_t n)
{
    return std::string_view(reinterpret_cast<const char*>(data), n);
}

}  // namespace

RtspReply RtspReply::FromText(std::string_view text, bool whole)
{
    RtspReply reply;
    size_t bodyAt = AppendLines(text, whole, /*stopAtEmpty=*/true, &reply.lines_);
    if (bodyAt != std::string_view::npos && bodyAt < text.size()) {
        reply.lines_.emplace_back(kBodyMarker);
        AppendLines(text.substr(bodyAt), whole, /*stopAtEmpty=*/false, &reply.lines_);
    }
    reply.bytes_ = text.size();
    return reply;
}

RtspReply RtspReply::Read(net::BufferedReader& in)
{
    RtspReply reply;
    size_t skipped = 0;
    for (;;) {
        Tcp::Status s = in.Require(1);
        if (s != Tcp::Status::Ok) {
            reply.status_ = s;
            reply.bytes_ = skipped;
            return reply;
        }
        if (in.Data()[0] != '\r' && in.Data()[0] != '\n')
            break;
        in.Consume(1);
        ++skipped;
    }
    if (in.Data()[0] == '$') {
        reply.bytes_ = skipped;
        return reply;
    }

    // Takes n bytes of the reader as a reply (whole or cut off by status).
    auto take = [&](size_t n, Tcp::Status status) {
        RtspReply r = FromText(AsText(in.Data(), n), status == Tcp::Status::Ok);
        in.Consume(n);
        r.status_ = status;
        r.bytes_ += skipped;
        return r;
    };

    size_t scan = 0;
    size_t headEnd = 0;
    while ((headEnd = FindHeadEnd(in.Data(), in.Available(), &scan)) == 0) {
        if (in.Available() >= kMaxSize) {
            RtspReply r = take(in.Available(), Tcp::Status::Failed);
            r.tooLarge_ = true;
            return r;
        }
        Tcp::Status s = in.Require(in.Available() + 1);
        if (s != Tcp::Status::Ok)
            return take(in.Available(), s);
    }

    std::vector<std::string> head;
    AppendLines(AsText(in.Data(), headEnd), false, true, &head);
    const size_t bodyLength = ContentLength(head);
    if (bodyLength > kMaxSize - headEnd) {
        // The head alone is used; the body cannot be held, and what follows
        // it can no longer be told apart from it, so the reply ends here.
        RtspReply r = take(headEnd, Tcp::Status::Failed);
        r.bytes_ += in.Available();
        in.Consume(in.Available());
        r.tooLarge_ = true;
        return r;
    }
    Tcp::Status s = in.Require(headEnd + bodyLength);
    return take(std::min(in.Available(), headEnd + bodyLength), s);
}

std::string RtspReply::SessionIdentifier() const
{
    static constexpr std::string_view kName = "Session:";
    std::string id;
    for (const std::string& line : lines_) {
        if (line == kBodyMarker)
            break;
        if (!ascii::StartsWithNoCase(line, kName))
            continue;
        std::string_view value = std::string_view(line).substr(kName.size());
        id = std::string(value.substr(0, value.find(';')));
    }
    return id;
}

std::string_view RtspReply::HeaderText() const
{
    std::string_view text;
    for (const std::string& line : lines_) {
        size_t at = line.find(kHeaderPrefix);
        if (at != std::string::npos)
            text = std::string_view(line).substr(at + kHeaderPrefix.size());
    }
    return text;
}

}  // namespace rtsp
