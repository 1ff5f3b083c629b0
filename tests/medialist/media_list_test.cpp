#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "medialist/media_list.h"
#include "record/app_settings.h"
#include "test_support.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

class MediaListTest : public ::testing::Test {
protected:
    void AddNumbered(int n)
    {
        for (int i = 0; i < n; ++i)
            list.AddEntry("mms://h/" + std::to_string(i), "", " ", "");
    }
    AppSettings settings;
    MediaList list{settings, nullptr};
};

TEST_F(MediaListTest, AddEntryFillsTheRowAndKeepsTheFirstOfADuplicate)
{
    ASSERT_EQ(list.AddEntry("mms://m.example/live/news.asf?id=3", "", "", "NSPlayer/7.0"), 0);
    const MediaItem row = list.Row(0);
    EXPECT_EQ(row.cells[kColFile], "news");
    EXPECT_EQ(row.cells[kColType], "asf");
    EXPECT_EQ(row.cells[kColOriginalFile], "mms://m.example/live/news.asf?id=3");
    EXPECT_EQ(row.cells[kColNs], "NSPlayer/7.0");
    for (int c : {kColTime, kColPlay, kColRecord, kColSize, kColRecordingFile, kColInfo})
        EXPECT_EQ(row.cells[c], "") << c;
    EXPECT_EQ(row.image, kImageNetwork);
    EXPECT_EQ(list.AddEntry("mms://m.example/live/news.asf?id=3", "Other", "", "x"), 0);
    EXPECT_EQ(list.Cell(0, kColFile), "news");
    EXPECT_EQ(list.AddEntry("MMS://m.example/live/news.asf?id=3", "", "", ""), 1);  // byte for byte
    for (int i = 0; i < 3000; ++i)  // many repeats: each returns its first row
        ASSERT_EQ(list.AddEntry("mms://r/" + std::to_string(i % 300), "", " ", ""), 2 + i % 300);
    EXPECT_EQ(list.FindAddress("mms://nowhere"), -1);
}

TEST_F(MediaListTest, InsertsEditsAndDeletionsKeepTheAddressIndexRight)
{
    AddNumbered(3);
    EXPECT_EQ(list.InsertEntry(1, "mms://h/new.asf"), 1);
    EXPECT_EQ(list.Cell(1, kColFile), "new");
    for (const auto& [address, row] : std::vector<std::pair<std::string, int>>{
             {"mms://h/0", 0}, {"mms://h/new.asf", 1}, {"mms://h/1", 2}, {"mms://h/2", 3}})
        EXPECT_EQ(list.FindAddress(address), row) << address;
    EXPECT_EQ(list.InsertEntry(0, "mms://h/2"), 3);  // a duplicate is not inserted
    EXPECT_EQ(list.InsertEntry(99, "mms://h/end"), 4);
    EXPECT_EQ(list.InsertEntry(-5, "mms://h/top"), 0);
    EXPECT_EQ(list.FindAddress("mms://h/end"), 5);

    list.SetCell(1, kColOriginalFile, "mms://h/edited");  // "Modify URL"
    EXPECT_EQ(list.FindAddress("mms://h/0"), -1);
    EXPECT_EQ(list.FindAddress("mms://h/edited"), 1);
    list.DeleteRows({0, 2}, -1);
    EXPECT_EQ(list.FindAddress("mms://h/edited"), 0);
    EXPECT_EQ(list.FindAddress("mms://h/1"), 1);
    EXPECT_EQ(list.AddEntry("mms://h/new.asf", "", "", ""), 4);  // deleted: no longer a duplicate
}

TEST_F(MediaListTest, DeleteAndNewKeepBusyAndPlayingRows)
{
    AddNumbered(6);
    list.SetItemData(1, 77);
    EXPECT_EQ(list.FindJob(77), 1);
    EXPECT_EQ(list.FindJob(0), -1);
    list.DeleteRows({5, 1, 3, 3, 42, -1}, 3);  // 1 busy, 3 playing, 42 and -1 do not exist
    ASSERT_EQ(list.RowCount(), 5);
    EXPECT_EQ(list.Cell(3, kColOriginalFile), "mms://h/3");
    settings.m_memberUser = "u";
    settings.m_memberPassword = "p";
    list.New(3);  // rows: 0 1(busy) 2 3(playing) 4
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(0, kColOriginalFile), "mms://h/1");
    EXPECT_EQ(list.Cell(1, kColOriginalFile), "mms://h/3");
    EXPECT_EQ(list.FindJob(77), 0);
    EXPECT_EQ(settings.m_memberUser + settings.m_memberPassword, "");
    list.SetItemData(0, 0);
    list.New(-1);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(MediaListTest, ListenerSeesChangesInOrderAndMayUseTheList)
{
    std::vector<std::string> events;
    list.SetListener([&](const MediaListEvent& e) {
        events.push_back(std::to_string(e.kind) + ":" + std::to_string(e.row) + ":" + std::to_string(e.column));
        // Called outside the lock: reading and even changing the list here works.
        if (e.kind == MediaListEvent::Inserted && list.Cell(e.row, kColPlay).empty())
            list.SetCell(e.row, kColPlay, "new " + list.Cell(e.row, kColFile));
    });
    list.AddEntry("mms://h/a", "A", "", "");
    list.AddEntry("mms://h/a", "dup", "", "");  // no event
    list.SetCell(0, kColRecord, "x");
    list.SetCell(0, kColRecord, "x");  // unchanged: no event
    list.SetItemData(0, 5);
    list.SetTitleOfAddress("mms://h/a", "Captured");
    list.InsertEntry(0, "mms://h/c");
    list.DeleteRows({0, 1}, -1);  // row 1 is busy
    const std::string I = std::to_string(MediaListEvent::Inserted), C = std::to_string(MediaListEvent::CellChanged),
                      R = std::to_string(MediaListEvent::RowChanged), D = std::to_string(MediaListEvent::Removed);
    EXPECT_EQ(events, (std::vector<std::string>{I + ":0:-1", C + ":0:3", C + ":0:4", R + ":0:-1", C + ":0:0",
                                                I + ":0:-1", C + ":0:3", D + ":0:-1"}));
    EXPECT_EQ(list.Cell(0, kColPlay), "new A");
    EXPECT_EQ(list.Cell(0, kColFile), "Captured");
}

TEST(MediaClassify, TypeWordsLocalTestTitlesAndSizeText)
{
    EXPECT_EQ(TypeWordOf("mms://h/a.asf?x=.wmv"), "asf");
    EXPECT_EQ(TypeWordOf("http://h/play.asp?f=a.wmv"), "");
    EXPECT_EQ(TypeWordOf("http://h/list.asx.asf"), "asx");  // first in the table's order
    EXPECT_EQ(TypeWordOf("/v/Film.MPEG"), "mpeg");
    EXPECT_EQ(TypeWordOf("/v/lists.kvx"), "kvx");
    for (const char* p : {"/home/u/a.asf", "  /tmp/x", "~/a.wmv", "./a", "../a", "FILE:///x", "c:\\a.asf", "\t Y:\\a"})
        EXPECT_TRUE(IsLocalPath(p)) << p;
    for (const char* p : {"mms://h/a.asf", "z:\\a.asf", "a.asf", "c:/a", "~user/a", "", "\\\\server\\a.asf"})
        EXPECT_FALSE(IsLocalPath(p)) << p;
    EXPECT_EQ(LocalFileSystemPath("~/a.asf"), std::string(std::getenv("HOME")) + "/a.asf");
    EXPECT_EQ(LocalFileSystemPath("file:///home/u/My%20Clip.asf?x"), "/home/u/My Clip.asf");
    EXPECT_EQ(LocalFileSystemPath("file://localhost/tmp/a.asx"), "/tmp/a.asx");
    for (const char* p : {"file://otherhost/a", "file:///a%00b", "c:\\temp\\a.asf", "mms://h/a.asx"})
        EXPECT_EQ(LocalFileSystemPath(p), "") << p;
    EXPECT_EQ(DeriveTitle("mms://h/dir/news.asf?id=7/x.y"), "news");
    EXPECT_EQ(DeriveTitle("c:\\music\\song.wma"), "song");
    EXPECT_EQ(DeriveTitle("mms://h/dir\\x.asf"), "dir\\x");  // "/" wins over "\"
    EXPECT_EQ(DeriveTitle("/a/archive.tar.gz"), "archive.tar");
    EXPECT_EQ(DeriveTitle("/a/.hidden"), ".hidden");
    EXPECT_EQ(DeriveTitle("mms://h/"), "");
    EXPECT_EQ(ListSizeText(1023), "1023B");
    EXPECT_EQ(ListSizeText(1024), "1K");
    EXPECT_EQ(ListSizeText(1048575), "1023K");
    EXPECT_EQ(ListSizeText(1048576), "1M");
    EXPECT_EQ(ListSizeText(5ull << 40), "5242880M");
}

TEST(MediaClassify, ClassificationBitsAndLocalSizes)
{
    TempDir dir;
    for (const char* name : {"list.kvx", "import.qsd"})
        WriteFile(dir.File(name), "x");
    EXPECT_EQ(ClassifyEntry(dir.File("list.kvx")), 0x21u);
    EXPECT_EQ(ClassifyEntry("file://" + dir.File("import.qsd")), 0x31u);
    EXPECT_EQ(ClassifyEntry(dir.File("missing.kvx")), 0x22u);
    EXPECT_EQ(ClassifyEntry(dir.path() + "/"), 0x2u);  // a folder is no file
    EXPECT_EQ(ClassifyEntry("mms://h/a.asx"), 0x1202u);
    EXPECT_EQ(ClassifyEntry("HTTP://h/a.WMX"), 0x2102u);
    EXPECT_EQ(ClassifyEntry("rtsp://h/a.wvx"), 0x4802u);
    EXPECT_EQ(ClassifyEntry("mmst://h/a.wma"), 0x20402u);
    EXPECT_EQ(ClassifyEntry("http://h/mms://a.asx.wmx.asf.wmv.kvl"), 0x11142u);
    // A small ".asf" file whose first line holds "<asx" is a playlist.
    const std::string asx = "  <ASX version=\"3.0\"><Entry><Ref href=\"mms://h/a\"/></Entry></ASX>\n";
    WriteFile(dir.File("list.asf"), asx);
    WriteFile(dir.File("under.asf"), "<asx>" + std::string(3066, ' '));
    WriteFile(dir.File("big.asf"), "<asx>" + std::string(3067, ' '));
    WriteFile(dir.File("second.asf"), "hello\n" + asx);
    WriteFile(dir.File("list.wmv"), asx);
    EXPECT_EQ(ClassifyEntry(dir.File("list.asf")), 0x10011u);
    EXPECT_EQ(ClassifyEntry(dir.File("under.asf")), 0x10011u);
    EXPECT_EQ(ClassifyEntry(dir.File("big.asf")), 0x10001u);
    EXPECT_EQ(ClassifyEntry(dir.File("second.asf")), 0x10001u);
    EXPECT_EQ(ClassifyEntry(dir.File("list.wmv")), 0x40001u);

    // Add entry looks up the size of local files unless given a size switch.
    AppSettings settings;
    MediaList list(settings, nullptr);
    WriteFile(dir.File("clip.wmv"), std::string(2048, 'x'));
    list.AddEntry(dir.File("clip.wmv"), "", "", "");
    list.AddEntry(dir.File("list.asf"), "", "0", "");
    list.InsertEntry(0, "file://" + dir.File("big.asf"));
    EXPECT_EQ(list.Cell(1, kColSize), "2K");
    EXPECT_EQ(list.Cell(2, kColSize), "");
    EXPECT_EQ(list.Cell(0, kColSize), "3K");
    EXPECT_EQ(list.Image(0), kImageLocal);
}

// The capture threads add rows and set titles, the URL check writes cells,
// the recorder inserts rows and attaches jobs, the main thread reads and
// deletes, all at once. CI runs this under ThreadSanitizer.
TEST(MediaListThreads, ConcurrentAddsCellWritesInsertsAndDeletes)
{
    AppSettings settings;
    MediaList list(settings, nullptr);
    std::atomic<int> inserted{0}, removed{0};
    list.SetListener([&](const MediaListEvent& e) {
        if (e.kind == MediaListEvent::Inserted)
            ++inserted;
        else if (e.kind == MediaListEvent::Removed)
            ++removed;
    });
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers, loops;
    for (int t = 0; t < 2; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < 3000; ++i) {
                list.AddEntry("mms://cap/" + std::to_string(i), "", " ", "");
                list.SetTitleOfAddress("mms://cap/" + std::to_string(i), "title");
            }
        });
    workers.emplace_back([&] {
        for (uint32_t i = 1; i <= 300; ++i) {
            list.SetItemData(list.InsertEntry(list.RowCount() / 2, "mms://rec/" + std::to_string(i)), i);
            list.SetCell(list.FindJob(i), kColRecordingFile, "/tmp/out.asf");
        }
    });
    loops.emplace_back([&] {
        for (int i = 0; !stop; ++i)
            if (const int n = list.RowCount(); n > 0)
                list.SetCell(i % n, kColRecord, i % 2 ? "Ok" : "Error");
    });
    loops.emplace_back([&] {
        while (!stop) {
            const int n = list.RowCount();
            if (n > 10)
                list.DeleteRows({n - 1, n / 3}, 0);
            (void)list.Row(n / 2);
            std::this_thread::yield();
        }
    });
    for (std::thread& t : workers)
        t.join();
    stop = true;
    for (std::thread& t : loops)
        t.join();

    // Consistent afterwards: each address once, the index agrees with the
    // rows, each job on one row, and the listener saw every change. (A job
    // may land on a neighbour: rows are deleted between insert and attach.)
    const std::vector<MediaItem> rows = list.Rows();
    std::set<std::string> seen;
    std::set<uint32_t> jobs;
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_TRUE(seen.insert(rows[i].cells[kColOriginalFile]).second);
        EXPECT_EQ(list.FindAddress(rows[i].cells[kColOriginalFile]), static_cast<int>(i));
        if (rows[i].itemData != 0) {
            EXPECT_TRUE(jobs.insert(rows[i].itemData).second);
            EXPECT_EQ(list.FindJob(rows[i].itemData), static_cast<int>(i));
        }
    }
    EXPECT_FALSE(jobs.empty());
    EXPECT_GT(removed.load(), 0);
    EXPECT_EQ(inserted.load() - removed.load(), static_cast<int>(rows.size()));
    list.New(-1);
    EXPECT_EQ(list.RowCount(), static_cast<int>(jobs.size()));
}

}  // namespace
