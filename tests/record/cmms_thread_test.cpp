// The job's worker thread and its hooks, and the URL check that probes rows
// with the same object.

#include "record/cmms_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "medialist/media_list.h"
#include "record/url_check.h"
#include "scripted_clients.h"
#include "test_support.h"

using namespace scripted;
using Clock = std::chrono::steady_clock;

class CmmsThreadTest : public EngineTest {
protected:
    std::unique_ptr<CmmsThread> Start(StatusSink* owner, const std::string& url = "mms://h/a.asf")
    {
        auto job = std::make_unique<CmmsThread>(owner, 42, settings, url, "", "", "", "", Services());
        EXPECT_TRUE(job->Start());
        return job;
    }
};

TEST_F(CmmsThreadTest, HooksStoreTheValuesAndPostCodesToAnOwner)
{
    script.On(K::MmsTcp, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>&) {
        hooks.OnConnecting(r.url, 1755);
        hooks.OnHeaderReceived(r.url, 61000);
        hooks.OnProgress(1536, 2500, 65000);
        hooks.Trace("trace");
        hooks.OnText("text");
        hooks.OnCredentials("newuser", "newpass");
        hooks.OnStreamUrlFound("mms://h/found1");
        hooks.OnStreamUrlFound("mms://h/found2");
        hooks.OnFinished(1536);
        hooks.OnNoNext();
        hooks.ReportError(std::string(20000, 'e'));
        return uint32_t{1536};
    });
    for (StatusSink* owner : {static_cast<StatusSink*>(&sink), static_cast<StatusSink*>(nullptr)}) {
        auto job = Start(owner);
        job->Join();
        RecordJob& r = job->job();
        EXPECT_EQ(std::vector<uint32_t>({r.durationMs, r.bytesWritten, r.progress, r.timeMs}),
                  std::vector<uint32_t>({61000, 1536, 2500, 65000}));
        EXPECT_EQ(r.User() + ":" + r.Password(), "newuser:newpass");
        EXPECT_TRUE(r.noNext);
        EXPECT_EQ(r.ErrorText().size(), CmmsThread::kMaxErrorText);
        // Each found address is kept for its own code.
        EXPECT_EQ(r.TakeEventText(kStatusStreamUrlFound, ""), "mms://h/found1");
        EXPECT_EQ(r.TakeEventText(kStatusStreamUrlFound, ""), "mms://h/found2");
    }
    // A client's own OnFinished does not end the job, the worker's end does;
    // the job without an owner posted nothing.
    EXPECT_EQ(sink.Codes(), (std::vector<int>{kStatusConnecting, kStatusHeaderReceived, kStatusProgress,
                                              kStatusCredentials, kStatusStreamUrlFound, kStatusStreamUrlFound,
                                              kStatusFinished}));
    std::pair<uint16_t, int> post;
    ASSERT_TRUE(sink.Take(&post));
    EXPECT_EQ(post.first, 42);
}

TEST_F(CmmsThreadTest, AStopEndsASilentClientAndThePlaylist)
{
    // A client may clear its stop flag when its attempt begins: a stop that
    // lands just before that must still end the attempt.
    std::atomic<bool> started{false}, stopped{false};
    std::atomic<int> entered{0};
    script.On(K::MmsTcp, [&](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        started = true;
        WaitUntil([&] { return stopped.load(); });
        stop = false;
        return WaitForStop(&entered)(r, hooks, stop);
    });
    testsupport::WriteFile(dir.File("list.asx"), "<ASX><Entry><Ref href=\"mms://h/one.wmv\"/></Entry>"
                                                 "<Entry><Ref href=\"mms://h/two.wmv\"/></Entry></ASX>");
    auto job = Start(&sink, dir.File("list.asx"));
    WaitUntil([&] { return started.load(); });
    job->Stop();
    stopped = true;
    const auto start = Clock::now();
    job->Join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    // No other client and no other entry; the empty file is gone, and the
    // job counts as cancelled rather than failed.
    EXPECT_EQ(script.Kinds(), std::vector<K>{K::MmsTcp});
    EXPECT_FALSE(testsupport::FileExists(dir.File("one.wmv")));
    EXPECT_TRUE(job->job().stopRequested);
    EXPECT_FALSE(job->job().errorFlag);
    EXPECT_EQ(sink.Codes().back(), kStatusFinished);

    // A stop before the start runs no client at all.
    script.Clear();
    job = std::make_unique<CmmsThread>(&sink, 1, settings, "mms://h/a.asf", "", "", "", "", Services());
    job->Stop();
    ASSERT_TRUE(job->Start());
    job->Join();
    EXPECT_TRUE(script.Calls().empty());
}

class UrlCheckTest : public EngineTest {
protected:
    void SetUp() override
    {
        settings.m_memberUser = "member";
        // Addresses with "ok" in them answer; the others are refused.
        script.OnAll([](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>&) {
            if (r.url.find("ok") != std::string::npos)
                return uint32_t{100};
            hooks.ReportError("refused");
            return uint32_t{0};
        });
        // Read once the walk has been joined.
        callbacks.rowDone = [this](int row, UrlCheck::RowResult result, const std::string& error) {
            done.push_back(std::to_string(row) + " " + std::to_string(static_cast<int>(result)) + " " + error);
        };
    }
    void Add(const std::string& address, const std::string& title = "") { list.AddEntry(address, title, " ", ""); }

    MediaList list{settings, nullptr};
    UrlCheck::Callbacks callbacks;
    std::vector<std::string> done;
};

TEST_F(UrlCheckTest, TheWalkMarksNetworkRowsAndSkipsLocalOnes)
{
    testsupport::WriteFile(dir.File("local.wmv"), "x");
    Add("mms://h/ok.asf");
    Add(dir.File("local.wmv"));
    Add("http://h/bad.wmv", "(x)bad");
    Add("rtsp://h/bad", "plain");
    const std::string localRecord = list.Cell(1, kColRecord), localTitle = list.Cell(1, kColFile);
    UrlCheck check(list, Services(), callbacks);
    ASSERT_TRUE(check.Start(-1, settings));  // no selection: from row 0
    check.Wait();
    EXPECT_FALSE(check.Running());
    const std::string cells[][2] = {{"Ok", "ok"}, {localRecord, localTitle}, {"Error", "(x)bad"}, {"Error", "(x)plain"}};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(list.Cell(row, kColRecord), cells[row][0]) << row;
        EXPECT_EQ(list.Cell(row, kColFile), cells[row][1]) << row;
    }
    EXPECT_EQ(done, (std::vector<std::string>{"0 0 ", "1 2 ", "2 1 refused", "3 1 refused"}));
    for (const Call& call : script.Calls())
        EXPECT_EQ(call.user, call.kind == K::Mmsh || call.kind == K::HttpDownload ? "member" : "");
}

TEST_F(UrlCheckTest, StartsAtTheSelectedRowAndStopsAStalledProbeWhenDestroyed)
{
    Add("mms://h/ok0");
    Add("mms://h/silent");
    Add("mms://h/ok2");
    std::atomic<int> entered{0};
    script.On(K::MmsTcp, WaitForStop(&entered));
    auto check = std::make_unique<UrlCheck>(list, Services(), callbacks);
    ASSERT_TRUE(check->Start(1, settings));
    WaitUntil([&] { return entered > 0; });
    EXPECT_FALSE(check->Start(0, settings)) << "a second walk while one runs";
    EXPECT_EQ(list.Cell(1, kColRecord), "Checking");
    const auto start = Clock::now();
    check.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(entered.load(), 1);
    EXPECT_EQ(list.Cell(0, kColRecord) + list.Cell(2, kColRecord), "");
}
