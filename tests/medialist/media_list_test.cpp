#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <set>
#include <thread>

#include "medialist/media_list.h"
#include "record/app_settings.h"
#include "test_support.h"

namespace {

class MediaListTest : public ::testing::Test {
protected:
    std::string Addresses() const
    {
        std::string text;
        for (const MediaItem& row : list.Rows())
            text += row.cells[kColOriginalFile].substr(row.cells[kColOriginalFile].rfind('/') + 1) + " ";
        return text;
    }
    // Every address is found at its row.
    void ExpectIndexAgrees() const
    {
        const std::vector<MediaItem> rows = list.Rows();
        for (size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(list.FindAddress(rows[i].cells[kColOriginalFile]), int(i));
    }
    AppSettings settings;
    MediaList list{settings, nullptr};
};

TEST_F(MediaListTest, DuplicatesInsertsDeletionsAndNewKeepTheAddressIndexRight)
{
    ASSERT_EQ(list.AddEntry("mms://m.example/live/news.asf?id=3", "", "", "NSPlayer/7.0"), 0);
    const auto Cells = [&] {
        std::string text;
        for (const std::string& cell : list.Row(0).cells)
            text += cell + "|";
        return text + std::to_string(list.Image(0));
    };
    EXPECT_EQ(Cells(), "news|asf|||||mms://m.example/live/news.asf?id=3|||NSPlayer/7.0|1");
    EXPECT_EQ(list.AddEntry("mms://m.example/live/news.asf?id=3", "Other", "", "x"), 0);  // changes nothing
    EXPECT_EQ(Cells(), "news|asf|||||mms://m.example/live/news.asf?id=3|||NSPlayer/7.0|1");
    EXPECT_EQ(list.AddEntry("MMS://m.example/live/news.asf?id=3", "", "", ""), 1);  // byte for byte
    list.New(-1);
    for (int i = 0; i < 3000; ++i)  // many repeats: each returns its first row
        ASSERT_EQ(list.AddEntry("mms://h/" + std::to_string(i % 300), "", " ", ""), i % 300);
    list.New(-1);

    for (int i = 0; i < 5; ++i)
        list.AddEntry("mms://h/" + std::to_string(i), "", " ", "");
    EXPECT_EQ(list.InsertEntry(1, "mms://h/new.asf"), 1);
    EXPECT_EQ(list.InsertEntry(0, "mms://h/2"), 3);  // a duplicate is not inserted
    EXPECT_EQ(list.InsertEntry(99, "mms://h/end"), 6);
    EXPECT_EQ(list.InsertEntry(-5, "mms://h/top"), 0);
    EXPECT_EQ(Addresses(), "top 0 new.asf 1 2 3 4 end ");
    EXPECT_EQ(list.Cell(2, kColFile), "new");
    ExpectIndexAgrees();
    list.SetCell(1, kColOriginalFile, "mms://h/edited");  // "Modify URL"
    EXPECT_EQ(list.FindAddress("mms://h/0"), -1);
    list.SetItemData(3, 77);
    list.DeleteRows({7, 2, 3, 5, 5, 42, -1}, 5);  // 3 busy, 5 playing, 42 and -1 do not exist
    EXPECT_EQ(Addresses(), "top edited 1 2 3 4 ");
    ExpectIndexAgrees();
    EXPECT_EQ(list.AddEntry("mms://h/new.asf", "", "", ""), 6);  // deleted: no longer a duplicate
    settings.m_memberUser = settings.m_memberPassword = "x";
    list.New(5);  // keeps the busy and the playing row, forgets the credentials
    EXPECT_EQ(Addresses(), "1 4 ");
    ExpectIndexAgrees();
    EXPECT_EQ(list.FindJob(77), 0);
    EXPECT_EQ(list.FindAddress("mms://h/new.asf") + list.FindJob(0), -2);
    EXPECT_EQ(settings.m_memberUser + settings.m_memberPassword, "");
}

TEST_F(MediaListTest, ListenerSeesChangesInOrderAndMayUseTheList)
{
    std::string events;
    list.SetListener([&](const MediaListEvent& e) {
        events += "IRCWX"[e.kind] + std::to_string(e.row) +
                  (e.column >= 0 ? ":" + std::to_string(e.column) : "") + " ";
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
    EXPECT_EQ(events, "I0 C0:3 C0:4 W0 C0:0 I0 C0:3 R0 ");
    EXPECT_EQ(list.Cell(0, kColPlay) + "|" + list.Cell(0, kColFile), "new A|Captured");
}

TEST(MediaClassify, TypeWordsLocalPathsTitlesSizesAndClassBits)
{
    for (const auto& [path, type, title] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"mms://h/dir/news.asf?id=7/x.wmv", "asf", "news"},
             {"http://h/play.asp?f=a.wmv", "", "play"},
             {"http://h/list.asx.asf", "asx", "list.asx"},  // the first in the table's order
             {"/v/Film.MPEG", "mpeg", "Film"},
             {"c:\\music\\song.wma", "wma", "song"},
             {"mms://h/dir\\x.asf", "asf", "dir\\x"},  // "/" wins over "\"
             {"/a/.hidden", "", ".hidden"},
             {"mms://h/", "", ""}}) {
        EXPECT_EQ(TypeWordOf(path), type) << path;
        EXPECT_EQ(DeriveTitle(path), title) << path;
    }
    for (const char* p :
         {"/home/u/a.asf", "  /tmp/x", "~/a.wmv", "./a", "../a", "FILE:///x", "c:\\a.asf", "\t Y:\\a"})
        EXPECT_TRUE(IsLocalPath(p)) << p;
    for (const char* p : {"mms://h/a.asf", "z:\\a.asf", "a.asf", "c:/a", "~user/a", "", "\\\\server\\a.asf"})
        EXPECT_FALSE(IsLocalPath(p)) << p;
    EXPECT_EQ(LocalFileSystemPath("~/a.asf"), std::string(std::getenv("HOME")) + "/a.asf");
    EXPECT_EQ(LocalFileSystemPath("file:///home/u/My%20Clip.asf?x"), "/home/u/My Clip.asf");
    EXPECT_EQ(LocalFileSystemPath("file://localhost/tmp/a.asx"), "/tmp/a.asx");
    for (const char* p : {"file://otherhost/a", "file:///a%00b", "c:\\temp\\a.asf", "mms://h/a.asx"})
        EXPECT_EQ(LocalFileSystemPath(p), "") << p;
    EXPECT_EQ(ListSizeText(1023) + ListSizeText(1024) + ListSizeText(1048575) + ListSizeText(1048576) +
                  ListSizeText(5ull << 40),
              "1023B1K1023K1M5242880M");

    testsupport::TempDir dir;
    const std::string asx = "  <ASX version=\"3.0\"><Entry><Ref href=\"mms://h/a\"/></Entry></ASX>\n";
    for (const auto& [name, text] :
         std::vector<std::pair<std::string, std::string>>{{"list.kvx", "x"},
                                                          {"import.qsd", "x"},
                                                          {"list.asf", asx},
                                                          {"list.wmv", asx},
                                                          {"under.asf", "<asx>" + std::string(3066, ' ')},
                                                          {"big.asf", "<asx>" + std::string(3067, ' ')},
                                                          {"second.asf", "hello\n" + asx}})
        testsupport::WriteFile(dir.File(name), text);
    for (const auto& [path, bits] : std::vector<std::pair<std::string, uint32_t>>{
             {dir.File("list.kvx"), 0x21},
             {"file://" + dir.File("import.qsd"), 0x31},
             {dir.File("gone.kvx"), 0x22},
             {dir.path() + "/", 0x2},  // a folder is no file
             {"mms://h/a.asx", 0x1202},
             {"HTTP://h/a.WMX", 0x2102},
             {"rtsp://h/a.wvx", 0x4802},
             {"mmst://h/a.wma", 0x20402},
             {"http://h/mms://a.asx.wmx.asf.wmv.kvl", 0x11142},
             // A small ".asf" file whose first line holds "<asx" is a playlist.
             {dir.File("list.asf"), 0x10011},
             {dir.File("under.asf"), 0x10011},
             {dir.File("big.asf"), 0x10001},
             {dir.File("second.asf"), 0x10001},
             {dir.File("list.wmv"), 0x40001}})
        EXPECT_EQ(ClassifyEntry(path), bits) << path;

    // Local files get their size unless given a size switch.
    AppSettings settings;
    MediaList list(settings, nullptr);
    testsupport::WriteFile(dir.File("clip.wmv"), std::string(2048, 'x'));
    list.AddEntry(dir.File("clip.wmv"), "", "", "");
    list.AddEntry(dir.File("list.asf"), "", "0", "");
    list.InsertEntry(0, "file://" + dir.File("big.asf"));
    EXPECT_EQ(list.Cell(0, kColSize) + list.Cell(1, kColSize) + list.Cell(2, kColSize), "3K2K");
    EXPECT_EQ(list.Image(0), kImageLocal);
}

// Capture threads add rows and set titles, the URL check writes cells, the
// recorder inserts rows and attaches jobs, the main thread reads and
// deletes, all at once. CI runs this under ThreadSanitizer.
TEST(MediaListThreads, ConcurrentAddsCellWritesInsertsAndDeletes)
{
    AppSettings settings;
    MediaList list(settings, nullptr);
    std::atomic<int> rowsByEvents{0};
    list.SetListener([&](const MediaListEvent& e) {
        rowsByEvents += e.kind == MediaListEvent::Inserted ? 1 : e.kind == MediaListEvent::Removed ? -1 : 0;
    });
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers, loops;
    for (int t = 0; t < 2; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                list.AddEntry("mms://cap/" + std::to_string(i), "", " ", "");
                list.SetTitleOfAddress("mms://cap/" + std::to_string(i), "title");
            }
        });
    workers.emplace_back([&] {
        for (uint32_t i = 1; i <= 200; ++i) {
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
            if (const int n = list.RowCount(); n > 10)
                list.DeleteRows({n - 1, n / 3}, 0);
            std::this_thread::yield();
        }
    });
    for (std::thread& t : workers)
        t.join();
    stop = true;
    for (std::thread& t : loops)
        t.join();

    // Each address once, the index agrees with the rows, each job on one row
    // (possibly a neighbour: rows are deleted between insert and attach), and
    // the listener saw every change.
    const std::vector<MediaItem> rows = list.Rows();
    std::set<std::string> seen;
    std::set<uint32_t> jobs;
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_TRUE(seen.insert(rows[i].cells[kColOriginalFile]).second);
        EXPECT_EQ(list.FindAddress(rows[i].cells[kColOriginalFile]), int(i));
        if (rows[i].itemData != 0) {
            EXPECT_TRUE(jobs.insert(rows[i].itemData).second);
            EXPECT_EQ(list.FindJob(rows[i].itemData), int(i));
        }
    }
    EXPECT_FALSE(jobs.empty());
    EXPECT_EQ(rowsByEvents.load(), int(rows.size()));
    list.New(-1);
    EXPECT_EQ(list.RowCount(), int(jobs.size()));
}

}  // namespace
