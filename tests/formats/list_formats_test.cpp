#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "formats/kvx_file.h"
#include "formats/legacy_text.h"
#include "formats/qsd_file.h"
#include "formats/utf16.h"
#include "kvx_bytes.h"

namespace {

// "한글" and "음악" in code page 949, as the Windows program wrote them, and in UTF-8.
const std::string kHangul949 = "\xC7\xD1\xB1\xDB", kHangul = "한글";
const std::string kMusic949 = "\xC0\xBD\xBE\xC7", kMusic = "음악";

std::string Utf16ToUtf8(const std::u16string& s, size_t maxOut = SIZE_MAX)
{
    return Utf16LeToUtf8(reinterpret_cast<const uint8_t*>(s.data()), 2 * s.size(), maxOut);
}

TEST(TextConversion, Utf16AndLegacyText)
{
    EXPECT_EQ(Utf16ToUtf8(u"ASCII é 제목 😀"), "ASCII é 제목 😀");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"ab\0cd", 5)), "ab");                  // stops at a NUL
    EXPECT_EQ(Utf16LeToUtf8(reinterpret_cast<const uint8_t*>("a\0b"), 3), "a");  // no half character
    EXPECT_EQ(Utf16ToUtf8({0xD83D, u'x', 0xDE00}), "\uFFFDx\uFFFD");             // unpaired surrogates
    for (const auto& [limit, text] : {std::pair{3, "a"}, {4, "a제"}, {10, "a제목"}, {11, "a제목😀"}})
        EXPECT_EQ(Utf16ToUtf8(u"a제목😀", limit), text) << limit;
    EXPECT_EQ(Utf8ToUtf16("a제😀"), (std::u16string{u'a', 0xC81C, 0xD83D, 0xDE00}));
    EXPECT_EQ(Utf8ToUtf16Le("A제"), std::string("A\0\x1C\xC8", 4));
    // Overlong form, encoded surrogate, beyond U+10FFFF, cut sequence, stray continuation.
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\x80z|\xE2\x82"),
              u"\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD\uFFFD|\uFFFDz|\uFFFD\uFFFD");

    for (const char* bad :
         {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "\xC7\xD1"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_EQ(LegacyTextToUtf8(kHangul), kHangul);
    EXPECT_EQ(LegacyTextToUtf8(kHangul949 + " " + kMusic949), kHangul + " " + kMusic);
    // A lead byte cut off at the end is dropped; a byte that is no CP949 becomes U+FFFD.
    EXPECT_EQ(Cp949ToUtf8(kHangul949 + "\xB0"), kHangul);
    EXPECT_EQ(Cp949ToUtf8("a\xFF" + kMusic949), "a\uFFFD" + kMusic);
    EXPECT_EQ(Cp949ToUtf8("\xE9\xA2\xE8"), "\xE7\xAA\xAF");  // rejected only after all input was taken
    std::string long949, longUtf8;                           // longer than the converter's buffer
    for (int i = 0; i < 1000; ++i)
        long949 += kHangul949, longUtf8 += kHangul;
    EXPECT_EQ(Cp949ToUtf8(long949), longUtf8);
    const std::string mixed = "x" + kMusic + "é😀yz";
    for (size_t n = 0; n <= mixed.size(); ++n) {
        const std::string_view cut = CutUtf8(mixed, n);
        EXPECT_TRUE(IsValidUtf8(cut) && cut.size() <= n && cut.size() + 4 > n) << n;
    }
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
    kvx::Record r = kvx::DecodeRecord(rec);
    EXPECT_EQ(
        r.title + "|" + r.address + "|" + r.time + "|" + r.size + "|" + r.info,
        std::string(49, 't') + "|" + std::string(274, 'a') + "|123:45:67||" + (han20 + han20).substr(0, 93));
    kvx::EncodeRecord({han20, "", "", std::string(70, '9'), std::string(120, 'i')}, rec);
    r = kvx::DecodeRecord(rec);
    EXPECT_EQ(r.title + "|" + r.size + "|" + r.info,
              han20.substr(0, 48) + "|" + std::string(52, '9') + "|" + std::string(94, 'i'));
    kvx::EncodeHeader({"", "", std::string(150, 'x'), std::string(40, 'u'), ""}, head);
    EXPECT_EQ(kvx::DecodeHeader(head).info + kvx::DecodeHeader(head).user,
              std::string(100, 'x') + std::string(29, 'u'));
    for (const char* negative : {"-1", "  -12M", "-0001", "-99999999999999999999"})
        EXPECT_TRUE(kvx::IsNegativeSizeText(negative)) << negative;
    for (const char* other : {"-0", "-M", "12M", "+5", "", "1-2"})
        EXPECT_FALSE(kvx::IsNegativeSizeText(other)) << other;

    // Parsing checks the header, ignores a cut record and never reads a
    // field without its NUL into the next.
    std::string bytes = KvxHeader() + KvxRecord("a", "mms://a/1.asf") + KvxRecord("b", "/home/u/2.wmv");
    kvx::File f = kvx::Parse(bytes.substr(0, bytes.size() - 1));
    EXPECT_EQ(f.records.size() * 1000 + f.trailingBytes, 1583u);
    EXPECT_EQ(kvx::Parse(bytes.substr(0, 223)).status, kvx::ParseStatus::TooShort);
    EXPECT_EQ(kvx::Parse(std::string(bytes).replace(4, 1, "x")).status, kvx::ParseStatus::BadVersion);
    EXPECT_EQ(kvx::Parse(std::string(bytes).replace(12, 1, "x")).status, kvx::ParseStatus::BadTag);
    f = kvx::Parse(bytes.replace(224 + 100, 484, 484, 'z'));
    ASSERT_EQ(f.status, kvx::ParseStatus::Ok);
    EXPECT_EQ(f.records[0].title.size() + f.records[0].address.size() + f.records[0].info.size(),
              49u + 274 + 95);
}

TEST(QsdFile, EntriesAsTheProfileCallsReadThem)
{
    const qsd::File f = qsd::Parse(
        "\xEF\xBB\xBF; exported\r\nUrl=before any section\r\n[Folder "
        "1]\r\nTitle=Second\r\nUrl=mms://b/2.asf\r\n"
        "[info]\r\nFILES = 4\r\nFiles=9\r\n[Folder 0]\r\n  title  =  \"First  \"  \r\nno "
        "equals\r\nURL=http://a/1\r\n"
        "Url=ignored\r\n[FOLDER 0]\r\nUrl=second section of the name\r\n[Folder "
        "4]\r\nUrl=mms://beyond/count\r\n"
        "[Folder 03]\r\nUrl=mms://not/folder/3\r\n");
    EXPECT_TRUE(f.hasFiles);
    EXPECT_EQ(f.files, 4);
    ASSERT_EQ(f.entries.size(), 2u);
    EXPECT_EQ(f.entries[0].title + "|" + f.entries[0].url + "|" + f.entries[1].title,
              "First  |http://a/1|Second");
    EXPECT_FALSE(qsd::Parse("[Folder 0]\nUrl=a\n").hasFiles);
    EXPECT_TRUE(qsd::Parse("[Info]\nFiles=-3\n[Folder 0]\nUrl=a\n").entries.empty());
    // A huge count costs nothing: only the sections present are visited.
    const qsd::File huge = qsd::Parse("[Info]\nFiles=99999999999\n[Folder 2147483646]\nUrl=last\n");
    EXPECT_EQ(huge.files, INT_MAX);
    EXPECT_EQ(huge.entries.size(), 1u);
    EXPECT_EQ(qsd::ParseProfileInt("  7 files") + qsd::ParseProfileInt("x"), 7);
    EXPECT_EQ(qsd::ParseProfileInt("-99999999999999999999"), INT_MIN);

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
    EXPECT_EQ(Title(kHangul949 + " " + kMusic949).title, kHangul + " " + kMusic);
}

}  // namespace
