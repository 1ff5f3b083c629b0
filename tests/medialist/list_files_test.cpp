#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

#include "formats/kvx_file.h"
#include "medialist/media_list.h"
#include "record/app_settings.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using YNC = UserPrompts::YesNoCancel;

constexpr size_t kHead = 224;
constexpr size_t kRec = 584;

std::string At(const std::string& bytes, size_t offset)
{
    return std::string(bytes.c_str() + offset);
}

// A record as the Windows program wrote it: raw bytes, any encoding.
std::string RawRecord(const std::string& title, const std::string& address, const std::string& time = "",
                      const std::string& size = "", const std::string& info = "")
{
    std::string r(kRec, '\0');
    r.replace(0, 8, "Brimcast");
    r.replace(50, 8, "Brimcast");
    r.replace(100, title.size(), title);
    r.replace(150, address.size(), address);
    r.replace(425, time.size(), time);
    r.replace(435, size.size(), size);
    r.replace(488, info.size(), info);
    return r;
}

std::string RawHeader(const std::string& info = "", const std::string& user = "",
                      const std::string& password = "", const std::string& version = "0.1b")
{
    std::string h(kHead, '\0');
    h.replace(0, version.size(), version);
    h.replace(10, 3, "mms");
    h.replace(15, info.size(), info);
    h.replace(124, user.size(), user);
    h.replace(154, password.size(), password);
    return h;
}

class ListFilesTest : public ::testing::Test {
protected:
    // Two network rows, one local file, one recorded network row.
    void FillMixedList(MediaList& list)
    {
        list.AddEntry("mms://media.example/news.asf", "News", " ", "");
        list.AddEntry("/home/u/Videos/clip.wmv", "Clip", " ", "");
        list.AddEntry("http://radio.example/live.asx", "", " ", "");
        list.AddEntry("rtsp://tv.example/show", "Show", " ", "");
        list.SetImage(3, kImageRecorded);
        list.SetCell(0, kColTime, "0:10:00");
        list.SetCell(0, kColSize, "12M");
        list.SetCell(0, kColInfo, "evening");
        list.SetCell(0, kColRecord, "Completed");       // not stored
        list.SetCell(0, kColRecordingFile, "/tmp/x");   // not stored
        list.SetCell(1, kColSize, "-1");
        list.SetInfoText("  my streams  ");
    }

    TempDir dir;
    AppSettings settings;
};

TEST_F(ListFilesTest, ModesChooseNetworkLocalOrAllRows)
{
    MediaList list(settings, nullptr);
    FillMixedList(list);
    const std::string onlyUrl = dir.File("url.kvx"), onlyFile = dir.File("file.kvx"), all = dir.File("all.kvx");
    EXPECT_EQ(list.WriteKvxFile(onlyUrl, KvxWriteMode::OnlyUrl), KvxWriteResult::Written);
    EXPECT_EQ(list.WriteKvxFile(onlyFile, KvxWriteMode::OnlyFile), KvxWriteResult::Written);
    EXPECT_EQ(list.WriteKvxFile(all, KvxWriteMode::All), KvxWriteResult::Written);

    const std::string u = ReadFile(onlyUrl), f = ReadFile(onlyFile), a = ReadFile(all);
    ASSERT_EQ(u.size(), kHead + 3 * kRec);  // the recorded row stays a network row
    ASSERT_EQ(f.size(), kHead + 1 * kRec);
    ASSERT_EQ(a.size(), kHead + 4 * kRec);
    EXPECT_EQ(At(u, kHead + 150), "mms://media.example/news.asf");
    EXPECT_EQ(At(u, kHead + kRec + 150), "http://radio.example/live.asx");
    EXPECT_EQ(At(u, kHead + 2 * kRec + 150), "rtsp://tv.example/show");
    EXPECT_EQ(At(f, kHead + 150), "/home/u/Videos/clip.wmv");
    // The header of each.
    EXPECT_EQ(At(a, 0), "0.1b");
    EXPECT_EQ(At(a, 10), "mms");
    EXPECT_EQ(At(a, 15), "  my streams  ");
    // Record fields of the first row, at their offsets.
    EXPECT_EQ(At(a, kHead + 0), "Brimcast");
    EXPECT_EQ(At(a, kHead + 50), "Brimcast");
    EXPECT_EQ(At(a, kHead + 100), "News");
    EXPECT_EQ(At(a, kHead + 425), "0:10:00");
    EXPECT_EQ(At(a, kHead + 435), "12M");
    EXPECT_EQ(At(a, kHead + 488), "evening");
    // A negative size text is stored empty.
    EXPECT_EQ(At(a, kHead + kRec + 435), "");
}

TEST_F(ListFilesTest, WrittenListReadsBackAsTheSameRows)
{
    MediaList list(settings, nullptr);
    FillMixedList(list);
    list.SetCell(2, kColInfo, "  padded info \t");
    const std::string path = dir.File("all.kvx");
    ASSERT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Written);

    AppSettings otherSettings;
    MediaList back(otherSettings, nullptr);
    std::vector<MediaListEvent> events;
    back.SetListener([&](const MediaListEvent& e) { events.push_back(e); });
    EXPECT_EQ(back.ReadKvxFile(path), 0);
    ASSERT_EQ(back.RowCount(), 4);
    EXPECT_EQ(events.size(), 4u);
    EXPECT_EQ(back.InfoText(), "my streams");
    for (int r = 0; r < 4; ++r) {
        const MediaItem a = list.Row(r), b = back.Row(r);
        EXPECT_EQ(b.cells[kColFile], a.cells[kColFile]) << r;
        EXPECT_EQ(b.cells[kColOriginalFile], a.cells[kColOriginalFile]) << r;
        EXPECT_EQ(b.cells[kColTime], a.cells[kColTime]) << r;
        EXPECT_EQ(b.cells[kColType], TypeWordOf(a.cells[kColOriginalFile])) << r;
        for (int c : {kColPlay, kColRecord, kColRecordingFile, kColNs})
            EXPECT_EQ(b.cells[c], "") << r << " " << c;
        EXPECT_EQ(b.itemData, 0u);
    }
    EXPECT_EQ(back.Cell(0, kColSize), "12M");
    EXPECT_EQ(back.Cell(1, kColSize), "");  // was "-1"
    EXPECT_EQ(back.Cell(0, kColInfo), "evening");
    EXPECT_EQ(back.Cell(2, kColInfo), "padded info");
    EXPECT_EQ(back.Cell(2, kColFile), "live");
    EXPECT_EQ(back.Image(0), kImageNetwork);
    EXPECT_EQ(back.Image(1), kImageLocal);
    EXPECT_EQ(back.Image(3), kImageNetwork);  // recorded rows come back as network rows

    // Reading the same file again adds every row again.
    EXPECT_EQ(back.ReadKvxFile(path), 4);
    EXPECT_EQ(back.RowCount(), 8);
    EXPECT_EQ(back.FindAddress("mms://media.example/news.asf"), 0);
    // The next add of such an address finds the first row.
    EXPECT_EQ(back.AddEntry("rtsp://tv.example/show", "", "", ""), 3);
}

TEST_F(ListFilesTest, OverlongTextsAreStoredCutAndReadBackValid)
{
    MediaList list(settings, nullptr);
    const std::string han = "\xED\x95\x9C";  // three bytes
    std::string title;
    for (int i = 0; i < 20; ++i)
        title += han;
    const std::string address = "mms://h/" + std::string(300, 'a');
    list.AddEntry(address, title, " ", "");
    const std::string path = dir.File("long.kvx");
    ASSERT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Written);
    MediaList back(settings, nullptr);
    ASSERT_EQ(back.ReadKvxFile(path), 0);
    EXPECT_EQ(back.Cell(0, kColFile), title.substr(0, 48));  // 16 characters
    EXPECT_EQ(back.Cell(0, kColOriginalFile), address.substr(0, 274));
}

TEST_F(ListFilesTest, CredentialQuestion)
{
    const std::string path = dir.File("c.kvx");
    settings.m_memberUser = "member";
    settings.m_memberPassword = "secret";
    {
        ScriptedPrompts yes(YNC::Yes);
        MediaList list(settings, &yes);
        list.AddEntry("mms://h/a", "", "", "");
        ASSERT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Written);
        EXPECT_EQ(yes.asked(), std::vector<std::string>{"Are you sure you want to save ID and Password?"});
        const std::string bytes = ReadFile(path);
        EXPECT_EQ(At(bytes, 124), "member");
        EXPECT_EQ(At(bytes, 154), "secret");
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0077, 0u) << "a file holding a password is private";
    }
    {
        ScriptedPrompts no(YNC::No);
        MediaList list(settings, &no);
        list.AddEntry("mms://h/a", "", "", "");
        ASSERT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Written);
        EXPECT_EQ(no.asked().size(), 1u);
        const std::string bytes = ReadFile(path);
        EXPECT_EQ(bytes.size(), kHead + kRec);
        EXPECT_EQ(At(bytes, 124), "");
        EXPECT_EQ(At(bytes, 154), "");
    }
    {
        // Cancel writes nothing at all: the old file stays, a new one is not made.
        const std::string before = ReadFile(path);
        ScriptedPrompts cancel(YNC::Cancel);
        MediaList list(settings, &cancel);
        list.AddEntry("mms://h/other", "", "", "");
        EXPECT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Cancelled);
        EXPECT_EQ(ReadFile(path), before);
        EXPECT_EQ(list.WriteKvxFile(dir.File("new.kvx"), KvxWriteMode::OnlyUrl), KvxWriteResult::Cancelled);
        EXPECT_FALSE(FileExists(dir.File("new.kvx")));
    }
    {
        // Without anyone to ask, the credentials are not stored.
        MediaList list(settings, nullptr);
        list.AddEntry("mms://h/a", "", "", "");
        ASSERT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Written);
        EXPECT_EQ(At(ReadFile(path), 124), "");
    }
}

TEST_F(ListFilesTest, CredentialsThatCannotBeStoredWhollyAreNotAskedFor)
{
    const std::string path = dir.File("c.kvx");
    ScriptedPrompts yes(YNC::Yes);
    MediaList list(settings, &yes);
    list.AddEntry("mms://h/a", "", "", "");

    settings.m_memberUser = "member";
    settings.m_memberPassword = "";
    ASSERT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Written);
    EXPECT_EQ(At(ReadFile(path), 124), "");

    settings.m_memberPassword = std::string(30, 'p');  // one more than the field holds
    ASSERT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Written);
    EXPECT_EQ(At(ReadFile(path), 124), "");
    EXPECT_EQ(At(ReadFile(path), 154), "");

    settings.m_memberPassword = std::string(29, 'p');
    ASSERT_EQ(list.WriteKvxFile(path, KvxWriteMode::All), KvxWriteResult::Written);
    EXPECT_EQ(At(ReadFile(path), 154), std::string(29, 'p'));
    EXPECT_EQ(yes.asked().size(), 1u);
}

TEST_F(ListFilesTest, ReadingTakesCredentialsAndRunsTheProbe)
{
    const std::string path = dir.File("members.kvx");
    WriteFile(path, RawHeader(" weekly ", "member", "secret") + RawRecord("Local", "/home/u/a.wmv") +
                        RawRecord("Net", "mms://h/first.asf") + RawRecord("Net2", "mms://h/second.asf"));
    MediaList list(settings, nullptr);
    std::vector<std::vector<std::string>> probes;
    list.SetCredentialProbe([&](const std::string& address, const std::string& user, const std::string& pw) {
        // The rows are in place when the probe runs, and the list is not locked.
        EXPECT_EQ(list.RowCount(), 3);
        probes.push_back({address, user, pw});
    });
    EXPECT_EQ(list.ReadKvxFile(path), 0);
    EXPECT_EQ(settings.m_memberUser, "member");
    EXPECT_EQ(settings.m_memberPassword, "secret");
    EXPECT_EQ(list.InfoText(), "weekly");
    ASSERT_EQ(probes.size(), 1u);
    EXPECT_EQ(probes[0], (std::vector<std::string>{"mms://h/first.asf", "member", "secret"}));

    // A header-only file still sets credentials and info (even to empty),
    // adds nothing and reports -1; its probe gets no address.
    const std::string headerOnly = dir.File("head.kvx");
    WriteFile(headerOnly, RawHeader("", "other", "pw"));
    EXPECT_EQ(list.ReadKvxFile(headerOnly), -1);
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.InfoText(), "");
    EXPECT_EQ(settings.m_memberUser, "other");
    ASSERT_EQ(probes.size(), 2u);
    EXPECT_EQ(probes[1], (std::vector<std::string>{"", "other", "pw"}));

    // Empty credentials in the file clear the member credentials; no probe.
    WriteFile(headerOnly, RawHeader("x"));
    EXPECT_EQ(list.ReadKvxFile(headerOnly), -1);
    EXPECT_EQ(settings.m_memberUser, "");
    EXPECT_EQ(settings.m_memberPassword, "");
    EXPECT_EQ(probes.size(), 2u);
}

TEST_F(ListFilesTest, FilesThatDoNotMatchChangeNothing)
{
    settings.m_memberUser = "keep";
    settings.m_memberPassword = "this";
    MediaList list(settings, nullptr);
    list.SetInfoText("info");
    ListReadReport report;

    const std::string old = dir.File("old.kvx");
    WriteFile(old, RawHeader("i", "u", "p", "0.1a") + RawRecord("t", "mms://h/a"));
    EXPECT_EQ(list.ReadKvxFile(old, &report), -1);
    EXPECT_NE(report.error, "");

    const std::string shortFile = dir.File("short.kvx");
    WriteFile(shortFile, RawHeader().substr(0, 223));
    report = {};
    EXPECT_EQ(list.ReadKvxFile(shortFile, &report), -1);
    EXPECT_NE(report.error.find("223"), std::string::npos) << report.error;

    report = {};
    EXPECT_EQ(list.ReadKvxFile(dir.File("missing.kvx"), &report), -1);
    EXPECT_EQ(report.error, "No such file or directory");
    EXPECT_EQ(list.ReadKvxFile(""), 0);

    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(settings.m_memberUser, "keep");
    EXPECT_EQ(settings.m_memberPassword, "this");
    EXPECT_EQ(list.InfoText(), "info");
}

TEST_F(ListFilesTest, ACutRecordAtTheEndIsIgnored)
{
    const std::string path = dir.File("cut.kvx");
    WriteFile(path, RawHeader() + RawRecord("A", "mms://h/a") + RawRecord("B", "mms://h/b").substr(0, 300));
    MediaList list(settings, nullptr);
    ListReadReport report;
    EXPECT_EQ(list.ReadKvxFile(path, &report), 0);
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(report.error, "");
    EXPECT_NE(report.warning.find("300"), std::string::npos) << report.warning;
}

TEST_F(ListFilesTest, WindowsListsInCodePage949AreConverted)
{
    // "한글 방송" / "음악" in CP949, as the Windows program wrote them.
    const std::string path = dir.File("korean.kvx");
    WriteFile(path, RawHeader("\xB8\xF1\xB7\xCF") +
                        RawRecord("\xC7\xD1\xB1\xDB \xB9\xE6\xBC\xDB", "mms://k.example/live", "0:01:00", "1M",
                                  " \xC0\xBD\xBE\xC7 ") +
                        RawRecord("\xC5\xAB", "c:\\\xC0\xBD\xBE\xC7\\a.wma"));
    MediaList list(settings, nullptr);
    ASSERT_EQ(list.ReadKvxFile(path), 0);
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.InfoText(), "\xEB\xAA\xA9\xEB\xA1\x9D");
    EXPECT_EQ(list.Cell(0, kColFile), "\xED\x95\x9C\xEA\xB8\x80 \xEB\xB0\xA9\xEC\x86\xA1");
    EXPECT_EQ(list.Cell(0, kColInfo), "\xEC\x9D\x8C\xEC\x95\x85");
    EXPECT_EQ(list.Cell(1, kColFile), "\xED\x81\xB0");
    EXPECT_EQ(list.Cell(1, kColOriginalFile), "c:\\\xEC\x9D\x8C\xEC\x95\x85\\a.wma");
    EXPECT_EQ(list.Image(1), kImageLocal);  // a Windows drive path
    EXPECT_EQ(list.Cell(1, kColType), "wma");

    // Saved again, the list is UTF-8 and reads back unchanged.
    const std::string again = dir.File("again.kvx");
    ASSERT_EQ(list.WriteKvxFile(again, KvxWriteMode::All), KvxWriteResult::Written);
    MediaList back(settings, nullptr);
    ASSERT_EQ(back.ReadKvxFile(again), 0);
    EXPECT_EQ(back.Cell(0, kColFile), list.Cell(0, kColFile));
    EXPECT_EQ(back.Cell(1, kColFile), list.Cell(1, kColFile));
    EXPECT_EQ(back.InfoText(), list.InfoText());
}

TEST_F(ListFilesTest, AFailedSaveIsReportedAndLeavesNoDebris)
{
    MediaList list(settings, nullptr);
    list.AddEntry("mms://h/a", "", "", "");
    EXPECT_EQ(list.WriteKvxFile(dir.File("no/such/folder/x.kvx"), KvxWriteMode::All), KvxWriteResult::Failed);
    // A path that is a folder cannot be replaced by a file.
    const std::string folder = dir.File("folder.kvx");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    EXPECT_EQ(list.WriteKvxFile(folder, KvxWriteMode::All), KvxWriteResult::Failed);
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    // No temporary files are left behind.
    EXPECT_EQ(testsupport::RunProcess({"ls", "-A", dir.path()}).out, "folder.kvx\n");
}

TEST_F(ListFilesTest, QsdImport)
{
    const std::string path = dir.File("import.qsd");
    WriteFile(path,
              "[Info]\r\nFiles=5\r\n"
              "[Folder 0]\r\nTitle=Morning\r\nPath=C:\\a\r\nUrl=mms://r.example/morning.asf\r\nName=a\r\n"
              "[Folder 1]\r\nTitle=Nothing here\r\nUrl=\r\n"
              "[Folder 2]\r\nUrl=http://r.example/evening.wmv?x=1\r\n"
              "[Folder 3]\r\nTitle=Again\r\nUrl=mms://r.example/morning.asf\r\n"
              "[Folder 4]\r\nTitle=Local\r\nUrl=/home/u/x.asf\r\n");
    MediaList list(settings, nullptr);
    EXPECT_EQ(list.ReadQsdFile(path), 5);
    ASSERT_EQ(list.RowCount(), 4);
    EXPECT_EQ(list.Cell(0, kColFile), "Morning");
    EXPECT_EQ(list.Cell(0, kColOriginalFile), "mms://r.example/morning.asf");
    EXPECT_EQ(list.Cell(1, kColFile), "evening");  // derived from the address
    EXPECT_EQ(list.Cell(2, kColFile), "Again");    // no duplicate check on import
    EXPECT_EQ(list.Cell(3, kColFile), "Local");
    for (int r = 0; r < 4; ++r)
        for (int c : {kColType, kColTime, kColPlay, kColRecord, kColSize, kColRecordingFile})
            EXPECT_EQ(list.Cell(r, c), "") << r << " " << c;
    EXPECT_EQ(list.Image(0), kImageNetwork);
    EXPECT_EQ(list.Image(3), kImageLocal);

    // "Files" below 1, or missing: nothing.
    WriteFile(path, "[Info]\nFiles=0\n[Folder 0]\nUrl=mms://x\n");
    EXPECT_EQ(list.ReadQsdFile(path), 0);
    ListReadReport report;
    WriteFile(path, "[Folder 0]\nUrl=mms://x\n");
    EXPECT_EQ(list.ReadQsdFile(path, &report), 0);
    EXPECT_NE(report.error, "");
    // A count with every entry missing still returns the count.
    WriteFile(path, "[Info]\nFiles=3\n");
    EXPECT_EQ(list.ReadQsdFile(path), 3);
    EXPECT_EQ(list.RowCount(), 4);
}

}  // namespace
