#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "formats/kvx_file.h"
#include "formats/legacy_text.h"
#include "formats/qsd_file.h"
#include "formats/utf16.h"
#include "kvx_bytes.h"

namespace {

// "한글" and "음악" in code page 949, as lists saved on Windows hold them, and in UTF-8.
const std::string kHangul949 = "\xC7\xD1\xB1\xDB", kHangul = "한글";
const std::string kMusic949 = "\xC0\xBD\xBE\xC7", kMusic = "음악";

std::string Utf16ToUtf8(const std::u16string& s)
{
    return Utf16LeToUtf8(reinterpret_cast<const uint8_t*>(s.data()), 2 * s.size());
}

TEST(TextConversion, Utf16AndLegacyText)
{
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"é😀\0cd", 5)), "é😀");                  // stops at a NUL
    EXPECT_EQ(Utf16LeToUtf8(reinterpret_cast<const uint8_t*>("a\0b"), 3), "a");  // no half character
    EXPECT_EQ(Utf16ToUtf8({0xD83D, u'x', 0xDE00}), "\uFFFDx\uFFFD");             // unpaired surrogates
    // Overlong form, encoded surrogate, beyond U+10FFFF, cut sequence, stray continuation.
    EXPECT_EQ(Utf8ToUtf16("a😀\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\x80z|\xE2\x82"),
              u"a😀\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD\uFFFD|\uFFFDz|\uFFFD\uFFFD");
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF") || IsValidUtf8("\xC7\xD1"));

    EXPECT_EQ(LegacyTextToUtf8(kHangul) + LegacyTextToUtf8(kHangul949 + " " + kMusic949), kHangul + kHangul + " " + kMusic);
    // A lead byte cut off at the end is dropped; a byte that is no CP949 becomes U+FFFD.
    EXPECT_EQ(Cp949ToUtf8(kHangul949 + "\xB0"), kHangul);
    EXPECT_EQ(Cp949ToUtf8("a\xFF" + kMusic949), "a\uFFFD" + kMusic);
    EXPECT_EQ(Cp949ToUtf8("\xE9\xA2\xE8"), "\xE7\xAA\xAF");  // rejected only after all input was taken
    std::string long949, longUtf8;                           // longer than the converter's buffer
    for (int i = 0; i < 1000; ++i)
        long949 += kHangul949, longUtf8 += kHangul;
    EXPECT_EQ(Cp949ToUtf8(long949), longUtf8);
}

std::string Bytes(const uint8_t* p, size_t n)
{
    return std::string(reinterpret_cast<const char*>(p), n);
}

TEST(KvxFile, FieldsLieWhereTheTableSays)
{
    uint8_t head[kvx::kHeaderSize], rec[kvx::kRecordSize];
    std::memset(head, 0xAA, sizeof head);
    std::memset(rec, 0xAA, sizeof rec);
    kvx::EncodeHeader({"", "", "my list", "member", "secret"}, head);
    kvx::EncodeRecord({"News", "mms://m/news.asf", "0:10:00", "12M", "evening"}, rec);
    EXPECT_EQ(Bytes(head, sizeof head), KvxHeader("my list", "member", "secret"));
    EXPECT_EQ(Bytes(rec, sizeof rec), KvxRecord("News", "mms://m/news.asf", "0:10:00", "12M", "evening"));

    // Texts too long for their field are cut to whole characters; the info
    // texts to the writer's limits; negative size texts are stored empty.
    std::string han20;
    for (int i = 0; i < 20; ++i)
        han20 += "한";
    kvx::EncodeRecord({std::string(60, 't'), std::string(400, 'a'), "123:45:67:89", "-3K", han20 + han20},
                      rec);
    const kvx::Record r = kvx::DecodeRecord(rec);
    EXPECT_EQ(
        r.title + "|" + r.address + "|" + r.time + "|" + r.size + "|" + r.info,
        std::string(49, 't') + "|" + std::string(274, 'a') + "|123:45:67||" + (han20 + han20).substr(0, 93));

    // A field without its NUL is never read into the next.
    const kvx::File f = kvx::Parse((KvxHeader() + KvxRecord("a", "b")).replace(224 + 100, 484, 484, 'z'));
    ASSERT_EQ(f.status, kvx::ParseStatus::Ok);
    ASSERT_EQ(f.records.size(), 1u);
    EXPECT_EQ(f.records[0].title.size() + f.records[0].address.size() + f.records[0].info.size(),
              49u + 274 + 95);
}

TEST(QsdFile, CountsAndValuesAreBounded)
{
    EXPECT_TRUE(qsd::Parse("[Info]\nFiles=-3\n[Folder 0]\nUrl=a\n").entries.empty());
    // A huge count costs nothing: only the sections present are visited.
    const qsd::File huge = qsd::Parse("[Info]\nFiles=99999999999\n[Folder 2147483646]\nUrl=last\n");
    EXPECT_EQ(huge.files, INT_MAX);
    EXPECT_EQ(huge.entries.size(), 1u);

    // Values count up to 199 bytes; CP949 is cut there first, as the Windows
    // buffer did, and the split character goes.
    const auto Title = [](const std::string& title) {
        return qsd::Parse("[Info]\nFiles=1\n[Folder 0]\nTitle=" + title + "\nUrl=" + std::string(250, 'u') +
                          "\n")
            .entries.at(0);
    };
    EXPECT_EQ(Title("t").url, std::string(199, 'u'));
    EXPECT_EQ(Title(std::string(197, 't') + kHangul).title, std::string(197, 't'));
    EXPECT_EQ(Title(std::string(198, 't') + kHangul949).title, std::string(198, 't'));
}

}  // namespace
