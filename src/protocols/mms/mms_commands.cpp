#include "protocols/mms/mms_commands.h"

#include <array>

#include <arpa/inet.h>

#include "formats/le.h"
#include "formats/printf.h"
#include "formats/utf16.h"

namespace mms {

namespace {

using Stamp = std::array<uint8_t, 8>;

// The time stamps each command carries, as the bytes of their doubles.
constexpr Stamp kConnectStamp = {0x7B, 0x14, 0xAE, 0x47, 0xE1, 0x7A, 0x84, 0x3F};  // 0.01
constexpr Stamp kFunnelStamp = {0xEC, 0x51, 0xB8, 0x1E, 0xE1, 0x7A, 0x84, 0x3F};
constexpr Stamp kOpenStamp = {0xEC, 0x51, 0xB8, 0x1E, 0x85, 0xEB, 0xC1, 0x3F};  // 0.14
constexpr Stamp kReadBlockStamp = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xD0, 0x3F};  // 0.25
constexpr Stamp kSelectStamp = {0xE5, 0xD0, 0x22, 0xDB, 0xF9, 0x7E, 0xF0, 0x3F};  // 1.031
constexpr Stamp kPlayStamp = {0x6F, 0x12, 0x83, 0xC0, 0xCA, 0xA1, 0xF9, 0x3F};  // 1.602
constexpr Stamp kPongStamp = {0x42, 0x60, 0xE5, 0x0D, 0x22, 0x23, 0x8F, 0x40};

constexpr size_t kPlayerIdUnits = 62;
constexpr size_t kTransportUnits = 100;
constexpr size_t kOpenFileUnits = 1024;

// A packet of L + 16 bytes with its frame filled in; the body is zero.
Packet Frame(uint32_t code, uint32_t sequence, const Stamp& stamp, uint32_t messageLength)
{
    Packet p(kPrefixSize + messageLength, 0);
    le::Store32(&p[0], 1);
    le::Store32(&p[4], kSessionSignature);
    le::Store32(&p[8], messageLength);
    p[12] = 'M', p[13] = 'M', p[14] = 'S', p[15] = ' ';
    le::Store32(&p[16], messageLength / 8);
    le::Store32(&p[20], sequence);
    std::copy(stamp.begin(), stamp.end(), p.begin() + 24);
    le::Store32(&p[32], messageLength / 8 - 2);
    le::Store32(&p[36], code);
    return p;
}

// At most maxUnits code units of text, never ending inside a surrogate pair.
std::u16string CutUnits(std::u16string text, size_t maxUnits)
{
    if (text.size() > maxUnits)
        text.resize(maxUnits > 0 && text[maxUnits - 1] >= 0xD800 && text[maxUnits - 1] <= 0xDBFF
                        ? maxUnits - 1
                        : maxUnits);
    return text;
}

void PutText(Packet& p, size_t at, const std::u16string& text)
{
    for (char16_t unit : text) {
        le::Store16(&p[at], static_cast<uint16_t>(unit));
        at += 2;
    }
}

// text + " " + suffix, the blank sent as a NUL unit; text is cut so that
// the whole fits maxUnits.
std::u16string WithHiddenSuffix(const std::string& text, const std::string& suffix,
                                size_t maxUnits)
{
    std::u16string tail = Utf8ToUtf16(suffix);
    std::u16string out = CutUnits(Utf8ToUtf16(text), maxUnits - tail.size() - 1);
    out.push_back(u'\0');
    return out + tail;
}

}  // namespace

Packet Connect(uint32_t sequence, const std::string& playerId)
{
    Packet p = Frame(kConnect, sequence, kConnectStamp, 160);
    le::Store32(&p[40], 0xF0F0F0F0);
    le::Store32(&p[44], 0x0004000B);
    le::Store32(&p[48], 0x0003001C);
    PutText(p, 52, CutUnits(Utf8ToUtf16(playerId), kPlayerIdUnits));
    return p;
}

Packet FunnelInfo(uint32_t sequence)
{
    Packet p = Frame(kFunnelInfo, sequence, kFunnelStamp, 32);
    le::Store32(&p[40], 0xF0F0F0EF);
    le::Store32(&p[44], 0x0004000B);
    return p;
}

std::u16string TransportText(const sockaddr_in& local)
{
    const auto* a = reinterpret_cast<const uint8_t*>(&local.sin_addr.s_addr);
    std::string text = Printf("\\\\%d.%d.%d.%d\\TCP\\%d", a[0], a[1], a[2], a[3], ntohs(local.sin_port));
    return WithHiddenSuffix(text, Printf("%03x", 15), kTransportUnits);
}

Packet Transport(uint32_t sequence, const sockaddr_in& local)
{
    std::u16string text = TransportText(local);
    Packet p = Frame(kTransport, sequence, kOpenStamp, static_cast<uint32_t>(2 * text.size() + 44));
    le::Store32(&p[40], 0xF0F0F0EF);
    le::Store32(&p[44], 0xFFFFFFFF);
    le::Store32(&p[48], 0);
    le::Store32(&p[52], 0x000A0000);
    le::Store32(&p[56], 2);
    PutText(p, 60, text);
    return p;
}

std::u16string OpenFileText(const std::string& object)
{
    return WithHiddenSuffix(object, Printf("%02x.", 0x18), kOpenFileUnits);
}

Packet OpenFile(uint32_t sequence, const std::string& object)
{
    std::u16string text = OpenFileText(object);
    Packet p = Frame(kOpenFile, sequence, kOpenStamp, static_cast<uint32_t>(2 * text.size() + 40));
    le::Store32(&p[40], 1);
    le::Store32(&p[44], 0xFFFFFFFF);
    PutText(p, 56, text);
    return p;
}

Packet ReadBlock(uint32_t sequence)
{
    Packet p = Frame(kReadBlock, sequence, kReadBlockStamp, 72);
    le::Store32(&p[40], 1);
    le::Store32(&p[52], 0x8000);
    le::Store32(&p[56], 0xFFFFFFFF);
    le::Store32(&p[60], 0x006B0065);
    le::Store32(&p[76], 0x40AC2000);
    le::Store32(&p[80], 2);  // header packets come with this number
    return p;
}

Packet StreamSelect(uint32_t sequence)
{
    Packet p = Frame(kStreamSelect, sequence, kSelectStamp, 48);
    le::Store32(&p[40], 2);
    // Streams 1 and 2, each selected with action 0.
    constexpr uint8_t kStreams[12] = {0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00,
                                      0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00};
    std::copy(std::begin(kStreams), std::end(kStreams), p.begin() + 44);
    le::Store32(&p[56], 0xFFFFFFFF);
    le::Store32(&p[60], 0x006B0065);
    return p;
}

Packet StartPlaying(uint32_t resumePacket)
{
    Packet p = Frame(kStartPlaying, kStartPlayingSequence, kPlayStamp, 72);
    le::Store32(&p[40], 1);
    le::Store32(&p[44], 0x0001FFFF);
    le::Store32(&p[56], 0xFFFFFFFF);
    le::Store32(&p[60], resumePacket != 0 ? resumePacket : 0xFFFFFFFF);
    le::Store32(&p[68], 4);  // data packets come with this number
    le::Store32(&p[72], 0x7FFFFFFF);
    le::Store32(&p[80], 0x7FFFFFFF);
    return p;
}

Packet Pong(uint32_t sequence, uint32_t pingCode)
{
    Packet p = Frame(pingCode - 0x10000, sequence, kPongStamp, 32);
    le::Store32(&p[40], 1490);
    le::Store32(&p[44], 1142);
    return p;
}

}  // namespace mms
