#include "record/url_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "medialist/media_list.h"
#include "scripted_clients.h"
#include "test_support.h"

using K = ClientKind;
using Result = UrlCheck::RowResult;

namespace {

class UrlCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.m_memberUser = "member";
        settings.m_memberPassword = "secret";
        services.factory = scripted::Factory(script);
        callbacks.rowDone = [this](int row, Result r, const std::string& error) {
            std::lock_guard lock(mutex);
            done.emplace_back(row, r);
            errors.push_back(error);
        };
        // Addresses with "ok" in them answer; the others do not.
        for (K k : {K::MmsTcp, K::Rtsp, K::Mmsh, K::HttpDownload}) {
            script->On(k, [](K, const RecordRequest& r, ClientHooks& hooks, const std::atomic<bool>&) {
                if (r.url.find("ok") != std::string::npos)
                    return uint32_t{100};
                hooks.ReportError("refused");
                return uint32_t{0};
            });
        }
    }
    std::vector<std::pair<int, Result>> Done()
    {
        std::lock_guard lock(mutex);
        return done;
    }

    testsupport::TempDir dir;
    AppSettings settings;
    MediaList list{settings, nullptr};
    std::shared_ptr<scripted::Script> script = std::make_shared<scripted::Script>();
    JobServices services;
    UrlCheck::Callbacks callbacks;
    std::mutex mutex;
    std::vector<std::pair<int, Result>> done;
    std::vector<std::string> errors;
};

}  // namespace

TEST_F(UrlCheckTest, WalkMarksNetworkRowsAndSkipsLocalOnes)
{
    testsupport::WriteFile(dir.File("local.wmv"), "x");
    list.AddEntry("mms://h/ok.asf", "", " ", "");
    list.AddEntry(dir.File("local.wmv"), "", " ", "");
    list.AddEntry("http://h/bad.wmv", "(x)bad", " ", "");
    list.AddEntry("rtsp://h/bad", "plain", " ", "");
    const std::string localRecord = list.Cell(1, kColRecord);
    const std::string localTitle = list.Cell(1, kColFile);

    UrlCheck check(list, services, callbacks);
    ASSERT_TRUE(check.Start(-1, settings));  // no selection: from row 0
    check.Wait();
    EXPECT_FALSE(check.Running());

    EXPECT_EQ(list.Cell(0, kColRecord), "Ok");
    EXPECT_EQ(list.Cell(0, kColFile), "ok");
    EXPECT_EQ(list.Cell(1, kColRecord), localRecord);
    EXPECT_EQ(list.Cell(1, kColFile), localTitle);
    EXPECT_EQ(list.Cell(2, kColRecord), "Error");
    EXPECT_EQ(list.Cell(2, kColFile), "(x)bad");  // a single prefix
    EXPECT_EQ(list.Cell(3, kColRecord), "Error");
    EXPECT_EQ(list.Cell(3, kColFile), "(x)plain");
    EXPECT_EQ(Done(), (std::vector<std::pair<int, Result>>{
                          {0, Result::Ok}, {1, Result::Skipped}, {2, Result::Error}, {3, Result::Error}}));
    EXPECT_EQ(errors, (std::vector<std::string>{"", "", "refused", "refused"}));

    // The probes had no file, the member credentials, and rtsp:// went to
    // RTSP first.
    bool sawRtsp = false;
    for (const scripted::Call& c : script->Calls()) {
        EXPECT_FALSE(c.hasFile);
        if (c.kind == K::Mmsh || c.kind == K::HttpDownload) {
            EXPECT_EQ(c.user, "member");
        }
        if (c.url == "rtsp://h/bad" && !sawRtsp) {
            EXPECT_EQ(c.kind, K::Rtsp);
            sawRtsp = true;
        }
    }
    EXPECT_TRUE(sawRtsp);
}

TEST_F(UrlCheckTest, StartsAtTheSelectedRowAndRefusesASecondStart)
{
    list.AddEntry("mms://h/bad0", "", " ", "");
    list.AddEntry("mms://h/bad1", "", " ", "");
    list.AddEntry("mms://h/ok2", "", " ", "");

    // The first probe waits for a gate, so the walk is surely running.
    std::mutex gateMutex;
    std::condition_variable gateCv;
    bool open = false;
    std::atomic<int> entered{0};
    script->On(K::MmsTcp, [&](K, const RecordRequest& r, ClientHooks&, const std::atomic<bool>&) {
        ++entered;
        std::unique_lock lock(gateMutex);
        gateCv.wait(lock, [&] { return open; });
        return r.url.find("ok") != std::string::npos ? uint32_t{1} : uint32_t{0};
    });
    UrlCheck check(list, services, callbacks);
    ASSERT_TRUE(check.Start(1, settings));
    while (entered == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_TRUE(check.Running());
    EXPECT_FALSE(check.Start(0, settings));
    EXPECT_EQ(list.Cell(1, kColRecord), "Checking");

    // Stop while row 1 is probed: row 1 still gets its result, row 2 none.
    check.Stop();
    {
        std::lock_guard lock(gateMutex);
        open = true;
    }
    gateCv.notify_all();
    check.Wait();
    EXPECT_EQ(list.Cell(0, kColRecord), "");
    EXPECT_EQ(list.Cell(1, kColRecord), "Error");
    EXPECT_EQ(list.Cell(2, kColRecord), "");

    // A new walk may start once the last has ended.
    ASSERT_TRUE(check.Start(2, settings));
    check.Wait();
    EXPECT_EQ(list.Cell(2, kColRecord), "Ok");
}

TEST_F(UrlCheckTest, DestroyingTheCheckStopsAStalledProbe)
{
    list.AddEntry("mms://h/silent", "", " ", "");
    list.AddEntry("mms://h/never", "", " ", "");
    std::atomic<int> entered{0};
    script->On(K::MmsTcp, scripted::WaitForStop(&entered));
    auto check = std::make_unique<UrlCheck>(list, services, callbacks);
    ASSERT_TRUE(check->Start(0, settings));
    while (entered == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    auto start = std::chrono::steady_clock::now();
    check.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(entered.load(), 1);
    EXPECT_EQ(list.Cell(1, kColRecord), "");
}
