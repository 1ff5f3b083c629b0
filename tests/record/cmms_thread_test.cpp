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

class CmmsThreadTest : public ::testing::Test {
protected:
    void SetUp() override { settings.m_baseDir = dir.path(); }
    std::unique_ptr<CmmsThread> Make(StatusSink* owner)
    {
        return std::make_unique<CmmsThread>(owner, 42, settings, "mms://h/a.asf", "", "", "", "",
                                            script.Services());
    }

    testsupport::TempDir dir;
    AppSettings settings;
    Script script;
    Sink sink;
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
        auto job = Make(owner);
        ASSERT_TRUE(job->Start());
        job->Join();
        RecordJob& r = job->job();
        EXPECT_EQ(r.durationMs, 61000u);
        EXPECT_EQ(r.bytesWritten, 1536u);
        EXPECT_EQ(r.progress, 2500u);
        EXPECT_EQ(r.timeMs, 65000u);
        EXPECT_EQ(r.User(), "newuser");
        EXPECT_EQ(r.Password(), "newpass");
        EXPECT_TRUE(r.noNext);
        EXPECT_EQ(r.ErrorText().size(), CmmsThread::kMaxErrorText);
        // Each found address is kept for its own code.
        EXPECT_EQ(r.TakeEventText(kStatusStreamUrlFound, ""), "mms://h/found1");
        EXPECT_EQ(r.TakeEventText(kStatusStreamUrlFound, ""), "mms://h/found2");
    }
    // A client's own OnFinished does not end the job, the worker's end does;
    // the job without an owner posted nothing.
    const std::vector<std::pair<uint16_t, int>> expected = {
        {42, kStatusConnecting},     {42, kStatusHeaderReceived}, {42, kStatusProgress}, {42, kStatusCredentials},
        {42, kStatusStreamUrlFound}, {42, kStatusStreamUrlFound}, {42, kStatusFinished}};
    EXPECT_EQ(sink.Posts(), expected);
}

TEST_F(CmmsThreadTest, AStopReachesASilentClientThatClearsItsFlagOnStart)
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
    auto job = Make(&sink);
    ASSERT_TRUE(job->Start());
    WaitUntil([&] { return started.load(); });
    job->Stop();
    stopped = true;
    const auto start = Clock::now();
    job->Join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    // No further client tried; the empty file is gone, and the job counts
    // as cancelled rather than failed.
    EXPECT_EQ(script.Kinds(), std::vector<K>{K::MmsTcp});
    EXPECT_FALSE(testsupport::FileExists(dir.File("a.asf")));
    EXPECT_TRUE(job->job().stopRequested);
    EXPECT_FALSE(job->job().errorFlag);
    EXPECT_EQ(sink.Codes().back(), kStatusFinished);

    // A stop before the start runs no client at all.
    script.Clear();
    job = Make(&sink);
    job->Stop();
    ASSERT_TRUE(job->Start());
    job->Join();
    EXPECT_TRUE(script.Calls().empty());
}

class UrlCheckTest : public CmmsThreadTest {
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

TEST_F(UrlCheckTest, WalkMarksNetworkRowsAndSkipsLocalOnes)
{
    testsupport::WriteFile(dir.File("local.wmv"), "x");
    Add("mms://h/ok.asf");
    Add(dir.File("local.wmv"));
    Add("http://h/bad.wmv", "(x)bad");
    Add("rtsp://h/bad", "plain");
    const std::string localRecord = list.Cell(1, kColRecord), localTitle = list.Cell(1, kColFile);
    UrlCheck check(list, script.Services(), callbacks);
    ASSERT_TRUE(check.Start(-1, settings));  // no selection: from row 0
    check.Wait();
    EXPECT_FALSE(check.Running());
    const std::vector<std::pair<std::string, std::string>> cells = {
        {"Ok", "ok"}, {localRecord, localTitle}, {"Error", "(x)bad"}, {"Error", "(x)plain"}};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(list.Cell(row, kColRecord), cells[row].first) << row;
        EXPECT_EQ(list.Cell(row, kColFile), cells[row].second) << row;
    }
    EXPECT_EQ(done, (std::vector<std::string>{"0 0 ", "1 2 ", "2 1 refused", "3 1 refused"}));
    for (const Call& call : script.Calls())
        EXPECT_EQ(call.user, call.kind == K::Mmsh || call.kind == K::HttpDownload ? "member" : "");
}

TEST_F(UrlCheckTest, StartsAtTheSelectedRowAndStopsAfterTheRowBeingProbed)
{
    Add("mms://h/bad0");
    Add("mms://h/bad1");
    Add("mms://h/ok2");
    std::atomic<bool> open{false};
    std::atomic<int> entered{0};
    script.On(K::MmsTcp, [&](const RecordRequest& r, ClientHooks&, std::atomic<bool>&) {
        ++entered;
        WaitUntil([&] { return open.load(); });
        return r.url.find("ok") != std::string::npos ? uint32_t{1} : uint32_t{0};
    });
    UrlCheck check(list, script.Services(), callbacks);
    ASSERT_TRUE(check.Start(1, settings));
    WaitUntil([&] { return entered > 0; });
    EXPECT_FALSE(check.Start(0, settings)) << "a second walk while one runs";
    EXPECT_EQ(list.Cell(1, kColRecord), "Checking");
    check.Stop();
    open = true;
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
    Add("mms://h/silent");
    Add("mms://h/never");
    std::atomic<int> entered{0};
    script.On(K::MmsTcp, WaitForStop(&entered));
    auto check = std::make_unique<UrlCheck>(list, script.Services(), callbacks);
    ASSERT_TRUE(check->Start(0, settings));
    WaitUntil([&] { return entered > 0; });
    const auto start = Clock::now();
    check.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(entered.load(), 1);
    EXPECT_EQ(list.Cell(1, kColRecord), "");
}
