#include "capture/frame_parser.h"

#include <pcap/dlt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "capture/capture_memory.h"
#include "capture/capture_sink.h"
#include "formats/ascii.h"
#include "formats/asf_guids.h"
#include "formats/le.h"
#include "formats/utf16.h"

namespace {

constexpr unsigned kEtherIpv4 = 0x0800;
constexpr unsigned kEtherPppoeDiscovery = 0x8863;
constexpr unsigned kEtherPppoeSession = 0x8864;
constexpr unsigned kPppIpv4 = 0x21;
constexpr unsigned kIpProtoTcp = 6;

constexpr unsigned kPortHttp = 80;
constexpr unsigned kPortHttpAlt = 8080;
constexpr unsigned kPortRtsp = 554;
constexpr unsigned kPortMms = 1755;

constexpr uint32_t kMmsSignature = 0xB00BFACE;
constexpr uint32_t kMmsConnect = 0x00030001;
constexpr uint32_t kMmsOpenFile = 0x00030005;
constexpr size_t kMmsMessageIdAt = 36;
constexpr size_t kMmsPlayerIdAt = 52;
constexpr size_t kMmsFileNameAt = 56;
// An MMS data packet carries an 8-byte prefix in front of the ASF bytes.
constexpr size_t kMmsDataPrefix = 8;
// The title of a Content Description object follows its object header and
// five 16-bit lengths.
constexpr size_t kTitleLengthAt = 24;
constexpr size_t kTitleAt = 34;

inline unsigned Be16(const uint8_t* p) { return static_cast<unsigned>(p[0] << 8 | p[1]); }

bool HasControlBytes(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

// Network text shown in a row must not carry line breaks or terminal
// controls: they would break the list files and the CLI output.
std::string BlankControlBytes(std::string text)
{
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = ' ';
    }
    return text;
}

std::string DottedQuad(const uint8_t* a)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
    return text;
}

size_t Utf8Chars(std::string_view text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The first maxChars characters of UTF-8 text.
std::string FirstChars(std::string text, size_t maxChars)
{
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++chars > maxChars) {
            text.resize(i);
            break;
        }
    }
    return text;
}

// Bytes of the UTF-16LE text at p up to its NUL, or npos when no NUL lies
// within the bytes given.
size_t Utf16Terminated(const uint8_t* p, size_t bytes)
{
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        if (p[i] == 0 && p[i + 1] == 0)
            return i;
    }
    return std::string::npos;
}

std::string_view AsText(const uint8_t* p, size_t length)
{
    return {reinterpret_cast<const char*>(p), length};
}

}  // namespace

FrameParser::FrameParser(CaptureMemory& memory, CaptureSink& sink) : memory_(memory), sink_(sink) {}

void FrameParser::SetSettings(CaptureSettings settings) { settings_ = std::move(settings); }

bool FrameParser::SupportsLinkType(int linkType)
{
    switch (linkType) {
    case DLT_EN10MB:
    case DLT_LINUX_SLL:
    case DLT_LINUX_SLL2:
    case DLT_RAW:
    case DLT_IPV4:
    case DLT_NULL:
    case DLT_LOOP:
        return true;
    default:
        return false;
    }
}

void FrameParser::ParseLinkFrame(int linkType, const uint8_t* frame, size_t length)
{
    switch (linkType) {
    case DLT_EN10MB:
        ParseCapturedFrame(frame, length);
        break;
    case DLT_LINUX_SLL:  // 16-byte cooked header, protocol in bytes 14-15
        if (length >= 16)
            ParseEtherType(Be16(frame + 14), frame + 16, length - 16);
        break;
    case DLT_LINUX_SLL2:  // 20-byte cooked header, protocol in bytes 0-1
        if (length >= 20)
            ParseEtherType(Be16(frame), frame + 20, length - 20);
        break;
    case DLT_RAW:
    case DLT_IPV4:
        ParseIpv4(frame, length);
        break;
    case DLT_NULL:  // address family in the capturing host's byte order
    case DLT_LOOP:  // address family in network byte order
        if (length >= 4) {
            const uint32_t family = linkType == DLT_LOOP
                                        ? (uint32_t{frame[0]} << 24 | uint32_t{frame[1]} << 16 |
                                           uint32_t{frame[2]} << 8 | frame[3])
                                        : le::Load32(frame);
            // AF_INET is 2 everywhere; a big-endian capturer wrote it the other way.
            if (family == 2 || (linkType == DLT_NULL && family == 0x02000000))
                ParseIpv4(frame + 4, length - 4);
        }
        break;
    default:
        break;
    }
}

void FrameParser::ParseCapturedFrame(const uint8_t* frame, size_t length)
{
    if (length < 14)
        return;
    ParseEtherType(Be16(frame + 12), frame + 14, length - 14);
}

void FrameParser::ParseEtherType(unsigned type, const uint8_t* p, size_t length)
{
    if (type == kEtherIpv4) {
        ParseIpv4(p, length);
        return;
    }
    if (type != kEtherPppoeDiscovery && type != kEtherPppoeSession)
        return;
    // PPPoE: version/type, code, session id, length, then the PPP protocol,
    // one byte when compressed (odd), otherwise two.
    if (length < 7 || p[1] != 0)
        return;
    unsigned protocol;
    size_t ipStart;
    if (p[6] & 1) {
        protocol = p[6];
        ipStart = 7;
    } else {
        if (length < 8 || !(p[7] & 1))
            return;
        protocol = Be16(p + 6);
        ipStart = 8;
    }
    if (protocol == kPppIpv4)
        ParseIpv4(p + ipStart, length - ipStart);
}

void FrameParser::ParseIpv4(const uint8_t* ip, size_t length)
{
    if (length < 20 || (ip[0] >> 4) != 4)
        return;
    const size_t ipHeader = (ip[0] & 0x0F) * 4u;
    const size_t total = Be16(ip + 2);
    // A header or total length beyond what was captured is a truncated or
    // lying frame: ignored rather than read past its end.
    if (ipHeader < 20 || total < ipHeader || total > length)
        return;
    if (ip[9] != kIpProtoTcp)
        return;
    const uint8_t* tcp = ip + ipHeader;
    const size_t segment = total - ipHeader;
    if (segment < 4)
        return;
    const unsigned sourcePort = Be16(tcp);
    const unsigned destPort = Be16(tcp + 2);
    // A fragment is read from its first byte: without reassembly there is
    // no TCP header to skip.
    size_t tcpHeader = 0;
    if ((Be16(ip + 6) & 0x3FFF) == 0) {
        if (segment < 20)
            return;
        tcpHeader = (tcp[12] >> 4) * 4u;
        if (tcpHeader < 20 || tcpHeader > segment)
            return;
    }
    const uint8_t* payload = tcp + tcpHeader;
    const size_t payloadLength = segment - tcpHeader;
    const uint8_t* host = ip + 16;

    if ((settings_.http && destPort == kPortHttp) || destPort == kPortHttpAlt) {
        ParseHttp(AsText(payload, payloadLength), host, destPort);
    } else if (settings_.rtsp && destPort == kPortRtsp) {
        ParseRtsp(AsText(payload, payloadLength));
    } else if (settings_.mms && destPort == kPortMms) {
        ParseMmsCommand(payload, payloadLength, host);
    } else if (settings_.mms && sourcePort == kPortMms) {
        ParseMmsHeader(payload, payloadLength);
    }
}

void FrameParser::ParseHttp(std::string_view payload, const uint8_t* host, unsigned port)
{
    if (payload.size() < 4 || payload.substr(0, 4) != "GET ")
        return;
    const size_t space = payload.find(' ', 4);
    if (space == std::string_view::npos)
        return;
    const std::string_view target = payload.substr(4, space - 4);
    if (HasControlBytes(target))
        return;

    const std::string lower = ascii::LowerCopy(target);
    bool accepted = false;
    for (const std::string& type : settings_.fileTypes) {
        const size_t at = lower.find(type);
        if (at != std::string::npos && at > 0) {
            accepted = true;
            break;
        }
    }
    if (!accepted)
        return;

    std::string address;
    if (lower.rfind("http://", 0) == 0) {
        // A request to a proxy names the whole address already.
        address = target;
    } else {
        address = "http://" + DottedQuad(host);
        if (port != kPortHttp)
            address += ":" + std::to_string(port);
        if (target.empty() || target[0] != '/')
            address += '/';
        address += target;
    }
    if (address.size() > kMaxHttpAddress)
        return;
    AddRow(address, {});
}

void FrameParser::ParseRtsp(std::string_view payload)
{
    if (payload.size() <= 10 || payload.substr(0, 9) != "DESCRIBE ")
        return;
    const size_t space = payload.find(' ', 9);
    if (space == std::string_view::npos)
        return;
    const std::string_view address = payload.substr(9, space - 9);
    if (address.empty() || address.size() > kMaxHttpAddress || HasControlBytes(address))
        return;
    AddRow(std::string(address), {});
}

void FrameParser::ParseMmsCommand(const uint8_t* payload, size_t length, const uint8_t* host)
{
    if (length < kMmsMessageIdAt + 4 || payload[0] != 1 || le::Load32(payload + 4) != kMmsSignature)
        return;
    const auto lengthField = static_cast<int32_t>(le::Load32(payload + 8));
    // The message must lie wholly within this segment.
    if (static_cast<int64_t>(lengthField) >= static_cast<int64_t>(length))
        return;
    const uint32_t messageId = le::Load32(payload + kMmsMessageIdAt);

    if (messageId == kMmsOpenFile && length > kMmsFileNameAt) {
        const int64_t budget = 8 * static_cast<int64_t>(lengthField) - 24;
        const size_t maxBytes = budget > 0 ? static_cast<size_t>(budget) - 1 : 1023;
        const size_t nameBytes =
            Utf16Terminated(payload + kMmsFileNameAt, length - kMmsFileNameAt);
        // A name that is unterminated, over its limits or empty would make a
        // wrong address: the request is not taken rather than cut.
        if (nameBytes == std::string::npos || nameBytes == 0)
            return;
        const std::string name = Utf16LeToUtf8(payload + kMmsFileNameAt, nameBytes);
        if (Utf8Chars(name) > kMaxMmsFileName || name.size() > maxBytes || HasControlBytes(name))
            return;
        const std::string address = "mms://" + DottedQuad(host) + "/" + name;
        AddRow(address, memory_.PlayerIdentification());
        // The server answers with the stream header, which names the title.
        memory_.AwaitHeaderFor(address);
    } else if (messageId == kMmsConnect && length > kMmsPlayerIdAt) {
        const std::string id = Utf16LeToUtf8(payload + kMmsPlayerIdAt, length - kMmsPlayerIdAt,
                                             CaptureMemory::kMaxPlayerIdentification);
        memory_.SetPlayerIdentification(BlankControlBytes(id));
    }
}

void FrameParser::ParseMmsHeader(const uint8_t* payload, size_t length)
{
    if (!memory_.AwaitingHeader())
        return;
    size_t start;
    if (length >= 16 && asf::kHeader.Matches(payload))
        start = 0;
    else if (length >= kMmsDataPrefix + 16 && asf::kHeader.Matches(payload + kMmsDataPrefix))
        start = kMmsDataPrefix;
    else
        return;
    // Whatever this header holds, it is the one that was awaited.
    memory_.ClearAwaitedHeader();

    for (size_t at = start; at + kTitleAt <= length; ++at) {
        if (!asf::kContentDescription.Matches(payload + at))
            continue;
        const size_t declared = le::Load16(payload + at + kTitleLengthAt);
        const size_t available = std::min(declared, length - (at + kTitleAt));
        const std::string title = FirstChars(
            Utf16LeToUtf8(payload + at + kTitleAt, available, kMaxTitle * 4), kMaxTitle);
        if (title.empty())
            return;
        const std::string text = BlankControlBytes(title);
        sink_.SetCapturedTitle(memory_.AwaitedHeaderAddress(), text);
        return;
    }
}

void FrameParser::AddRow(const std::string& address, const std::string& identity)
{
    sink_.AddCapturedRow(address, {}, identity);
}
