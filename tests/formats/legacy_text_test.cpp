#include <gtest/gtest.h>

#include <string>

#include "formats/legacy_text.h"

namespace {

// "한글" and "음악" as the Windows program stored them (code page 949).
const std::string kHangulCp949 = "\xC7\xD1\xB1\xDB";
const std::string kHangulUtf8 = "\xED\x95\x9C\xEA\xB8\x80";
const std::string kMusicCp949 = "\xC0\xBD\xBE\xC7";
const std::string kMusicUtf8 = "\xEC\x9D\x8C\xEC\x95\x85";

TEST(LegacyText, Utf8ValidityRejectsMalformedForms)
{
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("mms://host/a.asf"));
    EXPECT_TRUE(IsValidUtf8(kHangulUtf8));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x8E\xB5"));       // U+1F3B5
    EXPECT_FALSE(IsValidUtf8(kHangulCp949));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));              // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));          // overlong, three bytes
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));          // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));      // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8(kHangulUtf8.substr(0, 5)));  // cut inside a character
    EXPECT_FALSE(IsValidUtf8("\x80"));
}

TEST(LegacyText, Cp949IsConvertedAndBadBytesAreMarked)
{
    EXPECT_EQ(Cp949ToUtf8(kHangulCp949 + " " + kMusicCp949), kHangulUtf8 + " " + kMusicUtf8);
    EXPECT_EQ(Cp949ToUtf8("plain ascii"), "plain ascii");
    // A lead byte cut off at the end of a field is dropped, not mangled.
    EXPECT_EQ(Cp949ToUtf8(kHangulCp949 + "\xB0"), kHangulUtf8);
    // 0xFF is no CP949 byte: it becomes U+FFFD and the rest still converts.
    EXPECT_EQ(Cp949ToUtf8("a\xFF" + kMusicCp949), "a\xEF\xBF\xBD" + kMusicUtf8);
    // A long text crosses the converter's internal buffer.
    std::string longCp949, longUtf8;
    for (int i = 0; i < 1000; ++i) {
        longCp949 += kHangulCp949;
        longUtf8 += kHangulUtf8;
    }
    EXPECT_EQ(Cp949ToUtf8(longCp949), longUtf8);

    Cp949Decoder decoder;
    EXPECT_EQ(decoder.Convert(kMusicCp949), kMusicUtf8);
    EXPECT_EQ(decoder.Convert("\xB0"), "");  // an incomplete character
    EXPECT_EQ(decoder.Convert(kHangulCp949), kHangulUtf8);  // no state left over
}

TEST(LegacyText, LegacyTextKeepsUtf8AndConvertsTheRest)
{
    EXPECT_EQ(LegacyTextToUtf8(kHangulUtf8), kHangulUtf8);
    EXPECT_EQ(LegacyTextToUtf8(kHangulCp949), kHangulUtf8);
}

TEST(LegacyText, CutNeverSplitsACharacter)
{
    const std::string text = "ab" + kHangulUtf8;  // 2 + 3 + 3 bytes
    EXPECT_EQ(CutUtf8(text, 100), text);
    EXPECT_EQ(CutUtf8(text, 8), text);
    EXPECT_EQ(CutUtf8(text, 7), "ab" + kHangulUtf8.substr(0, 3));
    EXPECT_EQ(CutUtf8(text, 5), "ab" + kHangulUtf8.substr(0, 3));
    EXPECT_EQ(CutUtf8(text, 4), "ab");
    EXPECT_EQ(CutUtf8(text, 2), "ab");
    EXPECT_EQ(CutUtf8(text, 0), "");
    const std::string four = "\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB5";
    EXPECT_EQ(CutUtf8(four, 7), four.substr(0, 4));
    // Every cut of a mixed text stays valid UTF-8 and is as long as it can be.
    const std::string mixed = "x" + kMusicUtf8 + "\xC3\xA9" + four + "yz";
    for (size_t n = 0; n <= mixed.size(); ++n) {
        const std::string_view cut = CutUtf8(mixed, n);
        EXPECT_TRUE(IsValidUtf8(cut)) << n;
        EXPECT_LE(cut.size(), n);
        EXPECT_GT(cut.size() + 4, n) << n;
    }
}

}  // namespace
