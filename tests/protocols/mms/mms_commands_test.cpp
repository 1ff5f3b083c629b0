#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <string>
#include <vector>

#include "protocols/mms/mms_commands.h"

namespace {

// A command laid out here field by field: L + 16 zero bytes, the frame (the
// time stamp given as the bits of its double), fields at their offsets.
struct Expected {
    std::string bytes;
    Expected(uint32_t code, uint32_t sequence, uint64_t stamp, uint32_t messageLength)
        : bytes(16 + messageLength, '\0')
    {
        U32(0, 1).U32(4, 0xB00BFACE).U32(8, messageLength).U32(12, 0x20534D4D);  // "MMS "
        U32(16, messageLength / 8).U32(20, sequence).U32(24, uint32_t(stamp)).U32(28, stamp >> 32);
        U32(32, messageLength / 8 - 2).U32(36, code);
    }
    Expected& U32(size_t at, uint32_t value)
    {
        for (size_t i = 0; i < 4; ++i)
            bytes.at(at + i) = static_cast<char>(value >> (8 * i));
        return *this;
    }
    Expected& Text(size_t at, const std::u16string& text)
    {
        for (char16_t u : text)
            bytes.at(at++) = static_cast<char>(u & 0xFF), bytes.at(at++) = static_cast<char>(u >> 8);
        return *this;
    }
};

Expected ConnectWith(const std::u16string& id)
{
    return Expected(0x30001, 0, 0x3F847AE147AE147B, 160)
        .U32(40, 0xF0F0F0F0).U32(44, 0x0004000B).U32(48, 0x0003001C).Text(52, id);
}

Expected OpenFileWith(const std::u16string& object)
{
    // The blank before the suffix goes out as a NUL unit.
    const std::u16string text = object + std::u16string(u"\0" u"18.", 4);
    return Expected(0x30005, 3, 0x3FC1EB851EB851EC, uint32_t(2 * text.size() + 40))
        .U32(40, 1).U32(44, 0xFFFFFFFF).Text(56, text);
}

Expected StartPlayingAt(uint32_t packet)
{
    return Expected(0x30007, 6, 0x3FF9A1CAC083126F, 72).U32(40, 1).U32(44, 0x0001FFFF).U32(56, 0xFFFFFFFF)
        .U32(60, packet).U32(68, 4).U32(72, 0x7FFFFFFF).U32(80, 0x7FFFFFFF);
}

TEST(MmsCommands, EveryCommandByteForByte)
{
    const std::string id = "NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}";
    std::string notes = "a";
    std::u16string notes16 = u"a";
    for (int i = 0; i < 31; ++i)
        notes += "\xF0\x9F\x8E\xB5", notes16 += u"\U0001F3B5";
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, "10.0.0.5", &address.sin_addr);
    address.sin_port = htons(3251);
    // \\10.0.0.5\TCP\3251, NUL, 00f: 23 units, so L = 90 and L/8 = 11.
    const std::u16string transport = u"\\\\10.0.0.5\\TCP\\3251" + std::u16string(u"\0" u"00f", 4);
    ASSERT_EQ(transport.size(), 23u);

    struct Row {
        const char* what;
        mms::Packet got;
        Expected want;
    };
    for (const Row& row : std::vector<Row>{
             {"connect", mms::Connect(0, id), ConnectWith(std::u16string(id.begin(), id.end()))},
             {"connect: no half pair", mms::Connect(0, notes), ConnectWith(notes16.substr(0, 61))},
             {"funnel info", mms::FunnelInfo(1),
              Expected(0x30018, 1, 0x3F847AE11EB851EC, 32).U32(40, 0xF0F0F0EF).U32(44, 0x0004000B)},
             {"transport", mms::Transport(2, address),
              Expected(0x30002, 2, 0x3FC1EB851EB851EC, 90).U32(40, 0xF0F0F0EF).U32(44, 0xFFFFFFFF)
                  .U32(52, 0x000A0000).U32(56, 2).Text(60, transport)},
             {"open file", mms::OpenFile(3, "live/news.asf"), OpenFileWith(u"live/news.asf")},
             {"open file: UTF-16", mms::OpenFile(3, "\xEB\x89\xB4\xEC\x8A\xA4.asf"),
              OpenFileWith(u"\uB274\uC2A4.asf")},
             {"open file: cut", mms::OpenFile(3, std::string(5000, 'x')),
              OpenFileWith(std::u16string(1020, u'x'))},
             {"read block", mms::ReadBlock(4),
              Expected(0x30015, 4, 0x3FD0000000000000, 72).U32(40, 1).U32(52, 0x8000).U32(56, 0xFFFFFFFF)
                  .U32(60, 0x006B0065).U32(76, 0x40AC2000).U32(80, 2)},
             {"stream select", mms::StreamSelect(5),
              Expected(0x30033, 5, 0x3FF07EF9DB22D0E5, 48).U32(40, 2).U32(44, 0x0001FFFF).U32(48, 0xFFFF0000)
                  .U32(52, 2).U32(56, 0xFFFFFFFF).U32(60, 0x006B0065)},
             {"start playing", mms::StartPlaying(0), StartPlayingAt(0xFFFFFFFF)},
             {"pong", mms::Pong(7, 0x4001B),
              Expected(0x3001B, 7, 0x408F23220DE56042, 32).U32(40, 1490).U32(44, 1142)},
         })
        EXPECT_EQ(std::string(row.got.begin(), row.got.end()), row.want.bytes) << row.what;
}

}  // namespace
