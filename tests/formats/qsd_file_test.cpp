#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "formats/qsd_file.h"

namespace {

TEST(QsdFile, ReadsEntriesInOrderOfTheirNumber)
{
    const std::string text =
        "; exported list\r\n"
        "[Folder 1]\r\n"
        "Title=Second\r\n"
        "Path=C:\\x\r\n"
        "Url=mms://b/2.asf\r\n"
        "[info]\r\n"
        "FILES = 3\r\n"
        "[Folder 0]\r\n"
        "  title  =  \"First  \"  \r\n"
        "URL=http://a/1.asf\r\n"
        "[Folder 3]\r\n"
        "Url=mms://beyond/count\r\n"
        "[Folder 01]\r\n"
        "Url=mms://not/folder/1\r\n";
    const qsd::File f = qsd::Parse(text);
    EXPECT_TRUE(f.hasFiles);
    EXPECT_EQ(f.files, 3);
    ASSERT_EQ(f.entries.size(), 2u);
    EXPECT_EQ(f.entries[0].index, 0);
    EXPECT_EQ(f.entries[0].title, "First  ");  // quotes removed, inner blanks kept
    EXPECT_EQ(f.entries[0].url, "http://a/1.asf");
    EXPECT_EQ(f.entries[1].index, 1);
    EXPECT_EQ(f.entries[1].title, "Second");
    EXPECT_EQ(f.entries[1].url, "mms://b/2.asf");
}

TEST(QsdFile, FirstSectionAndFirstKeyWin)
{
    const qsd::File f = qsd::Parse(
        "[Info]\nFiles=1\nFiles=9\n[Folder 0]\nUrl=first\nUrl=second\n[FOLDER 0]\nUrl=third\n");
    EXPECT_EQ(f.files, 1);
    ASSERT_EQ(f.entries.size(), 1u);
    EXPECT_EQ(f.entries[0].url, "first");
}

TEST(QsdFile, ValuesCountUpTo199Bytes)
{
    const std::string url(250, 'u');
    qsd::File f = qsd::Parse("[Info]\nFiles=1\n[Folder 0]\nUrl=" + url + "\n");
    ASSERT_EQ(f.entries.size(), 1u);
    EXPECT_EQ(f.entries[0].url, std::string(199, 'u'));

    // UTF-8 is cut before the character that would cross the limit.
    std::string title = std::string(197, 't') + "\xED\x95\x9C";
    f = qsd::Parse("[Info]\nFiles=1\n[Folder 0]\nTitle=" + title + "\nUrl=x\n");
    EXPECT_EQ(f.entries[0].title, std::string(197, 't'));

    // CP949 is cut at 199 bytes first, as the Windows buffer did; the split
    // character is dropped.
    std::string legacy = std::string(198, 't') + "\xC7\xD1";
    f = qsd::Parse("[Info]\nFiles=1\n[Folder 0]\nTitle=" + legacy + "\nUrl=x\n");
    EXPECT_TRUE(f.legacyEncoding);
    EXPECT_EQ(f.entries[0].title, std::string(198, 't'));
}

TEST(QsdFile, LegacyFilesAreConverted)
{
    const qsd::File f =
        qsd::Parse("[Info]\r\nFiles=1\r\n[Folder 0]\r\nTitle=\xC7\xD1\xB1\xDB\r\nUrl=mms://k/\xC0\xBD.asf\r\n");
    ASSERT_EQ(f.entries.size(), 1u);
    EXPECT_EQ(f.entries[0].title, "\xED\x95\x9C\xEA\xB8\x80");
    EXPECT_EQ(f.entries[0].url, "mms://k/\xEC\x9D\x8C.asf");
}

TEST(QsdFile, CountsAreReadLikeProfileIntegers)
{
    EXPECT_EQ(qsd::ParseProfileInt("12"), 12);
    EXPECT_EQ(qsd::ParseProfileInt("  7 files"), 7);
    EXPECT_EQ(qsd::ParseProfileInt("-4"), -4);
    EXPECT_EQ(qsd::ParseProfileInt("x"), 0);
    EXPECT_EQ(qsd::ParseProfileInt(""), 0);
    EXPECT_EQ(qsd::ParseProfileInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(qsd::ParseProfileInt("-99999999999999999999"), INT_MIN);

    EXPECT_FALSE(qsd::Parse("[Folder 0]\nUrl=a\n").hasFiles);
    EXPECT_EQ(qsd::Parse("[Info]\nFiles=0\n[Folder 0]\nUrl=a\n").entries.size(), 0u);
    EXPECT_EQ(qsd::Parse("[Info]\nFiles=-3\n[Folder 0]\nUrl=a\n").entries.size(), 0u);
    // A huge count with few sections costs nothing: only the sections present are visited.
    const qsd::File f = qsd::Parse("[Info]\nFiles=2147483647\n[Folder 2147483646]\nUrl=last\n");
    ASSERT_EQ(f.entries.size(), 1u);
    EXPECT_EQ(f.entries[0].index, 2147483646);
}

TEST(QsdFile, OddLinesAreSkipped)
{
    const qsd::File f = qsd::Parse(
        "\xEF\xBB\xBFUrl=before any section\n[Info\nFiles=1\n[Folder 0]\nno equals sign\n=empty key\n"
        "Url\n  Url=kept\n");
    // "[Info" without its bracket still names the section.
    EXPECT_EQ(f.files, 1);
    ASSERT_EQ(f.entries.size(), 1u);
    EXPECT_EQ(f.entries[0].url, "kept");
}

}  // namespace
