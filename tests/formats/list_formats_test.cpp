#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "formats/kvx_file.h"
#include "formats/legacy_text.h"
#include "formats/qsd_file.h"

namespace {

// "한글" and "음악" in code page 949, as the Windows program wrote them, and in UTF-8.
const std::string kHangul949 = "\xC7\xD1\xB1\xDB", kHangul = "\xED\x95\x9C\xEA\xB8\x80";
const std::string kMusic949 = "\xC0\xBD\xBE\xC7", kMusic = "\xEC\x9D\x8C\xEC\x95\x85";

std::string Bytes(const uint8_t* p, size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

TEST(LegacyText, Utf8TestConversionAndCuts)
{
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "\xC7\xD1"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_TRUE(IsValidUtf8(kHangul + "\xF0\x9F\x8E\xB5 ascii"));
    EXPECT_EQ(LegacyTextToUtf8(kHangul), kHangul);
    EXPECT_EQ(LegacyTextToUtf8(kHangul949 + " " + kMusic949), kHangul + " " + kMusic);
    // A lead byte cut off at the end is dropped; a byte that is no CP949 becomes U+FFFD.
    EXPECT_EQ(Cp949ToUtf8(kHangul949 + "\xB0"), kHangul);
    EXPECT_EQ(Cp949ToUtf8("a\xFF" + kMusic949), "a\xEF\xBF\xBD" + kMusic);
    // Some converters reject a cut-off last byte only after taking all input.
    EXPECT_EQ(Cp949ToUtf8("\xE9\xA2\xE8"), "\xE7\xAA\xAF");
    std::string long949, longUtf8;  // longer than the converter's buffer
    for (int i = 0; i < 1000; ++i) {
        long949 += kHangul949;
        longUtf8 += kHangul;
    }
    EXPECT_EQ(Cp949ToUtf8(long949), longUtf8);

    EXPECT_EQ(CutUtf8("ab" + kHangul, 4), "ab");
    EXPECT_EQ(CutUtf8("ab" + kHangul, 5), "ab" + kHangul.substr(0, 3));
    const std::string mixed = "x" + kMusic + "\xC3\xA9\xF0\x9F\x8E\xB5yz";
    for (size_t n = 0; n <= mixed.size(); ++n) {
        const std::string_view cut = CutUtf8(mixed, n);
        EXPECT_TRUE(IsValidUtf8(cut)) << n;
        EXPECT_LE(cut.size(), n);
        EXPECT_GT(cut.size() + 4, n) << n;  // never more than one character short
    }
}

TEST(KvxFile, HeaderAndRecordBytesAreExactlyAsTabled)
{
    uint8_t head[kvx::kHeaderSize];
    std::memset(head, 0xAA, sizeof head);
    kvx::EncodeHeader({"", "", "my list", "member", "secret"}, head);
    std::string expected(224, '\0');
    expected.replace(0, 4, "0.1b").replace(10, 3, "mms").replace(15, 7, "my list");
    expected.replace(124, 6, "member").replace(154, 6, "secret");
    EXPECT_EQ(Bytes(head, sizeof head), expected);

    uint8_t rec[kvx::kRecordSize];
    std::memset(rec, 0xAA, sizeof rec);
    kvx::EncodeRecord({"News", "mms://m/news.asf", "0:10:00", "12M", "evening"}, rec);
    expected.assign(584, '\0');
    expected.replace(0, 8, "Brimcast").replace(50, 8, "Brimcast").replace(100, 4, "News");
    expected.replace(150, 16, "mms://m/news.asf").replace(425, 7, "0:10:00").replace(435, 3, "12M");
    expected.replace(488, 7, "evening");
    EXPECT_EQ(Bytes(rec, sizeof rec), expected);
    const kvx::Record back = kvx::DecodeRecord(rec);
    EXPECT_EQ(back.title + back.address + back.time + back.size + back.info, "Newsmms://m/news.asf0:10:0012Mevening");
}

TEST(KvxFile, OverlongAndNegativeTexts)
{
    std::string han20;
    for (int i = 0; i < 20; ++i)
        han20 += kHangul.substr(0, 3);
    uint8_t rec[kvx::kRecordSize];
    kvx::EncodeRecord({std::string(60, 't'), std::string(400, 'a'), "123:45:67:89", std::string(70, '9'),
                       std::string(120, 'i')}, rec);
    kvx::Record r = kvx::DecodeRecord(rec);
    EXPECT_EQ(r.title, std::string(49, 't'));
    EXPECT_EQ(r.address, std::string(274, 'a'));
    EXPECT_EQ(r.time, "123:45:67");
    EXPECT_EQ(r.size, std::string(52, '9'));
    EXPECT_EQ(r.info, std::string(94, 'i'));  // the writer's limit, one below the field's
    kvx::EncodeRecord({han20, "", "", "-3K", han20 + han20}, rec);
    r = kvx::DecodeRecord(rec);
    EXPECT_EQ(r.title, han20.substr(0, 48));  // 16 whole characters, not 16 and a third
    EXPECT_EQ(r.info, (han20 + han20).substr(0, 93));
    EXPECT_EQ(r.size, "");  // negative size texts are stored empty

    uint8_t head[kvx::kHeaderSize];
    kvx::EncodeHeader({"", "", std::string(150, 'x'), std::string(40, 'u'), ""}, head);
    EXPECT_EQ(kvx::DecodeHeader(head).info, std::string(100, 'x'));
    EXPECT_EQ(kvx::DecodeHeader(head).user, std::string(29, 'u'));

    for (const char* negative : {"-1", "  -12M", "-0001", "-99999999999999999999"})
        EXPECT_TRUE(kvx::IsNegativeSizeText(negative)) << negative;
    for (const char* other : {"-0", "-M", "12M", "+5", "", "1-2"})
        EXPECT_FALSE(kvx::IsNegativeSizeText(other)) << other;
}

std::string FileOf(const kvx::Header& h, const std::vector<kvx::Record>& records)
{
    uint8_t head[kvx::kHeaderSize], rec[kvx::kRecordSize];
    kvx::EncodeHeader(h, head);
    std::string bytes = Bytes(head, sizeof head);
    for (const kvx::Record& r : records) {
        kvx::EncodeRecord(r, rec);
        bytes += Bytes(rec, sizeof rec);
    }
    return bytes;
}

TEST(KvxFile, ParseChecksTheHeaderAndKeepsFieldsInside)
{
    std::string bytes = FileOf({}, {{"a", "mms://a/1.asf", "", "", ""}, {"b", "/home/u/2.wmv", "", "", ""}});
    kvx::File f = kvx::Parse(bytes.substr(0, bytes.size() - 1));
    ASSERT_EQ(f.status, kvx::ParseStatus::Ok);
    ASSERT_EQ(f.records.size(), 1u);
    EXPECT_EQ(f.trailingBytes, 583u);
    EXPECT_EQ(kvx::Parse(bytes.substr(0, 223)).status, kvx::ParseStatus::TooShort);
    EXPECT_EQ(kvx::Parse(std::string(bytes).replace(4, 1, "x")).status, kvx::ParseStatus::BadVersion);  // "0.1bx"
    EXPECT_EQ(kvx::Parse(std::string(bytes).replace(12, 1, "x")).status, kvx::ParseStatus::BadTag);
    // Fields without their NUL are read to their last-but-one byte, never into the next.
    bytes.replace(224 + 100, 584 - 100, 584 - 100, 'z');
    f = kvx::Parse(bytes);
    EXPECT_EQ(f.records[0].title, std::string(49, 'z'));
    EXPECT_EQ(f.records[0].address, std::string(274, 'z'));
    EXPECT_EQ(f.records[0].info, std::string(95, 'z'));
}

TEST(QsdFile, EntriesAsTheProfileCallsReadThem)
{
    const qsd::File f = qsd::Parse(
        "\xEF\xBB\xBF; exported\r\nUrl=before any section\r\n"
        "[Folder 1]\r\nTitle=Second\r\nUrl=mms://b/2.asf\r\n"
        "[info]\r\nFILES = 4\r\nFiles=9\r\n"
        "[Folder 0]\r\n  title  =  \"First  \"  \r\nno equals sign\r\nURL=http://a/1.asf\r\nUrl=ignored\r\n"
        "[FOLDER 0]\r\nUrl=second section of the name\r\n"
        "[Folder 4]\r\nUrl=mms://beyond/count\r\n[Folder 03]\r\nUrl=mms://not/folder/3\r\n");
    EXPECT_TRUE(f.hasFiles);
    EXPECT_EQ(f.files, 4);
    ASSERT_EQ(f.entries.size(), 2u);
    EXPECT_EQ(f.entries[0].index, 0);
    EXPECT_EQ(f.entries[0].title, "First  ");
    EXPECT_EQ(f.entries[0].url, "http://a/1.asf");
    EXPECT_EQ(f.entries[1].title, "Second");

    EXPECT_FALSE(qsd::Parse("[Folder 0]\nUrl=a\n").hasFiles);
    EXPECT_TRUE(qsd::Parse("[Info]\nFiles=-3\n[Folder 0]\nUrl=a\n").entries.empty());
    // A huge count costs nothing: only the sections present are visited.
    const qsd::File huge = qsd::Parse("[Info]\nFiles=99999999999\n[Folder 2147483646]\nUrl=last\n");
    EXPECT_EQ(huge.files, INT_MAX);
    ASSERT_EQ(huge.entries.size(), 1u);
    EXPECT_EQ(qsd::ParseProfileInt("  7 files"), 7);
    EXPECT_EQ(qsd::ParseProfileInt("x"), 0);
    EXPECT_EQ(qsd::ParseProfileInt("-99999999999999999999"), INT_MIN);
}

TEST(QsdFile, ValuesCountUpTo199BytesAndLegacyTextIsConverted)
{
    const auto Title = [](const std::string& title) {
        return qsd::Parse("[Info]\nFiles=1\n[Folder 0]\nTitle=" + title + "\nUrl=" + std::string(250, 'u') + "\n")
            .entries.at(0);
    };
    EXPECT_EQ(Title("t").url, std::string(199, 'u'));
    EXPECT_EQ(Title(std::string(197, 't') + kHangul).title, std::string(197, 't'));  // UTF-8: whole characters
    // CP949 is cut at 199 bytes first, as the Windows buffer did; the split character goes.
    EXPECT_EQ(Title(std::string(198, 't') + kHangul949).title, std::string(198, 't'));
    EXPECT_EQ(Title(kHangul949 + " " + kMusic949).title, kHangul + " " + kMusic);
}

}  // namespace
