#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <set>

#include "base/app_settings.h"
#include "medialist/media_list.h"
#include "test_support.h"

namespace {

std::string Addresses(const MediaList& list)
{
    std::string text;
    for (const MediaItem& row : list.Rows())
        text += row.cells[kColOriginalFile].substr(row.cells[kColOriginalFile].rfind('/') + 1) + " ";
    return text;
}

// Every address is found at its row (so none is on two rows).
void ExpectIndexAgrees(const MediaList& list)
{
    const std::vector<MediaItem> rows = list.Rows();
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(list.FindAddress(rows[i].cells[kColOriginalFile]), int(i));
}

TEST(MediaList, DuplicatesInsertsDeletionsAndNewKeepTheAddressIndexRight)
{
    AppSettings settings;
    MediaList list(settings, nullptr);
    ASSERT_EQ(list.AddEntry("mms://m.example/live/news.asf?id=3", "", "", "NSPlayer/7.0"), 0);
    const MediaItem first = list.Row(0);
    std::string cells;
    for (const std::string& cell : first.cells)
        cells += cell + "|";
    EXPECT_EQ(cells + std::to_string(first.image),
              "news|asf|||||mms://m.example/live/news.asf?id=3|||NSPlayer/7.0|1");
    EXPECT_EQ(list.AddEntry("mms://m.example/live/news.asf?id=3", "Other", "", "x"), 0);  // changes nothing
    EXPECT_EQ(list.Row(0).cells, first.cells);
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
    EXPECT_EQ(Addresses(list), "top 0 new.asf 1 2 3 4 end ");
    EXPECT_EQ(list.Cell(2, kColFile), "new");
    ExpectIndexAgrees(list);
    list.SetCell(1, kColOriginalFile, "mms://h/edited");  // "Modify URL"
    EXPECT_EQ(list.FindAddress("mms://h/0"), -1);
    list.SetItemData(3, 77);
    list.DeleteRows({7, 2, 3, 5, 5, 42, -1}, 5);  // 3 busy, 5 playing, 42 and -1 do not exist
    EXPECT_EQ(Addresses(list), "top edited 1 2 3 4 ");
    ExpectIndexAgrees(list);
    EXPECT_EQ(list.AddEntry("mms://h/new.asf", "", "", ""), 6);  // deleted: no longer a duplicate
    settings.m_memberUser = settings.m_memberPassword = settings.m_memberAddress = "x";
    list.New(5);  // keeps the busy and the playing row, forgets the credentials
    EXPECT_EQ(Addresses(list), "1 4 ");
    ExpectIndexAgrees(list);
    EXPECT_EQ(list.ItemData(0) * 10 + list.BusyRowCount(), 771u);
    EXPECT_EQ(list.FindAddress("mms://h/new.asf"), -1);
    EXPECT_EQ(settings.m_memberUser + settings.m_memberPassword + settings.m_memberAddress, "");
}

TEST(MediaClassify, LocalPathsAndClassBits)
{
    for (const char* p : {"  /tmp/x", "~/a.wmv", "../a", "FILE:///x", "\t Y:\\a"})
        EXPECT_TRUE(IsLocalPath(p)) << p;
    for (const char* p : {"mms://h/a.asf", "z:\\a.asf", "a.asf", "~user/a", "\\\\server\\a.asf"})
        EXPECT_FALSE(IsLocalPath(p)) << p;
    EXPECT_EQ(LocalFileSystemPath("~/a.asf"), std::string(std::getenv("HOME")) + "/a.asf");
    EXPECT_EQ(LocalFileSystemPath("file:///home/u/My%20Clip.asf?x"), "/home/u/My Clip.asf");
    EXPECT_EQ(LocalFileSystemPath("file://localhost/tmp/a.asx"), "/tmp/a.asx");
    for (const char* p : {"file://otherhost/a", "file:///a%00b", "c:\\temp\\a.asf", "mms://h/a.asx"})
        EXPECT_EQ(LocalFileSystemPath(p), "") << p;

    testsupport::TempDir dir;
    const std::string d = dir.path() + "/",
                      asx = "  <ASX version=\"3.0\"><Entry><Ref href=\"mms://h/a\"/></Entry></ASX>\n";
    // Address or path, the file's content (none: not written), the class bits.
    for (const auto& [path, content, bits] : std::vector<std::tuple<std::string, std::string, uint32_t>>{
             {d + "list.kvx", "x", 0x21},
             {d + "gone.kvx", "", 0x22},
             {d, "", 0x2},  // a folder is no file
             {"mms://h/a.asx", "", 0x1202},
             {"http://h/mms://a.asx.wmx.asf.wmv.kvl", "", 0x11142},
             // A small ".asf" file whose first line holds "<asx" is a playlist.
             {d + "under.asf", "<asx>" + std::string(3066, ' '), 0x10011},
             {d + "big.asf", "<asx>" + std::string(3067, ' '), 0x10001},
             {d + "second.asf", "hello\n" + asx, 0x10001},
             {d + "list.wmv", asx, 0x40001}}) {
        if (!content.empty())
            testsupport::WriteFile(path.substr(path.find(d)), content);
        EXPECT_EQ(ClassifyEntry(path), bits) << path;
    }
}

// Rows are named by ids that are never given twice; many rows deleted at
// once are one reset, a change through Update one event.
TEST(MediaList, IdsAreNeverReusedAndChangesAreFewEvents)
{
    AppSettings settings;
    MediaList list(settings, nullptr);
    std::vector<MediaListEvent::Kind> events;
    list.SetListener([&](const MediaListEvent& e) { events.push_back(e.kind); });
    std::set<uint64_t> seen;
    for (const char* host : {"mms://h/", "mms://again/"}) {
        for (int i = 0; i < 300; ++i)
            list.AddEntry(host + std::to_string(i), "", " ", "");
        for (int r = 0; r < list.RowCount(); ++r)
            seen.insert(list.IdAt(r));
        ExpectIndexAgrees(list);
        std::vector<int> all(299);
        std::iota(all.begin(), all.end(), 0);
        events.clear();
        list.DeleteRows(all, 7);  // the playing row 7 and the last row stay
        EXPECT_EQ(events, (std::vector{MediaListEvent::AboutToReset, MediaListEvent::Reset}));
    }
    EXPECT_EQ(seen.size(), 600u) << "an id was given twice";
    // A change through Update is one event, and the id stays the list's.
    const uint64_t id = list.IdAt(1);
    events.clear();
    EXPECT_TRUE(list.Update(id, [](MediaItem& r) { r.cells[kColOriginalFile] = "mms://h/moved", r.id = 77; }));
    EXPECT_EQ(events, std::vector{MediaListEvent::Changed});
    EXPECT_EQ(list.IndexOf(id) * 10 + list.FindAddress("mms://h/moved"), 11);
    EXPECT_FALSE(list.Update(77, [](MediaItem&) {}));
    list.SetListener({});
}

}  // namespace
