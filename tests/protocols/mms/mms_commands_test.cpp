#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <string>

#include "mms_wire.h"
#include "protocols/mms/mms_commands.h"
#include "protocols/mms/utf16_text.h"

namespace {

using mmswire::Expected;
using mmswire::Hex;

std::string Bytes(const mms::Packet& p) { return std::string(p.begin(), p.end()); }

sockaddr_in Address(const char* ip, uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, ip, &a.sin_addr);
    a.sin_port = htons(port);
    return a;
}

TEST(MmsCommands, TransportTextHidesItsSuffixBehindANul)
{
    // \\10.0.0.5\TCP\3251, a NUL unit, then 00f: 23 units, L = 90, 106 bytes.
    mms::Packet p = mms::Transport(2, Address("10.0.0.5", 3251));
    std::u16string text = u"\\\\10.0.0.5\\TCP\\3251";
    text.push_back(u'\0');
    text += u"00f";
    ASSERT_EQ(text.size(), 23u);
    Expected want(0x00030002, 2, "EC51B81E85EBC13F", 90);
    want.U32(40, 0xF0F0F0EF).U32(44, 0xFFFFFFFF).U32(48, 0).U32(52, 0x000A0000).U32(56, 2).Utf16(60, text);
    EXPECT_EQ(Hex(Bytes(p)), Hex(want.bytes));
    EXPECT_EQ(p.size(), 106u);
    EXPECT_EQ(mmswire::U32At(Bytes(p), 16), 11u);  // 90 / 8, rounded down
    EXPECT_EQ(mmswire::U32At(Bytes(p), 32), 9u);
}

TEST(MmsCommands, OpenFileCountsTheSuffixInItsLength)
{
    // k characters of object give k + 4 units and L = 2(k + 4) + 40.
    mms::Packet p = mms::OpenFile(3, "live/news.asf");
    std::u16string text = u"live/news.asf";
    text.push_back(u'\0');
    text += u"18.";
    Expected want(0x00030005, 3, "EC51B81E85EBC13F", 2 * 17 + 40);
    want.U32(40, 1).U32(44, 0xFFFFFFFF).Utf16(56, text);
    EXPECT_EQ(Hex(Bytes(p)), Hex(want.bytes));
    // A blank inside the object stays a blank; only the suffix's is hidden.
    std::u16string spaced = mms::OpenFileText("a b.asf");
    EXPECT_EQ(spaced, std::u16string(u"a b.asf\0" u"18.", 11));
    // Non-ASCII object names go out as UTF-16; over-long ones are cut but
    // keep their suffix.
    EXPECT_EQ(mms::OpenFileText("\xEB\x89\xB4\xEC\x8A\xA4.asf"), std::u16string(u"\uB274\uC2A4.asf\0" u"18.", 10));
    std::u16string longText = mms::OpenFileText(std::string(5000, 'x'));
    EXPECT_EQ(longText.size(), 1024u);
    EXPECT_EQ(longText.substr(1020), std::u16string(u"\0" u"18.", 4));
}

TEST(MmsCommands, ConnectIsAlways176BytesWithAtMost62Units)
{
    std::string id = "NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}";
    mms::Packet p = mms::Connect(0, id);
    Expected want(0x00030001, 0, "7B14AE47E17A843F", 160);
    want.U32(40, 0xF0F0F0F0).U32(44, 0x0004000B).U32(48, 0x0003001C).Utf16(52, mms::Utf8ToUtf16(id));
    EXPECT_EQ(Hex(Bytes(p)), Hex(want.bytes));

    std::string longId(100, 'A');
    mms::Packet q = mms::Connect(0, longId);
    ASSERT_EQ(q.size(), 176u);
    Expected cut(0x00030001, 0, "7B14AE47E17A843F", 160);
    cut.U32(40, 0xF0F0F0F0).U32(44, 0x0004000B).U32(48, 0x0003001C).Utf16(52, std::u16string(62, u'A'));
    EXPECT_EQ(Hex(Bytes(q)), Hex(cut.bytes));
}

TEST(MmsCommands, FixedCommandsAreByteForByte)
{
    Expected funnel(0x00030018, 1, "EC51B81EE17A843F", 32);
    funnel.U32(40, 0xF0F0F0EF).U32(44, 0x0004000B);
    EXPECT_EQ(Hex(Bytes(mms::FunnelInfo(1))), Hex(funnel.bytes));

    Expected read(0x00030015, 4, "000000000000D03F", 72);
    read.U32(40, 1).U32(52, 0x8000).U32(56, 0xFFFFFFFF).U32(60, 0x006B0065).U32(76, 0x40AC2000).U32(80, 2);
    EXPECT_EQ(Hex(Bytes(mms::ReadBlock(4))), Hex(read.bytes));

    Expected select(0x00030033, 5, "E5D022DBF97EF03F", 48);
    select.U32(40, 2).Raw(44, mmswire::FromHex("ffff01000000ffff02000000")).U32(56, 0xFFFFFFFF).U32(60, 0x006B0065);
    EXPECT_EQ(Hex(Bytes(mms::StreamSelect(5))), Hex(select.bytes));

    for (uint32_t resume : {0u, 39u}) {
        Expected play(0x00030007, 6, "6F1283C0CAA1F93F", 72);
        play.U32(40, 1).U32(44, 0x0001FFFF).U32(56, 0xFFFFFFFF).U32(60, resume ? resume : 0xFFFFFFFF);
        play.U32(68, 4).U32(72, 0x7FFFFFFF).U32(80, 0x7FFFFFFF);
        EXPECT_EQ(Hex(Bytes(mms::StartPlaying(resume))), Hex(play.bytes));
    }

    Expected pong(0x0003001B, 9, "4260E50D22238F40", 32);
    pong.U32(40, 1490).U32(44, 1142);
    EXPECT_EQ(Hex(Bytes(mms::Pong(9, 0x0004001B))), Hex(pong.bytes));
}

TEST(Utf16Text, ConvertsAndReplacesBrokenSequences)
{
    EXPECT_EQ(mms::Utf8ToUtf16("a\xC3\xA9\xF0\x9F\x8E\xB5"), std::u16string(u"a\u00E9\U0001F3B5"));
    EXPECT_EQ(mms::Utf8ToUtf16("\xC3"), std::u16string(u"\uFFFD"));
    EXPECT_EQ(mms::Utf8ToUtf16("\xED\xA0\x80x"), std::u16string(u"\uFFFD\uFFFD\uFFFDx"));
    EXPECT_EQ(mms::Utf8ToUtf16("\xC0\xAF"), std::u16string(u"\uFFFD\uFFFD"));
    // Cutting never leaves half a surrogate pair.
    EXPECT_EQ(mms::CutUnits(u"ab\U0001F3B5", 3), std::u16string(u"ab"));
    EXPECT_EQ(mms::CutUnits(u"ab\U0001F3B5", 4), std::u16string(u"ab\U0001F3B5"));
}

}  // namespace
