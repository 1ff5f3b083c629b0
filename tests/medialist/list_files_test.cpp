#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

#include "medialist/media_list.h"
#include "record/app_settings.h"
#include "record/user_prompts.h"
#include "test_support.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using YNC = UserPrompts::YesNoCancel;

// Answers the credential question from a script; nothing else is asked here.
class ScriptedPrompts final : public UserPrompts {
public:
    explicit ScriptedPrompts(YNC answer) : answer(answer) {}
    bool AskResume(const std::string&) override { return false; }
    FileExists AskFileExists(const std::string&, bool&) override { return FileExists::Cancel; }
    bool AskSavePath(std::string&) override { return false; }
    CredentialAnswer AskCredentials(const std::string&, const std::string&, const std::string&) override { return {}; }
    bool AskYesNo(const std::string&) override { return false; }
    YNC AskYesNoCancel(const std::string& message) override { return asked.push_back(message), answer; }
    YNC answer;
    std::vector<std::string> asked;
};

std::string At(const std::string& bytes, size_t offset) { return std::string(bytes.c_str() + offset); }

// Files as the Windows program wrote them: raw bytes, any encoding.
std::string RawHeader(const std::string& info = "", const std::string& user = "", const std::string& pw = "")
{
    return std::string(224, '\0').replace(0, 4, "0.1b").replace(10, 3, "mms").replace(15, info.size(), info)
        .replace(124, user.size(), user).replace(154, pw.size(), pw);
}
std::string RawRecord(const std::string& title, const std::string& address, const std::string& info = "")
{
    return std::string(584, '\0').replace(0, 8, "Brimcast").replace(50, 8, "Brimcast")
        .replace(100, title.size(), title).replace(150, address.size(), address).replace(488, info.size(), info);
}

class ListFilesTest : public ::testing::Test {
protected:
    TempDir dir;
    AppSettings settings;
    MediaList list{settings, nullptr};
};

TEST_F(ListFilesTest, ModesAndReadingBack)
{
    list.AddEntry("mms://m.example/news.asf", "News", " ", "");
    list.AddEntry("/home/u/clip.wmv", "Clip", " ", "");
    list.AddEntry("http://r.example/live.asx", "", " ", "");
    list.AddEntry("rtsp://tv.example/show", "Show", " ", "");
    list.SetImage(3, kImageRecorded);  // recorded: still a network row
    list.SetCell(0, kColTime, "0:10:00");
    list.SetCell(0, kColSize, "12M");
    list.SetCell(0, kColInfo, "  evening \t");
    list.SetCell(0, kColRecord, "Completed");  // not stored
    list.SetCell(1, kColSize, "-1");
    list.SetInfoText("  my streams  ");
    const std::string url = dir.File("url.kvx"), file = dir.File("file.kvx"), all = dir.File("all.kvx");
    EXPECT_EQ(list.WriteKvxFile(url, KvxWriteMode::OnlyUrl), KvxWriteResult::Written);
    EXPECT_EQ(list.WriteKvxFile(file, KvxWriteMode::OnlyFile), KvxWriteResult::Written);
    EXPECT_EQ(list.WriteKvxFile(all, KvxWriteMode::All), KvxWriteResult::Written);
    EXPECT_EQ(ReadFile(url).size(), 224u + 3 * 584);
    EXPECT_EQ(At(ReadFile(url), 224 + 2 * 584 + 150), "rtsp://tv.example/show");
    EXPECT_EQ(ReadFile(file).size(), 224u + 584);
    EXPECT_EQ(At(ReadFile(file), 224 + 150), "/home/u/clip.wmv");
    const std::string bytes = ReadFile(all);
    ASSERT_EQ(bytes.size(), 224u + 4 * 584);
    EXPECT_EQ(At(bytes, 15), "  my streams  ");
    EXPECT_EQ(At(bytes, 224 + 435), "12M");
    EXPECT_EQ(At(bytes, 224 + 584 + 435), "");  // negative size text

    AppSettings otherSettings;
    MediaList back(otherSettings, nullptr);
    int events = 0;
    back.SetListener([&](const MediaListEvent&) { ++events; });
    EXPECT_EQ(back.OpenEntry(all, "", ""), 0);
    ASSERT_EQ(back.RowCount(), 4);
    EXPECT_EQ(events, 4);
    EXPECT_EQ(back.InfoText(), "my streams");
    for (int r = 0; r < 4; ++r) {
        MediaItem expected = list.Row(r);
        expected.cells[kColRecord] = "";
        expected.cells[kColInfo] = r == 0 ? "evening" : "";
        expected.cells[kColSize] = r == 0 ? "12M" : "";
        expected.image = r == 1 ? kImageLocal : kImageNetwork;
        const MediaItem row = back.Row(r);
        EXPECT_EQ(row.cells, expected.cells) << r;
        EXPECT_EQ(row.image, expected.image) << r;
    }
    // Reading it again adds every row again; lookups find the first.
    EXPECT_EQ(back.ReadKvxFile(all), 4);
    EXPECT_EQ(back.RowCount(), 8);
    EXPECT_EQ(back.AddEntry("rtsp://tv.example/show", "", "", ""), 3);
}

TEST_F(ListFilesTest, CredentialQuestion)
{
    const std::string path = dir.File("c.kvx");
    list.AddEntry("mms://h/a", "", "", "");
    settings.m_memberUser = "member";
    settings.m_memberPassword = "secret";
    const auto Save = [&](YNC answer, const std::string& to) {
        ScriptedPrompts prompts(answer);
        MediaList l(settings, &prompts);
        l.AddEntry("mms://h/a", "", "", "");
        const KvxWriteResult result = l.WriteKvxFile(to, KvxWriteMode::All);
        EXPECT_EQ(prompts.asked, std::vector<std::string>{"Are you sure you want to save ID and Password?"});
        return result;
    };
    ASSERT_EQ(Save(YNC::Yes, path), KvxWriteResult::Written);
    EXPECT_EQ(At(ReadFile(path), 124) + "/" + At(ReadFile(path), 154), "member/secret");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u) << "a file holding a password is private";
    ASSERT_EQ(Save(YNC::No, path), KvxWriteResult::Written);
    EXPECT_EQ(At(ReadFile(path), 124) + At(ReadFile(path), 154), "");
    // Cancel writes nothing at all: the old file stays, no new one is made.
    const std::string before = ReadFile(path);
    EXPECT_EQ(Save(YNC::Cancel, path), KvxWriteResult::Cancelled);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(Save(YNC::Cancel, dir.File("new.kvx")), KvxWriteResult::Cancelled);
    EXPECT_FALSE(testsupport::FileExists(dir.File("new.kvx")));
    // Nobody to ask: not stored. One credential empty, or one too long for
    // its 29 bytes (a cut password is a wrong one): not stored, not asked.
    ASSERT_EQ(Save(YNC::Yes, path), KvxWriteResult::Written);
    for (const auto& [user, pw] : std::vector<std::pair<std::string, std::string>>{
             {"member", ""}, {"member", std::string(30, 'p')}, {"member", "secret"}}) {
        settings.m_memberUser = user;
        settings.m_memberPassword = pw;
        ASSERT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Written);
        EXPECT_EQ(At(ReadFile(path), 124) + At(ReadFile(path), 154), "");
    }
}

TEST_F(ListFilesTest, ReadingTakesCredentialsAndRunsTheProbe)
{
    const std::string path = dir.File("members.kvx");
    WriteFile(path, RawHeader(" weekly ", "member", "secret") + RawRecord("Local", "/home/u/a.wmv") +
                        RawRecord("Net", "mms://h/first.asf") + RawRecord("Net2", "mms://h/second.asf"));
    std::vector<std::string> probes;
    list.SetCredentialProbe([&](const std::string& address, const std::string& user, const std::string& pw) {
        probes.push_back(address + " " + user + " " + pw + " " + std::to_string(list.RowCount()));
    });
    EXPECT_EQ(list.ReadKvxFile(path), 0);
    EXPECT_EQ(settings.m_memberUser + "/" + settings.m_memberPassword, "member/secret");
    EXPECT_EQ(list.InfoText(), "weekly");
    // A header-only file sets credentials and info, adds nothing, returns -1;
    // empty credentials clear them and run no probe.
    WriteFile(path, RawHeader("", "other", "pw"));
    EXPECT_EQ(list.ReadKvxFile(path), -1);
    EXPECT_EQ(list.InfoText(), "");
    WriteFile(path, RawHeader("x"));
    EXPECT_EQ(list.ReadKvxFile(path), -1);
    EXPECT_EQ(settings.m_memberUser + settings.m_memberPassword, "");
    EXPECT_EQ(probes, (std::vector<std::string>{"mms://h/first.asf member secret 3", " other pw 3"}));

    // Files that do not match change nothing.
    settings.m_memberUser = "keep";
    ListReadReport report;
    WriteFile(path, std::string(RawHeader("i", "u", "p")).replace(3, 1, "a") + RawRecord("t", "mms://h/a"));
    EXPECT_EQ(list.ReadKvxFile(path, &report), -1);
    EXPECT_EQ(report.error, "not a .kvx list file (unknown version)");
    WriteFile(path, RawHeader().substr(0, 223));
    EXPECT_EQ(list.ReadKvxFile(path, &report), -1);
    EXPECT_EQ(report.error, "truncated list file header (223 of 224 bytes)");
    EXPECT_EQ(list.ReadKvxFile(dir.File("missing.kvx"), &report), -1);
    EXPECT_EQ(report.error, "No such file or directory");
    EXPECT_EQ(list.ReadKvxFile(""), 0);
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(settings.m_memberUser, "keep");
    EXPECT_EQ(list.InfoText(), "x");

    // A record cut short at the end is ignored, with a warning.
    WriteFile(path, RawHeader() + RawRecord("A", "mms://h/a") + RawRecord("B", "mms://h/b").substr(0, 300));
    report = {};
    EXPECT_EQ(list.ReadKvxFile(path, &report), 3);
    EXPECT_EQ(list.RowCount(), 4);
    EXPECT_EQ(report.warning, "last record truncated (300 bytes ignored)");
}

TEST_F(ListFilesTest, WindowsListsInCodePage949ComeBackAsUtf8)
{
    const std::string path = dir.File("korean.kvx");
    WriteFile(path, RawHeader("\xB8\xF1\xB7\xCF") +
                        RawRecord("\xC7\xD1\xB1\xDB", "mms://k.example/live", " \xC0\xBD\xBE\xC7 ") +
                        RawRecord("\xC5\xAB", "c:\\\xC0\xBD\xBE\xC7\\a.wma"));
    ASSERT_EQ(list.ReadKvxFile(path), 0);
    EXPECT_EQ(list.InfoText(), "\xEB\xAA\xA9\xEB\xA1\x9D");
    EXPECT_EQ(list.Cell(0, kColFile), "\xED\x95\x9C\xEA\xB8\x80");
    EXPECT_EQ(list.Cell(0, kColInfo), "\xEC\x9D\x8C\xEC\x95\x85");
    EXPECT_EQ(list.Cell(1, kColFile), "\xED\x81\xB0");
    EXPECT_EQ(list.Cell(1, kColOriginalFile), "c:\\\xEC\x9D\x8C\xEC\x95\x85\\a.wma");
    EXPECT_EQ(list.Image(1), kImageLocal);
    // Saved again it is UTF-8, and reads back the same.
    ASSERT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Written);
    MediaList back(settings, nullptr);
    ASSERT_EQ(back.ReadKvxFile(path), 0);
    EXPECT_EQ(back.Rows()[0].cells, list.Rows()[0].cells);
    EXPECT_EQ(back.Rows()[1].cells[kColFile], list.Rows()[1].cells[kColFile]);
    EXPECT_EQ(back.InfoText(), list.InfoText());

    // A save that cannot be made is reported and leaves nothing behind.
    EXPECT_EQ(list.WriteKvxFile(dir.File("no/such/folder/x.kvx"), KvxWriteMode::All), KvxWriteResult::Failed);
    ASSERT_EQ(::mkdir(dir.File("folder.kvx").c_str(), 0700), 0);
    EXPECT_EQ(list.WriteKvxFile(dir.File("folder.kvx"), KvxWriteMode::All), KvxWriteResult::Failed);
    EXPECT_EQ(testsupport::RunProcess({"ls", "-A", dir.path()}).out, "folder.kvx\nkorean.kvx\n");
}

TEST_F(ListFilesTest, QsdImport)
{
    const std::string path = dir.File("import.qsd");
    WriteFile(path, "[Info]\r\nFiles=5\r\n"
                    "[Folder 0]\r\nTitle=Morning\r\nPath=C:\\a\r\nUrl=mms://r/morning.asf\r\nName=a\r\n"
                    "[Folder 1]\r\nTitle=Nothing here\r\nUrl=\r\n"
                    "[Folder 2]\r\nUrl=http://r/evening.wmv?x=1\r\n"
                    "[Folder 3]\r\nTitle=Again\r\nUrl=mms://r/morning.asf\r\n"
                    "[Folder 4]\r\nTitle=Local\r\nUrl=/home/u/x.asf\r\n");
    EXPECT_EQ(list.OpenEntry(path, "", ""), 5);
    ASSERT_EQ(list.RowCount(), 4);
    std::string titles;
    for (const MediaItem& row : list.Rows()) {
        titles += row.cells[kColFile] + "|";
        for (int c : {kColType, kColTime, kColPlay, kColRecord, kColSize, kColRecordingFile})
            EXPECT_EQ(row.cells[c], "");
    }
    EXPECT_EQ(titles, "Morning|evening|Again|Local|");  // derived title; no duplicate check
    EXPECT_EQ(list.Image(0), kImageNetwork);
    EXPECT_EQ(list.Image(3), kImageLocal);
    WriteFile(path, "[Info]\nFiles=0\n[Folder 0]\nUrl=mms://x\n");
    EXPECT_EQ(list.ReadQsdFile(path), 0);
    WriteFile(path, "[Info]\nFiles=3\n");
    EXPECT_EQ(list.ReadQsdFile(path), 3);  // the count, even with nothing added
    EXPECT_EQ(list.RowCount(), 4);
}

std::string Asx(std::initializer_list<std::string> hrefs)
{
    std::string text = "<ASX version=\"3.0\">\r\n";
    for (const std::string& h : hrefs)
        text += "  <Entry><Ref href=\"" + h + "\"/></Entry>\r\n";
    return text + "</ASX>\r\n";
}

TEST_F(ListFilesTest, OpenEntryReadsPlaylists)
{
    list.AddEntry("mms://j/b.asf", "", "", "");
    WriteFile(dir.File("jazz.asx"), Asx({"mms://j/a.asf", "mms://j/b.asf", "http://j/c.wmv"}));
    EXPECT_EQ(list.OpenEntry(dir.File("jazz.asx"), "Jazz", ""), 1);
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.Cell(1, kColFile) + list.Cell(2, kColFile), "Jazz0Jazz2");  // b was there already
    EXPECT_EQ(list.Cell(2, kColType), "wmv");
    // One reference keeps the title as it is; no title: the file name's.
    WriteFile(dir.File("one.wvx"), Asx({"mms://j/only.asf"}));
    EXPECT_EQ(list.OpenEntry("file://" + dir.File("one.wvx"), "", ""), 3);
    EXPECT_EQ(list.Cell(3, kColFile), "one");
    // A small ".asf" file holding ASX, and a Windows playlist in CP949.
    WriteFile(dir.File("redirect.asf"), "<ASX><Entry><Ref href=\"mms://r/real.asf\"/></Entry></ASX>");
    EXPECT_EQ(list.OpenEntry(dir.File("redirect.asf"), "", ""), 4);
    EXPECT_EQ(list.Cell(4, kColOriginalFile), "mms://r/real.asf");
    WriteFile(dir.File("korean.asx"), Asx({"mms://k/\xC7\xD1\xB1\xDB.asf"}));
    EXPECT_EQ(list.OpenEntry(dir.File("korean.asx"), "", ""), 5);
    EXPECT_EQ(list.Cell(5, kColOriginalFile), "mms://k/\xED\x95\x9C\xEA\xB8\x80.asf");
    // A file holding only an address is taken whole without its line end;
    // an ASX document without references adds nothing.
    WriteFile(dir.File("bare.asx"), "mms://bare.example/stream\r\n");
    EXPECT_EQ(list.OpenEntry(dir.File("bare.asx"), "", ""), 6);
    EXPECT_EQ(list.Cell(6, kColOriginalFile), "mms://bare.example/stream");
    WriteFile(dir.File("empty.asx"), "<ASX version=\"3.0\">\r\n  <Title>Nothing</Title>\r\n</ASX>\r\n");
    EXPECT_EQ(list.OpenEntry(dir.File("empty.asx"), "", ""), 7);
    EXPECT_EQ(list.RowCount(), 7);
}

TEST_F(ListFilesTest, OpenEntryFallsBackToPlainRows)
{
    // A playlist on a server, or a missing one: a plain row, and -1.
    EXPECT_EQ(list.OpenEntry("mms://h/list.asx", "", ""), -1);
    EXPECT_EQ(list.OpenEntry(dir.File("missing.asx"), "T", ""), -1);
    EXPECT_EQ(list.Cell(0, kColFile) + list.Cell(1, kColFile), "listT");
    // 102,399 bytes are read; one more makes a plain row, and its index.
    const std::string text = Asx({"mms://big/a.asf"});
    WriteFile(dir.File("fits.asx"), text + std::string(102399 - text.size(), ' '));
    EXPECT_EQ(list.OpenEntry(dir.File("fits.asx"), "", ""), 2);
    EXPECT_EQ(list.Cell(2, kColOriginalFile), "mms://big/a.asf");
    WriteFile(dir.File("big.asx"), text + std::string(102400 - text.size(), ' '));
    EXPECT_EQ(list.OpenEntry(dir.File("big.asx"), "", ""), 3);
    EXPECT_EQ(list.Cell(3, kColOriginalFile) + " " + list.Cell(3, kColSize), dir.File("big.asx") + " 100K");
    // A ".kvx" name that does not exist, media files with a size switch.
    EXPECT_EQ(list.OpenEntry(dir.File("gone.kvx"), "", ""), 4);
    WriteFile(dir.File("clip.wmv"), "abc");
    EXPECT_EQ(list.OpenEntry(dir.File("clip.wmv"), "Named", "0"), 5);
    EXPECT_EQ(list.Cell(5, kColFile) + list.Cell(5, kColSize), "Named");
    EXPECT_EQ(list.OpenEntry("", "x", ""), -1);
    EXPECT_EQ(list.RowCount(), 6);
}

}  // namespace
