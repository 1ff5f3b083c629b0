#include <gtest/gtest.h>

#include <string>

#include "formats/utf16.h"

namespace {

std::string Le(std::u16string_view s)
{
    std::string out;
    for (char16_t c : s) {
        out.push_back(char(c & 0xFF));
        out.push_back(char(c >> 8));
    }
    return out;
}

std::string ToUtf8(const std::string& le, size_t maxOut = SIZE_MAX)
{
    return Utf16LeToUtf8(reinterpret_cast<const uint8_t*>(le.data()), le.size(), maxOut);
}

TEST(Utf16, DecodesAllPlanesAndStopsAtNul)
{
    EXPECT_EQ(ToUtf8(Le(u"ASCII é 제목 😀")), "ASCII é 제목 😀");
    std::u16string withNul = u"ab";
    withNul.push_back(0);
    withNul += u"cd";
    EXPECT_EQ(ToUtf8(Le(withNul)), "ab");
    // An odd last byte is not half a character.
    EXPECT_EQ(ToUtf8(Le(u"ab") + "c"), "ab");
    EXPECT_EQ(Utf16LeToUtf8(nullptr, 10), "");
}

TEST(Utf16, UnpairedSurrogatesBecomeReplacementCharacters)
{
    std::u16string lone = {0xD83D, u'x', 0xDE00, 0xD83D};
    EXPECT_EQ(ToUtf8(Le(lone)), "\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf16, OutputLimitNeverCutsACharacter)
{
    std::string text = Le(u"a제목😀");  // 1 + 3 + 3 + 4 bytes
    EXPECT_EQ(ToUtf8(text, 0), "");
    EXPECT_EQ(ToUtf8(text, 3), "a");
    EXPECT_EQ(ToUtf8(text, 4), "a제");
    EXPECT_EQ(ToUtf8(text, 10), "a제목");
    EXPECT_EQ(ToUtf8(text, 11), "a제목😀");
}

TEST(Utf16, EncodesUtf8AndReplacesMalformedBytes)
{
    EXPECT_EQ(Utf8ToUtf16("a제😀"), (std::u16string{u'a', 0xC81C, 0xD83D, 0xDE00}));
    EXPECT_EQ(Utf8ToUtf16Le("A제"), std::string("A\0\x1C\xC8", 4));
    // Overlong form, encoded surrogate, beyond U+10FFFF, cut sequence, stray continuation.
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD}));
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), (std::u16string{0xFFFD, 0xFFFD, 0xFFFD}));
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), (std::u16string{0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}));
    EXPECT_EQ(Utf8ToUtf16("a\xE2\x82"), (std::u16string{u'a', 0xFFFD, 0xFFFD}));
    EXPECT_EQ(Utf8ToUtf16("\x80z"), (std::u16string{0xFFFD, u'z'}));
    // Round trip.
    const std::string text = "Brimcast 녹화 — ✓ 𝄞";
    std::string le = Utf8ToUtf16Le(text);
    EXPECT_EQ(ToUtf8(le), text);
}

}  // namespace
