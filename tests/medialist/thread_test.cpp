#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "medialist/media_list.h"
#include "record/app_settings.h"

namespace {

// The capture thread adds rows and sets titles, the URL-check thread writes
// cells, the recorder inserts rows and attaches jobs, and the main thread
// reads and deletes, all at once. Run under ThreadSanitizer in CI.
TEST(MediaListThreads, ConcurrentAddsCellWritesInsertsAndDeletes)
{
    AppSettings settings;
    MediaList list(settings, nullptr);
    std::atomic<int> inserted{0}, removed{0};
    list.SetListener([&](const MediaListEvent& e) {
        if (e.kind == MediaListEvent::Inserted)
            inserted.fetch_add(1, std::memory_order_relaxed);
        else if (e.kind == MediaListEvent::Removed)
            removed.fetch_add(1, std::memory_order_relaxed);
    });
    constexpr int kPerThread = 3000;
    std::atomic<bool> stop{false};

    std::vector<std::thread> workers;  // run to their end
    std::vector<std::thread> loops;    // run until stopped
    for (int t = 0; t < 2; ++t) {
        workers.emplace_back([&, t] {  // capture: adds, with duplicates between threads
            for (int i = 0; i < kPerThread; ++i) {
                const std::string address = "mms://cap/" + std::to_string(i);
                list.AddEntry(address, "", " ", t == 0 ? "NSPlayer/9.0" : "");
                list.SetTitleOfAddress(address, "title " + std::to_string(i));
            }
        });
    }
    loops.emplace_back([&] {  // URL check: writes the Record column of whatever is there
        for (int i = 0; !stop.load(); ++i) {
            const int n = list.RowCount();
            if (n > 0)
                list.SetCell(i % n, kColRecord, i % 2 ? "Ok" : "Error");
        }
    });
    workers.emplace_back([&] {  // recorder: inserts below a row and attaches jobs
        for (int i = 0; i < kPerThread / 10; ++i) {
            const int row = list.InsertEntry(list.RowCount() / 2, "mms://rec/" + std::to_string(i));
            list.SetItemData(row, static_cast<uint32_t>(1000 + i));
            const int found = list.FindJob(static_cast<uint32_t>(1000 + i));
            if (found >= 0)
                list.SetCell(found, kColRecordingFile, "/tmp/out.asf");
        }
    });
    loops.emplace_back([&] {  // main thread: reads and deletes rows without jobs
        while (!stop.load()) {
            const int n = list.RowCount();
            if (n > 10)
                list.DeleteRows({n - 1, n / 3}, 0);
            const MediaItem row = list.Row(n / 2);
            (void)row;
            (void)list.FindAddress("mms://cap/7");
            std::this_thread::yield();
        }
    });
    for (std::thread& t : workers)
        t.join();
    stop = true;
    for (std::thread& t : loops)
        t.join();

    // The list is consistent: each address at most once, the index agrees
    // with the rows, each job is on one row, the capture thread's first
    // address is still there unless deleted, and the listener saw every
    // insertion and removal. (A job id may land on a neighbouring row here:
    // the stress deletes rows between InsertEntry and SetItemData.)
    const std::vector<MediaItem> rows = list.Rows();
    std::set<std::string> seen;
    std::set<uint32_t> jobs;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string& address = rows[i].cells[kColOriginalFile];
        EXPECT_TRUE(seen.insert(address).second) << address;
        EXPECT_EQ(list.FindAddress(address), static_cast<int>(i));
        if (rows[i].itemData != 0) {
            EXPECT_TRUE(jobs.insert(rows[i].itemData).second);
            EXPECT_EQ(list.FindJob(rows[i].itemData), static_cast<int>(i));
        }
    }
    EXPECT_FALSE(jobs.empty());
    EXPECT_EQ(inserted.load() - removed.load(), static_cast<int>(rows.size()));
    EXPECT_GT(removed.load(), 0);
    // Everything still works afterwards.
    const int before = list.RowCount();
    EXPECT_EQ(list.AddEntry("mms://after/x", "", " ", ""), before);
    list.New(-1);
    EXPECT_EQ(list.RowCount(), static_cast<int>(jobs.size()));
}

}  // namespace
