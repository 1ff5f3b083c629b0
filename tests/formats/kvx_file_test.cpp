#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formats/kvx_file.h"

namespace {

std::string FieldText(const uint8_t* base, kvx::Field f)
{
    return std::string(reinterpret_cast<const char*>(base + f.offset),
                       strnlen(reinterpret_cast<const char*>(base + f.offset), f.size));
}

bool FieldZeroAfterText(const uint8_t* base, kvx::Field f)
{
    const size_t n = FieldText(base, f).size();
    for (size_t i = n; i < f.size; ++i)
        if (base[f.offset + i] != 0)
            return false;
    return true;
}

std::string Repeat(const std::string& s, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; ++i)
        out += s;
    return out;
}

TEST(KvxFile, HeaderFieldsSitAtTheirOffsets)
{
    kvx::Header h;
    h.info = "my list";
    h.user = "member";
    h.password = "secret";
    uint8_t bytes[kvx::kHeaderSize];
    std::memset(bytes, 0xAA, sizeof bytes);
    kvx::EncodeHeader(h, bytes);

    const auto* p = bytes;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 0)), "0.1b");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 10)), "mms");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 15)), "my list");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 124)), "member");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 154)), "secret");
    for (kvx::Field f : {kvx::kVersion, kvx::kTag, kvx::kListInfo, kvx::kUser, kvx::kPassword})
        EXPECT_TRUE(FieldZeroAfterText(p, f)) << f.offset;
    for (size_t i = 184; i < 224; ++i)
        EXPECT_EQ(p[i], 0) << i;

    const kvx::Header back = kvx::DecodeHeader(bytes);
    EXPECT_EQ(back.version, "0.1b");
    EXPECT_EQ(back.tag, "mms");
    EXPECT_EQ(back.info, "my list");
    EXPECT_EQ(back.user, "member");
    EXPECT_EQ(back.password, "secret");
}

TEST(KvxFile, RecordFieldsSitAtTheirOffsets)
{
    kvx::Record r;
    r.title = "News";
    r.address = "mms://media.example/news.asf";
    r.time = "0:10:00";
    r.size = "12M";
    r.info = "evening edition";
    uint8_t bytes[kvx::kRecordSize];
    std::memset(bytes, 0xAA, sizeof bytes);
    kvx::EncodeRecord(r, bytes);

    const auto at = [&](size_t offset) { return std::string(reinterpret_cast<const char*>(bytes + offset)); };
    EXPECT_EQ(at(0), "Brimcast");
    EXPECT_EQ(at(50), "Brimcast");
    EXPECT_EQ(at(100), "News");
    EXPECT_EQ(at(150), "mms://media.example/news.asf");
    EXPECT_EQ(at(425), "0:10:00");
    EXPECT_EQ(at(435), "12M");
    EXPECT_EQ(at(488), "evening edition");
    for (kvx::Field f : {kvx::kProgramTag1, kvx::kProgramTag2, kvx::kTitle, kvx::kAddress, kvx::kTime,
                         kvx::kSize, kvx::kInfo})
        EXPECT_TRUE(FieldZeroAfterText(bytes, f)) << f.offset;
    EXPECT_EQ(bytes[583], 0);

    const kvx::Record back = kvx::DecodeRecord(bytes);
    EXPECT_EQ(back.title, r.title);
    EXPECT_EQ(back.address, r.address);
    EXPECT_EQ(back.time, r.time);
    EXPECT_EQ(back.size, r.size);
    EXPECT_EQ(back.info, r.info);
}

TEST(KvxFile, OverlongTextsAreCutAtTheirLimitOnACharacterBoundary)
{
    kvx::Record r;
    r.title = std::string(60, 't');
    r.address = "http://h/" + std::string(400, 'a');
    r.time = "123:45:67:89";
    r.size = std::string(70, '9');
    r.info = std::string(120, 'i');
    uint8_t bytes[kvx::kRecordSize];
    kvx::EncodeRecord(r, bytes);
    const kvx::Record back = kvx::DecodeRecord(bytes);
    EXPECT_EQ(back.title, std::string(49, 't'));
    EXPECT_EQ(back.address.size(), 274u);
    EXPECT_EQ(back.time, "123:45:67");
    EXPECT_EQ(back.size, std::string(52, '9'));
    EXPECT_EQ(back.info, std::string(94, 'i'));  // the writer's own limit, below the field's 95

    // Three-byte characters: 49 bytes hold sixteen of them, not sixteen and a third.
    const std::string han = "\xED\x95\x9C";
    r.title = Repeat(han, 20);
    r.info = Repeat(han, 40);
    kvx::EncodeRecord(r, bytes);
    const kvx::Record cut = kvx::DecodeRecord(bytes);
    EXPECT_EQ(cut.title, Repeat(han, 16));
    EXPECT_EQ(cut.info, Repeat(han, 31));  // 93 of at most 94 bytes

    kvx::Header h;
    h.info = std::string(150, 'x');
    h.user = std::string(40, 'u');
    uint8_t head[kvx::kHeaderSize];
    kvx::EncodeHeader(h, head);
    EXPECT_EQ(kvx::DecodeHeader(head).info, std::string(100, 'x'));
    EXPECT_EQ(kvx::DecodeHeader(head).user, std::string(29, 'u'));
    EXPECT_EQ(head[124 + 29], 0);
}

TEST(KvxFile, NegativeSizeTextIsStoredEmpty)
{
    EXPECT_TRUE(kvx::IsNegativeSizeText("-1"));
    EXPECT_TRUE(kvx::IsNegativeSizeText("  -12M"));
    EXPECT_TRUE(kvx::IsNegativeSizeText("-0001"));
    EXPECT_TRUE(kvx::IsNegativeSizeText("-99999999999999999999"));
    EXPECT_FALSE(kvx::IsNegativeSizeText("-0"));
    EXPECT_FALSE(kvx::IsNegativeSizeText("-M"));
    EXPECT_FALSE(kvx::IsNegativeSizeText("12M"));
    EXPECT_FALSE(kvx::IsNegativeSizeText("+5"));
    EXPECT_FALSE(kvx::IsNegativeSizeText(""));
    EXPECT_FALSE(kvx::IsNegativeSizeText("1-2"));

    kvx::Record r;
    r.size = "-3K";
    uint8_t bytes[kvx::kRecordSize];
    kvx::EncodeRecord(r, bytes);
    EXPECT_EQ(kvx::DecodeRecord(bytes).size, "");
    r.size = "3K";
    kvx::EncodeRecord(r, bytes);
    EXPECT_EQ(kvx::DecodeRecord(bytes).size, "3K");
}

std::string FileOf(const kvx::Header& h, const std::vector<kvx::Record>& records)
{
    uint8_t head[kvx::kHeaderSize];
    kvx::EncodeHeader(h, head);
    std::string bytes(reinterpret_cast<const char*>(head), sizeof head);
    for (const kvx::Record& r : records) {
        uint8_t rec[kvx::kRecordSize];
        kvx::EncodeRecord(r, rec);
        bytes.append(reinterpret_cast<const char*>(rec), sizeof rec);
    }
    return bytes;
}

TEST(KvxFile, ParseChecksHeaderAndIgnoresACutRecord)
{
    kvx::Header h;
    kvx::Record a, b;
    a.address = "mms://a/1.asf";
    b.address = "/home/u/2.wmv";
    std::string bytes = FileOf(h, {a, b});
    ASSERT_EQ(bytes.size(), 224u + 2 * 584u);

    kvx::File f = kvx::Parse(bytes);
    ASSERT_EQ(f.status, kvx::ParseStatus::Ok);
    ASSERT_EQ(f.records.size(), 2u);
    EXPECT_EQ(f.records[1].address, "/home/u/2.wmv");
    EXPECT_EQ(f.trailingBytes, 0u);

    f = kvx::Parse(bytes.substr(0, bytes.size() - 1));
    EXPECT_EQ(f.records.size(), 1u);
    EXPECT_EQ(f.trailingBytes, 583u);

    EXPECT_EQ(kvx::Parse(bytes.substr(0, 223)).status, kvx::ParseStatus::TooShort);
    EXPECT_EQ(kvx::Parse(bytes.substr(0, 224)).status, kvx::ParseStatus::Ok);
    std::string old = bytes;
    old[3] = 'a';  // "0.1a"
    EXPECT_EQ(kvx::Parse(old).status, kvx::ParseStatus::BadVersion);
    std::string longer = bytes;
    longer[4] = 'x';  // "0.1bx": more than the version
    EXPECT_EQ(kvx::Parse(longer).status, kvx::ParseStatus::BadVersion);
    std::string tag = bytes;
    tag[12] = 'x';
    EXPECT_EQ(kvx::Parse(tag).status, kvx::ParseStatus::BadTag);
}

TEST(KvxFile, FieldsWithoutTerminatorStayInsideTheirField)
{
    kvx::Header h;
    std::string bytes = FileOf(h, {kvx::Record{}});
    // Fill every record byte after the program tags with 'z': no field has
    // its NUL any more.
    for (size_t i = 224 + 100; i < bytes.size(); ++i)
        bytes[i] = 'z';
    const kvx::File f = kvx::Parse(bytes);
    ASSERT_EQ(f.records.size(), 1u);
    EXPECT_EQ(f.records[0].title, std::string(49, 'z'));
    EXPECT_EQ(f.records[0].address, std::string(274, 'z'));
    EXPECT_EQ(f.records[0].time, std::string(9, 'z'));
    EXPECT_EQ(f.records[0].size, std::string(52, 'z'));
    EXPECT_EQ(f.records[0].info, std::string(95, 'z'));
}

TEST(KvxFile, EncodingIsDecidedForTheWholeFile)
{
    // "큰" is C5 AB in CP949, which happens to be valid UTF-8 ("ū"); "한글"
    // is not. A Windows file holding both is read as CP949 throughout.
    kvx::Header h;
    h.info = "\xB8\xF1\xB7\xCF";  // "목록"
    kvx::Record big, hangul;
    big.title = "\xC5\xAB";
    hangul.title = "\xC7\xD1\xB1\xDB";
    hangul.address = "mms://host/\xC0\xBD\xBE\xC7.asf";
    // Encode copies raw bytes: the Windows program's file.
    const kvx::File f = kvx::Parse(FileOf(h, {big, hangul}));
    ASSERT_EQ(f.records.size(), 2u);
    EXPECT_TRUE(f.legacyEncoding);
    EXPECT_EQ(f.header.info, "\xEB\xAA\xA9\xEB\xA1\x9D");
    EXPECT_EQ(f.records[0].title, "\xED\x81\xB0");  // 큰
    EXPECT_EQ(f.records[1].title, "\xED\x95\x9C\xEA\xB8\x80");
    EXPECT_EQ(f.records[1].address, "mms://host/\xEC\x9D\x8C\xEC\x95\x85.asf");

    // Our own UTF-8 files are left as they are.
    hangul.title = "\xED\x95\x9C\xEA\xB8\x80";
    hangul.address = "mms://host/x.asf";
    h.info = "list";
    const kvx::File g = kvx::Parse(FileOf(h, {big, hangul}));
    EXPECT_FALSE(g.legacyEncoding);
    EXPECT_EQ(g.records[0].title, "\xC5\xAB");
    EXPECT_EQ(g.records[1].title, hangul.title);
}

}  // namespace
