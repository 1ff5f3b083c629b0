#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "medialist/media_list.h"
#include "record/app_settings.h"

namespace {

class MediaListTest : public ::testing::Test {
protected:
    AppSettings settings;
    MediaList list{settings, nullptr};
};

TEST_F(MediaListTest, AddEntryFillsTheRowAndKeepsTheFirstOfADuplicate)
{
    const int a = list.AddEntry("mms://media.example/live/news.asf?id=3", "", "", "NSPlayer/7.0");
    ASSERT_EQ(a, 0);
    const MediaItem row = list.Row(0);
    EXPECT_EQ(row.cells[kColFile], "news");
    EXPECT_EQ(row.cells[kColType], "asf");
    EXPECT_EQ(row.cells[kColOriginalFile], "mms://media.example/live/news.asf?id=3");
    EXPECT_EQ(row.cells[kColNs], "NSPlayer/7.0");
    for (int c : {kColTime, kColPlay, kColRecord, kColSize, kColRecordingFile, kColInfo})
        EXPECT_EQ(row.cells[c], "") << c;
    EXPECT_EQ(row.image, kImageNetwork);
    EXPECT_EQ(row.itemData, 0u);

    EXPECT_EQ(list.AddEntry("mms://other/b.wmv", "B", "", ""), 1);
    // The same address again: the first row, nothing changed.
    EXPECT_EQ(list.AddEntry("mms://media.example/live/news.asf?id=3", "Other title", "", "x"), 0);
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(0, kColFile), "news");
    EXPECT_EQ(list.Cell(0, kColNs), "NSPlayer/7.0");
    // Byte for byte: a different case is a different address.
    EXPECT_EQ(list.AddEntry("MMS://other/b.wmv", "", "", ""), 2);
    EXPECT_EQ(list.FindAddress("mms://other/b.wmv"), 1);
    EXPECT_EQ(list.FindAddress("mms://nowhere"), -1);
}

TEST_F(MediaListTest, InsertEntryShiftsTheRowsBelowAndTheAddressIndex)
{
    list.AddEntry("mms://h/0", "", "", "");
    list.AddEntry("mms://h/1", "", "", "");
    list.AddEntry("mms://h/2", "", "", "");
    EXPECT_EQ(list.InsertEntry(1, "mms://h/new.asf"), 1);
    EXPECT_EQ(list.RowCount(), 4);
    EXPECT_EQ(list.Cell(1, kColFile), "new");
    EXPECT_EQ(list.Cell(1, kColType), "asf");
    EXPECT_EQ(list.FindAddress("mms://h/0"), 0);
    EXPECT_EQ(list.FindAddress("mms://h/new.asf"), 1);
    EXPECT_EQ(list.FindAddress("mms://h/1"), 2);
    EXPECT_EQ(list.FindAddress("mms://h/2"), 3);
    // A duplicate is not inserted; positions out of range are clamped.
    EXPECT_EQ(list.InsertEntry(0, "mms://h/2"), 3);
    EXPECT_EQ(list.InsertEntry(99, "mms://h/end"), 4);
    EXPECT_EQ(list.InsertEntry(-5, "mms://h/top"), 0);
    EXPECT_EQ(list.FindAddress("mms://h/end"), 5);
    EXPECT_EQ(list.Cell(5, kColOriginalFile), "mms://h/end");
}

TEST_F(MediaListTest, AddressEditsAndDeletionsKeepLookupsRight)
{
    for (int i = 0; i < 5; ++i)
        list.AddEntry("mms://h/" + std::to_string(i), "", "", "");
    list.SetCell(1, kColOriginalFile, "mms://h/edited");  // "Modify URL"
    EXPECT_EQ(list.FindAddress("mms://h/1"), -1);
    EXPECT_EQ(list.FindAddress("mms://h/edited"), 1);
    EXPECT_EQ(list.AddEntry("mms://h/1", "", "", ""), 5);  // no longer a duplicate

    list.DeleteRows({0, 2}, -1);
    EXPECT_EQ(list.RowCount(), 4);
    EXPECT_EQ(list.FindAddress("mms://h/edited"), 0);
    EXPECT_EQ(list.FindAddress("mms://h/3"), 1);
    EXPECT_EQ(list.FindAddress("mms://h/2"), -1);
    EXPECT_EQ(list.AddEntry("mms://h/0", "", "", ""), 4);
}

TEST_F(MediaListTest, DeleteAndNewKeepBusyAndPlayingRows)
{
    for (int i = 0; i < 6; ++i)
        list.AddEntry("mms://h/" + std::to_string(i), "", "", "");
    list.SetItemData(1, 77);  // recording
    EXPECT_EQ(list.FindJob(77), 1);
    EXPECT_EQ(list.FindJob(0), -1);
    EXPECT_EQ(list.FindJob(78), -1);

    list.DeleteRows({5, 1, 3, 3, 42, -1}, 3);  // 1 busy, 3 playing, 42 and -1 do not exist
    ASSERT_EQ(list.RowCount(), 5);
    EXPECT_EQ(list.Cell(1, kColOriginalFile), "mms://h/1");
    EXPECT_EQ(list.Cell(3, kColOriginalFile), "mms://h/3");
    EXPECT_EQ(list.Cell(4, kColOriginalFile), "mms://h/4");

    settings.m_memberUser = "u";
    settings.m_memberPassword = "p";
    list.New(3);  // rows now: 0 1(busy) 2 3(playing) 4
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(0, kColOriginalFile), "mms://h/1");
    EXPECT_EQ(list.Cell(1, kColOriginalFile), "mms://h/3");
    EXPECT_EQ(list.FindJob(77), 0);
    EXPECT_EQ(settings.m_memberUser, "");
    EXPECT_EQ(settings.m_memberPassword, "");

    list.SetItemData(0, 0);  // the job ended
    EXPECT_EQ(list.FindJob(77), -1);
    list.New(-1);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(MediaListTest, CellsTitlesAndImages)
{
    list.AddEntry("mms://h/a.asf", "", "", "");
    list.SetTitleOfAddress("mms://h/a.asf", "Captured title");
    list.SetTitleOfAddress("mms://h/unknown", "ignored");
    EXPECT_EQ(list.Cell(0, kColFile), "Captured title");
    list.SetCell(0, kColRecord, "50.00%");
    EXPECT_EQ(list.Cell(0, kColRecord), "50.00%");
    list.SetImage(0, kImageRecorded);
    EXPECT_EQ(list.Image(0), kImageRecorded);
    // Out of range: harmless.
    list.SetCell(3, 0, "x");
    list.SetCell(0, kColumnCount, "x");
    list.SetImage(-1, 1);
    EXPECT_EQ(list.Cell(0, -1), "");
    EXPECT_EQ(list.Cell(9, 0), "");
    EXPECT_EQ(list.Row(9).cells[kColOriginalFile], "");
    EXPECT_EQ(list.ItemData(9), 0u);
    list.SetInfoText("my list");
    EXPECT_EQ(list.InfoText(), "my list");
}

TEST_F(MediaListTest, ListenerSeesChangesInOrderAndMayReadAndChangeTheList)
{
    std::vector<MediaListEvent> events;
    std::vector<std::string> seenTitles;
    list.SetListener([&](const MediaListEvent& e) {
        events.push_back(e);
        // Called outside the lock: reading the list here must not deadlock.
        if (e.kind == MediaListEvent::Inserted)
            seenTitles.push_back(list.Cell(e.row, kColFile));
        // A listener may also change the list (here: mark new rows).
        if (e.kind == MediaListEvent::Inserted)
            list.SetCell(e.row, kColPlay, "new");
    });
    list.AddEntry("mms://h/a", "A", "", "");
    list.AddEntry("mms://h/b", "B", "", "");
    list.AddEntry("mms://h/a", "dup", "", "");  // no event
    list.SetCell(1, kColRecord, "x");
    list.SetCell(1, kColRecord, "x");  // unchanged: no event
    list.SetItemData(1, 5);
    list.InsertEntry(0, "mms://h/c");
    list.DeleteRows({0, 1, 2}, -1);  // row 2 is busy

    EXPECT_EQ(seenTitles, (std::vector<std::string>{"A", "B", "c"}));
    EXPECT_EQ(list.Cell(0, kColPlay), "new");
    struct Expect {
        MediaListEvent::Kind kind;
        int row, column;
    };
    const std::vector<Expect> expected = {
        {MediaListEvent::Inserted, 0, -1},    {MediaListEvent::CellChanged, 0, kColPlay},
        {MediaListEvent::Inserted, 1, -1},    {MediaListEvent::CellChanged, 1, kColPlay},
        {MediaListEvent::CellChanged, 1, kColRecord}, {MediaListEvent::RowChanged, 1, -1},
        {MediaListEvent::Inserted, 0, -1},    {MediaListEvent::CellChanged, 0, kColPlay},
        {MediaListEvent::Removed, 1, -1},     {MediaListEvent::Removed, 0, -1},
    };
    ASSERT_EQ(events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(events[i].kind, expected[i].kind) << i;
        EXPECT_EQ(events[i].row, expected[i].row) << i;
        EXPECT_EQ(events[i].column, expected[i].column) << i;
    }
    // The busy row ("b") is kept.
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Cell(0, kColOriginalFile), "mms://h/b");
}

TEST_F(MediaListTest, RepeatedAddsReturnTheFirstRows)
{
    // Repeated adds of the same addresses, with the index exercised by
    // appends only: each address keeps its first row.
    for (int i = 0; i < 20000; ++i)
        EXPECT_EQ(list.AddEntry("mms://h/" + std::to_string(i % 1000), "", " ", ""), i % 1000);
    EXPECT_EQ(list.RowCount(), 1000);
    EXPECT_EQ(list.FindAddress("mms://h/999"), 999);
}

}  // namespace
