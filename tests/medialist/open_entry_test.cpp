#include <gtest/gtest.h>

#include <string>

#include "medialist/media_list.h"
#include "record/app_settings.h"
#include "test_support.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

std::string Asx(std::initializer_list<std::string> hrefs)
{
    std::string text = "<ASX version=\"3.0\">\r\n";
    for (const std::string& h : hrefs)
        text += "  <Entry><Ref href=\"" + h + "\"/></Entry>\r\n";
    return text + "</ASX>\r\n";
}

class OpenEntryTest : public ::testing::Test {
protected:
    TempDir dir;
    AppSettings settings;
    MediaList list{settings, nullptr};
};

TEST_F(OpenEntryTest, PlaylistEntriesAreNumberedUnderTheGivenTitle)
{
    list.AddEntry("mms://before/x", "", "", "");
    const std::string path = dir.File("jazz.asx");
    WriteFile(path, Asx({"mms://j/a.asf", "mms://j/b.asf", "http://j/c.wmv"}));
    EXPECT_EQ(list.OpenEntry(path, "Jazz", ""), 1);
    ASSERT_EQ(list.RowCount(), 4);
    EXPECT_EQ(list.Cell(1, kColFile), "Jazz0");
    EXPECT_EQ(list.Cell(2, kColFile), "Jazz1");
    EXPECT_EQ(list.Cell(3, kColFile), "Jazz2");
    EXPECT_EQ(list.Cell(3, kColOriginalFile), "http://j/c.wmv");
    EXPECT_EQ(list.Cell(3, kColType), "wmv");
    EXPECT_EQ(list.Image(3), kImageNetwork);

    // Without a title the file name stands in; a reference already in the
    // list is not added again, and the result is still the row count before.
    const std::string second = dir.File("Evening Show.wax");
    WriteFile(second, Asx({"mms://j/a.asf", "mms://j/d.asf"}));
    ASSERT_EQ(ClassifyEntry(second) & kEntryPlaylistMask, 0u);  // ".wax" is no playlist extension
    const std::string asx = dir.File("Evening Show.asx");
    WriteFile(asx, Asx({"mms://j/a.asf", "mms://j/d.asf"}));
    EXPECT_EQ(list.OpenEntry(asx, "", ""), 4);
    ASSERT_EQ(list.RowCount(), 5);
    EXPECT_EQ(list.Cell(1, kColFile), "Jazz0");
    EXPECT_EQ(list.Cell(4, kColFile), "Evening Show1");
}

TEST_F(OpenEntryTest, ASingleReferenceTakesTheTitleAsItIs)
{
    const std::string path = dir.File("one.wvx");
    WriteFile(path, Asx({"mms://j/only.asf"}));
    EXPECT_EQ(list.OpenEntry("file://" + path, "Only", ""), 0);
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Cell(0, kColFile), "Only");
    EXPECT_EQ(list.Cell(0, kColOriginalFile), "mms://j/only.asf");
}

TEST_F(OpenEntryTest, ListFilesGoToTheirReaders)
{
    AppSettings writerSettings;
    MediaList writer(writerSettings, nullptr);
    writer.AddEntry("mms://k/1", "One", " ", "");
    writer.AddEntry("mms://k/2", "Two", " ", "");
    const std::string kvxPath = dir.File("saved.KVX");
    ASSERT_EQ(writer.WriteKvxFile(kvxPath, KvxWriteMode::All), KvxWriteResult::Written);
    list.AddEntry("mms://k/1", "", "", "");
    EXPECT_EQ(list.OpenEntry(kvxPath, "", ""), 1);
    EXPECT_EQ(list.RowCount(), 3);  // list files add duplicates

    const std::string qsdPath = dir.File("import.qsd");
    WriteFile(qsdPath, "[Info]\nFiles=7\n[Folder 0]\nUrl=mms://q/1\n");
    EXPECT_EQ(list.OpenEntry(qsdPath, "", ""), 7);
    EXPECT_EQ(list.Cell(3, kColOriginalFile), "mms://q/1");

    // A ".kvx" name that does not exist is just a row.
    EXPECT_EQ(list.OpenEntry(dir.File("gone.kvx"), "", ""), 4);
    EXPECT_EQ(list.Cell(4, kColType), "kvx");
}

TEST_F(OpenEntryTest, PlaylistsThatCannotBeReadBecomePlainRows)
{
    // A playlist address on a server is not a local file: a row, and -1.
    EXPECT_EQ(list.OpenEntry("mms://h/list.asx", "", ""), -1);
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Cell(0, kColOriginalFile), "mms://h/list.asx");
    EXPECT_EQ(list.Cell(0, kColFile), "list");
    EXPECT_EQ(list.OpenEntry(dir.File("missing.asx"), "T", ""), -1);
    EXPECT_EQ(list.Cell(1, kColFile), "T");

    // 102,399 bytes are read; one byte more makes a plain row, and its index.
    std::string text = Asx({"mms://big/a.asf"});
    const std::string fits = dir.File("fits.asx");
    WriteFile(fits, text + std::string(102399 - text.size(), ' '));
    EXPECT_EQ(list.OpenEntry(fits, "", ""), 2);
    EXPECT_EQ(list.Cell(2, kColOriginalFile), "mms://big/a.asf");
    const std::string big = dir.File("big.asx");
    WriteFile(big, text + std::string(102400 - text.size(), ' '));
    ListReadReport report;
    EXPECT_EQ(list.ReadPlaylistFile(big, "Big", "", &report), 3);
    EXPECT_EQ(list.Cell(3, kColOriginalFile), big);
    EXPECT_EQ(list.Cell(3, kColSize), "100K");
    EXPECT_NE(report.error.find("too large"), std::string::npos) << report.error;

    EXPECT_EQ(list.OpenEntry("", "x", ""), -1);
    EXPECT_EQ(list.RowCount(), 4);
}

TEST_F(OpenEntryTest, SmallAsfFileHoldingAsxIsReadAsAPlaylist)
{
    const std::string path = dir.File("redirect.asf");
    WriteFile(path, "<ASX version=\"3\"><Entry><Ref href=\"mms://r/real.asf\"/></Entry></ASX>");
    EXPECT_EQ(list.OpenEntry(path, "", ""), 0);
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Cell(0, kColOriginalFile), "mms://r/real.asf");
    EXPECT_EQ(list.Cell(0, kColFile), "redirect");
}

TEST_F(OpenEntryTest, PlainEntriesUseTheSizeSwitch)
{
    const std::string media = dir.File("clip.wmv");
    WriteFile(media, std::string(3000, 'x'));
    EXPECT_EQ(list.OpenEntry(media, "", ""), 0);
    EXPECT_EQ(list.Cell(0, kColSize), "2K");
    const std::string other = dir.File("other.wmv");
    WriteFile(other, "abc");
    EXPECT_EQ(list.OpenEntry(other, "Named", "0"), 1);
    EXPECT_EQ(list.Cell(1, kColSize), "");
    EXPECT_EQ(list.Cell(1, kColFile), "Named");
    EXPECT_EQ(list.OpenEntry("mms://h/a.asf", "", " "), 2);
    EXPECT_EQ(list.OpenEntry("mms://h/a.asf", "", " "), 2);
}

TEST_F(OpenEntryTest, LegacyPlaylistsAndBareAddresses)
{
    // A playlist the Windows program wrote: CP949 addresses.
    const std::string legacy = dir.File("korean.asx");
    WriteFile(legacy, Asx({"mms://k/\xC7\xD1\xB1\xDB.asf", "mms://k/\xC0\xBD\xBE\xC7.asf"}));
    EXPECT_EQ(list.OpenEntry(legacy, "", ""), 0);
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(0, kColOriginalFile), "mms://k/\xED\x95\x9C\xEA\xB8\x80.asf");
    EXPECT_EQ(list.Cell(1, kColOriginalFile), "mms://k/\xEC\x9D\x8C\xEC\x95\x85.asf");

    // A file holding only an address is taken whole, without its line end.
    const std::string bare = dir.File("bare.asx");
    WriteFile(bare, "mms://bare.example/stream\r\n");
    ListReadReport report;
    EXPECT_EQ(list.ReadPlaylistFile(bare, "Bare", "", &report), 2);
    EXPECT_EQ(list.Cell(2, kColOriginalFile), "mms://bare.example/stream");
    EXPECT_EQ(list.Cell(2, kColFile), "Bare");
    EXPECT_NE(report.error, "");  // not an ASX document, as the CLI reports
}

}  // namespace
