#include <gtest/gtest.h>

#include <sys/stat.h>

#include "../formats/kvx_bytes.h"
#include "scripted_prompts.h"
#include "base/app_settings.h"
#include "medialist/media_list.h"
#include "test_support.h"

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;
using YNC = UserPrompts::YesNoCancel;

// The NUL-terminated text at an offset of a file's bytes.
std::string At(const std::string& bytes, size_t offset)
{
    return bytes.c_str() + offset;
}

class ListFilesTest : public ::testing::Test {
protected:
    std::string Column(int column) const
    {
        std::string text;
        for (const MediaItem& row : list.Rows())
            text += row.cells[column] + "|";
        return text;
    }
    testsupport::TempDir dir;
    AppSettings settings;
    MediaList list{settings, nullptr};
};

TEST_F(ListFilesTest, SavedListsReadBackAsTheSameRows)
{
    list.AddEntry("mms://m.example/news.asf", "News", " ", "");
    list.AddEntry("/home/u/clip.wmv", "클립", " ", "");
    list.AddEntry("http://r.example/live.asx", "", " ", "");
    list.AddEntry("rtsp://tv.example/show", "Show", " ", "");
    list.SetImage(3, kImageRecorded);  // recorded: still a network row
    list.SetCell(0, kColTime, "0:10:00");
    list.SetCell(0, kColSize, "12M");
    list.SetCell(0, kColInfo, "  evening \t");
    list.SetCell(0, kColRecord, "Completed");  // not stored
    list.SetCell(1, kColSize, "-1");           // negative: stored empty
    list.SetInfoText("  my streams  ");
    for (const auto& [mode, records, last] : {std::tuple{KvxWriteMode::OnlyUrl, 3, "rtsp://tv.example/show"},
                                              {KvxWriteMode::OnlyFile, 1, "/home/u/clip.wmv"},
                                              {KvxWriteMode::All, 4, "rtsp://tv.example/show"}}) {
        ASSERT_EQ(list.WriteKvxFile(dir.File("l.kvx"), mode), KvxWriteResult::Written);
        const std::string bytes = ReadFile(dir.File("l.kvx"));
        ASSERT_EQ(bytes.size(), 224u + records * 584);
        EXPECT_EQ(At(bytes, 224 + (records - 1) * 584 + 150), last);
    }

    AppSettings otherSettings;
    MediaList back(otherSettings, nullptr);
    EXPECT_EQ(back.OpenEntry(dir.File("l.kvx"), "", ""), 0);
    ASSERT_EQ(std::to_string(back.RowCount()) + back.InfoText(), "4my streams");
    for (int r = 0; r < 4; ++r) {
        MediaItem expected = list.Row(r);
        expected.cells[kColRecord] = "";
        expected.cells[kColInfo] = r == 0 ? "evening" : "";
        expected.cells[kColSize] = r == 0 ? "12M" : "";
        EXPECT_EQ(back.Row(r).cells, expected.cells) << r;
        EXPECT_EQ(back.Row(r).image, r == 1 ? kImageLocal : kImageNetwork) << r;
    }
    // A save that cannot be made is reported and leaves nothing behind.
    EXPECT_EQ(list.WriteKvxFile(dir.File("no/such/folder/x.kvx"), KvxWriteMode::All), KvxWriteResult::Failed);
    EXPECT_EQ(testsupport::RunProcess({"ls", "-A", dir.path()}).out, "l.kvx\n");
}

TEST_F(ListFilesTest, CredentialsAreStoredOnlyWhenTheUserSaysYes)
{
    const std::string path = dir.File("c.kvx");
    const auto Save = [&](YNC answer, const std::string& to, const std::string& pw = "secret") {
        settings.m_memberUser = "member";
        settings.m_memberPassword = pw;
        ScriptedPrompts prompts;
        prompts.answer = answer;
        MediaList l(settings, &prompts);
        l.AddEntry("mms://h/a", "", "", "");
        const KvxWriteResult result = l.WriteKvxFile(to, KvxWriteMode::All);
        EXPECT_EQ(prompts.asked.size(), pw == "secret" ? 1u : 0u);
        return result;
    };
    ASSERT_EQ(Save(YNC::Yes, path), KvxWriteResult::Written);
    EXPECT_EQ(At(ReadFile(path), 124) + "/" + At(ReadFile(path), 154), "member/secret");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u) << "a file holding a password is private";
    // Cancel writes nothing at all: the old file stays.
    EXPECT_EQ(Save(YNC::Cancel, path), KvxWriteResult::Cancelled);
    EXPECT_EQ(At(ReadFile(path), 154), "secret");
    // No; one credential empty or too long for its 29 bytes (a cut password
    // is a wrong one): not stored, and only No is asked.
    for (const std::string& pw : {std::string("secret"), std::string(), std::string(30, 'p')}) {
        ASSERT_EQ(Save(YNC::No, path, pw), KvxWriteResult::Written);
        EXPECT_EQ(At(ReadFile(path), 124) + At(ReadFile(path), 154), "");
    }
    settings.m_memberPassword = "secret";  // nobody to ask: not stored
    ASSERT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Written);
    EXPECT_EQ(At(ReadFile(path), 124), "");
}

// Lists saved on Windows systems hold code page 949 texts; lists
// edited since may mix them with UTF-8, so each field is decided alone.
TEST_F(ListFilesTest, ReadingTakesCredentialsRunsTheProbeAndConvertsLegacyTextPerField)
{
    const std::string path = dir.File("members.kvx");
    std::vector<std::string> probes;
    list.SetCredentialProbe([&](const std::string& address, const std::string& user, const std::string& pw) {
        probes.push_back(address + " " + user + " " + pw + " " + std::to_string(list.RowCount()));
    });
    WriteFile(path, KvxHeader(" \xB8\xF1\xB7\xCF ", "member", "secret") +  // "목록", "한글", "음악"
                        KvxRecord("\xC7\xD1\xB1\xDB", "c:\\\xC0\xBD\xBE\xC7\\a.wma", "", "", " 음악 ") +
                        KvxRecord("Net", "mms://h/first.asf") + KvxRecord("재즈", "mms://h/second.asf"));
    EXPECT_EQ(list.ReadKvxFile(path), 0);
    EXPECT_EQ(settings.m_memberUser + "/" + settings.m_memberPassword + "/" + list.InfoText(),
              "member/secret/목록");
    EXPECT_EQ(settings.m_memberAddress, "mms://h/first.asf");
    EXPECT_EQ(Column(kColOriginalFile) + Column(kColInfo),
              "c:\\음악\\a.wma|mms://h/first.asf|mms://h/second.asf|음악|||");
    EXPECT_EQ(list.Image(0), kImageLocal);
    // The probe runs once, after the rows are in, with the first network address.
    EXPECT_EQ(probes, std::vector<std::string>{"mms://h/first.asf member secret 3"});
    // A file that does not match changes nothing (the CLI test checks the reasons).
    settings.m_memberUser = "keep";
    WriteFile(path, "0.1a" + KvxHeader("i", "u", "p").substr(4) + KvxRecord("t", "mms://h/a"));
    EXPECT_EQ(list.ReadKvxFile(path), -1);
    EXPECT_EQ(Column(kColFile) + settings.m_memberUser, "한글|Net|재즈|keep");
}

std::string Asx(std::initializer_list<std::string> hrefs)
{
    std::string text = "<ASX version=\"3.0\">\r\n";
    for (const std::string& h : hrefs)
        text += "  <Entry><Ref href=\"" + h + "\"/></Entry>\r\n";
    return text + "</ASX>\r\n";
}

TEST_F(ListFilesTest, OpenEntryDispatchesPlaylistsAndPlainRows)
{
    list.AddEntry("mms://j/b.asf", "", "", "");
    const std::string big = Asx({"mms://big/a.asf"});
    // name, content (none: not written), title, size switch, returned index, rows added: title address
    for (const auto& [name, text, title, sizeSwitch, index, added] :
         std::vector<std::tuple<std::string, std::string, std::string, std::string, int, std::string>>{
             {"jazz.asx", Asx({"mms://j/a.asf", "mms://j/b.asf", "http://j/c.wmv"}), "Jazz", "", 1,
              "Jazz0 mms://j/a.asf|Jazz2 http://j/c.wmv|"},  // b was there already
             // A small ".asf" file holding ASX; a playlist in CP949; a file holding only an address.
             {"redirect.asf", "<ASX><Entry><Ref href=\"mms://r/real.asf\"/></Entry></ASX>", "", "", 3,
              "redirect mms://r/real.asf|"},
             {"bare.asx", "mms://bare.example/stream\r\n", "", "", 4, "bare mms://bare.example/stream|"},
             {"empty.asx", "<ASX version=\"3.0\">\r\n  <Title>Nothing</Title>\r\n</ASX>\r\n", "", "", 5, ""},
             // 102,399 bytes are read; one more makes a plain row, and its index.
             {"fits.asx", big + std::string(102399 - big.size(), ' '), "", "", 5, "fits mms://big/a.asf|"},
             {"big.asx", big + std::string(102400 - big.size(), ' '), "", "", 6, "big {big.asx}|"},
             // A missing playlist or one on a server: a plain row, and -1.
             {"missing.asx", "", "T", "", -1, "T {missing.asx}|"},
             {"mms://h/list.asx", "", "", "", -1, "list mms://h/list.asx|"},
             {"clip.wmv", "abc", "Named", "0", 9, "Named {clip.wmv}|"},
             // .qsd: the count is returned; no duplicate check, no type word, no size.
             {"import.qsd",
              "[Info]\nFiles=5\n[Folder 0]\nTitle=Morning\nPath=C:\\a\nUrl=mms://r/morning.asf\n[Folder 1]\n"
              "Title=Nothing here\nUrl=\n[Folder 2]\nUrl=http://r/evening.wmv?x=1\n[Folder 3]\nTitle=Again\n"
              "Url=mms://j/b.asf\n[Folder 4]\nTitle=Local\nUrl=/x.asf\n",
              "", "", 5,
              "Morning mms://r/morning.asf|evening http://r/evening.wmv?x=1|Again mms://j/b.asf|Local "
              "/x.asf|"}}) {
        const std::string path = name.find("://") == std::string::npos ? dir.File(name) : name;
        if (!text.empty())
            WriteFile(path, text);
        const int before = list.RowCount();
        EXPECT_EQ(list.OpenEntry(path, title, sizeSwitch), index) << name;
        std::string rows;
        for (int r = before; r < list.RowCount(); ++r) {
            std::string address = list.Cell(r, kColOriginalFile);
            if (address.starts_with(dir.path()))
                address = "{" + address.substr(dir.path().size() + 1) + "}";
            rows += list.Cell(r, kColFile) + " " + address + "|";
        }
        EXPECT_EQ(rows, added) << name;
    }
    EXPECT_EQ(
        list.Cell(2, kColType) + list.Cell(6, kColSize) + list.Cell(9, kColSize) + list.Cell(11, kColType),
        "wmv100K");
    EXPECT_EQ(list.Image(10) * 10 + list.Image(13), kImageNetwork * 10 + kImageLocal);
    EXPECT_EQ(list.OpenEntry("", "x", ""), -1);
}

}  // namespace
