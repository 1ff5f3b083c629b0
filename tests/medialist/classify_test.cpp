#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "medialist/media_list.h"
#include "record/app_settings.h"
#include "test_support.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

TEST(MediaClassify, TypeWordsTakeTheFirstMatchBeforeTheQuery)
{
    EXPECT_EQ(TypeWordOf("mms://h/a.asf?x=.wmv"), "asf");
    EXPECT_EQ(TypeWordOf("http://h/play.asp?f=a.wmv"), "");  // only the query names a type
    EXPECT_EQ(TypeWordOf("/home/u/Clip.WMV"), "wmv");
    EXPECT_EQ(TypeWordOf("http://h/list.asx.asf"), "asx");  // ".asx" is tested before ".asf"
    EXPECT_EQ(TypeWordOf("/v/film.mpeg"), "mpeg");
    EXPECT_EQ(TypeWordOf("/v/film.mpg"), "mpg");
    EXPECT_EQ(TypeWordOf("/v/song.ram"), "ram");
    EXPECT_EQ(TypeWordOf("/v/song.rpm"), "rpm");
    EXPECT_EQ(TypeWordOf("/v/lists.kvx"), "kvx");
    EXPECT_EQ(TypeWordOf("/v/a.wax"), "wax");
    EXPECT_EQ(TypeWordOf("/v/a.ogg"), "");
    EXPECT_EQ(TypeWordOf(""), "");
}

TEST(MediaClassify, LocalPathsOnThisSystemAndFromWindowsLists)
{
    for (const char* p : {"/home/u/a.asf", "  /tmp/x", "~/Videos/a.wmv", "./a.asf", "../a.asf",
                          "file:///home/u/a.asf", "FILE:///x", "c:\\temp\\a.asf", "Y:\\a.wmv",
                          "\t d:\\x"})
        EXPECT_TRUE(IsLocalPath(p)) << p;
    for (const char* p : {"mms://h/a.asf", "http://h/a", "rtsp://h/a", "z:\\a.asf", "a.asf", "c:/a",
                          "~user/a", ".hidden", "", "\\\\server\\share\\a.asf"})
        EXPECT_FALSE(IsLocalPath(p)) << p;
}

TEST(MediaClassify, LocalFileSystemPathResolvesFileUrlsAndHome)
{
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(LocalFileSystemPath("~/a.asf"), std::string(home) + "/a.asf");
    EXPECT_EQ(LocalFileSystemPath("file:///home/u/My%20Clip.asf"), "/home/u/My Clip.asf");
    EXPECT_EQ(LocalFileSystemPath("file://localhost/tmp/a.asx"), "/tmp/a.asx");
    EXPECT_EQ(LocalFileSystemPath("file://otherhost/tmp/a.asx"), "");
    EXPECT_EQ(LocalFileSystemPath("file:///tmp/a%00.asx"), "");
    EXPECT_EQ(LocalFileSystemPath("/tmp/a.asx"), "/tmp/a.asx");
    EXPECT_EQ(LocalFileSystemPath("c:\\temp\\a.asf"), "");
    EXPECT_EQ(LocalFileSystemPath("mms://h/a.asx"), "");
}

TEST(MediaClassify, TitlesDropFolderQueryAndExtension)
{
    EXPECT_EQ(DeriveTitle("mms://h/dir/news.asf?id=7/x.y"), "news");
    EXPECT_EQ(DeriveTitle("c:\\music\\song.wma"), "song");
    EXPECT_EQ(DeriveTitle("mms://h/dir\\x.asf"), "dir\\x");  // "/" wins over "\"
    EXPECT_EQ(DeriveTitle("/a/archive.tar.gz"), "archive.tar");
    EXPECT_EQ(DeriveTitle("/a/.hidden"), ".hidden");
    EXPECT_EQ(DeriveTitle("mms://h/"), "");
    EXPECT_EQ(DeriveTitle("plain"), "plain");
}

TEST(MediaClassify, SizeText)
{
    EXPECT_EQ(SizeText(0), "0B");
    EXPECT_EQ(SizeText(1023), "1023B");
    EXPECT_EQ(SizeText(1024), "1K");
    EXPECT_EQ(SizeText(1048575), "1023K");
    EXPECT_EQ(SizeText(1048576), "1M");
    EXPECT_EQ(SizeText(5ull << 40), "5242880M");
}

TEST(MediaClassify, ClassificationBits)
{
    TempDir dir;
    const std::string kvxPath = dir.File("list.kvx");
    const std::string qsdPath = dir.File("import.qsd");
    WriteFile(kvxPath, "x");
    WriteFile(qsdPath, "x");
    EXPECT_EQ(ClassifyEntry(kvxPath), 0x21u);
    EXPECT_EQ(ClassifyEntry(qsdPath), 0x31u);
    EXPECT_EQ(ClassifyEntry("file://" + kvxPath), 0x21u);
    EXPECT_EQ(ClassifyEntry(dir.File("missing.kvx")), 0x22u);
    // A folder is not an existing file.
    EXPECT_EQ(ClassifyEntry(dir.path() + "/"), 0x2u);

    EXPECT_EQ(ClassifyEntry("mms://h/a.asx"), 0x2u | 0x1000u | 0x200u);
    EXPECT_EQ(ClassifyEntry("HTTP://h/a.WMX"), 0x2u | 0x2000u | 0x100u);
    EXPECT_EQ(ClassifyEntry("rtsp://h/a.wvx"), 0x2u | 0x4000u | 0x800u);
    EXPECT_EQ(ClassifyEntry("mmst://h/a.wma"), 0x2u | 0x20000u | 0x400u);
    EXPECT_EQ(ClassifyEntry("mmsu://h/a.wmv"), 0x2u | 0x40000u | 0x400u);
    EXPECT_EQ(ClassifyEntry("http://h/mms://a.asx.wmx.asf.wma"), 0x2u | 0x1000u | 0x10000u | 0x100u);
    EXPECT_EQ(ClassifyEntry("mms://h/x.kvl"), 0x2u | 0x200u | 0x40u);
}

TEST(MediaClassify, SmallAsfFileWithAnAsxFirstLineIsAPlaylist)
{
    TempDir dir;
    const std::string disguised = dir.File("list.asf");
    WriteFile(disguised, "  <ASX version=\"3.0\"><Entry><Ref href=\"mms://h/a\"/></Entry></ASX>\n");
    EXPECT_EQ(ClassifyEntry(disguised), 0x1u | 0x10000u | 0x10u);

    const std::string secondLine = dir.File("second.asf");
    WriteFile(secondLine, "hello\n<asx>\n");
    EXPECT_EQ(ClassifyEntry(secondLine), 0x1u | 0x10000u);

    const std::string big = dir.File("big.asf");
    WriteFile(big, "<asx>" + std::string(3072, ' '));
    EXPECT_EQ(ClassifyEntry(big), 0x1u | 0x10000u);

    const std::string justUnder = dir.File("under.asf");
    WriteFile(justUnder, "<asx>" + std::string(3066, ' '));
    EXPECT_EQ(ClassifyEntry(justUnder) & 0x10u, 0x10u);

    const std::string wmv = dir.File("list.wmv");
    WriteFile(wmv, "<asx>\n");
    EXPECT_EQ(ClassifyEntry(wmv), 0x1u | 0x40000u);
}

TEST(MediaClassify, AddEntryLooksUpTheSizeOfLocalFilesOnly)
{
    TempDir dir;
    const std::string file = dir.File("clip.wmv");
    WriteFile(file, std::string(2048, 'x'));
    AppSettings settings;
    MediaList list(settings, nullptr);
    EXPECT_EQ(list.AddEntry(file, "", "", ""), 0);
    EXPECT_EQ(list.Cell(0, kColSize), "2K");
    EXPECT_EQ(list.Image(0), kImageLocal);
    EXPECT_EQ(list.Cell(0, kColFile), "clip");
    // A size switch (the launch default "0", or the URL dialog's blank) skips it.
    const std::string other = dir.File("other.wmv");
    WriteFile(other, "abc");
    list.AddEntry(other, "", "0", "");
    EXPECT_EQ(list.Cell(1, kColSize), "");
    list.AddEntry("file://" + dir.File("third.wmv"), "", "", "");  // missing: no size
    EXPECT_EQ(list.Cell(2, kColSize), "");
    list.InsertEntry(0, "file://" + other);
    EXPECT_EQ(list.Cell(0, kColSize), "3B");
    EXPECT_EQ(list.Image(0), kImageLocal);
}

}  // namespace
