// The job's worker thread and its hooks, and the URL check that probes rows
// with the same object.

#include "record/cmms_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "medialist/media_list.h"
#include "medialist/row_status.h"
#include "record/url_check.h"
#include "scripted_clients.h"
#include "task_queue.h"
#include "test_support.h"

using namespace scripted;
using Clock = std::chrono::steady_clock;
using CmmsThreadTest = EngineTest;

// The hooks keep what a client reports on the job, bounded, and post each
// report with its own data: two found addresses arrive as two addresses. A
// client's own OnFinished does not end the job, the worker's end does.
TEST_F(CmmsThreadTest, HooksKeepTheReportsAndPostEachWithItsData)
{
    script.On(K::MmsTcp, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>&) {
        hooks.OnHeaderReceived(r.url, 61000);
        hooks.OnProgress(1536, 2500, 65000);
        hooks.OnCredentials("newuser", "newpass");
        hooks.OnStreamUrlFound("mms://h/found1");
        hooks.OnStreamUrlFound("mms://h/found2");
        hooks.OnFinished(1536);
        hooks.OnStreamEnd(StreamEnd::EndOfStream, 7);
        hooks.ReportError(std::string(20000, 'e'));
        return uint64_t{1536};
    });
    CmmsThread job(&sink, 42, settings, "mms://h/a.asf", "", "", "", "", Services());
    ASSERT_TRUE(job.Start());
    job.Join();
    RecordJob& r = job.job();
    EXPECT_EQ(std::vector<uint64_t>({r.durationMs, r.bytesWritten, r.progress, r.timeMs, r.dataPackets}),
              std::vector<uint64_t>({61000, 1536, 2500, 65000, 7}));
    EXPECT_EQ(r.User() + ":" + r.Password(), "newuser:newpass");
    EXPECT_EQ(r.ErrorText().size(), CmmsThread::kMaxErrorText);
    std::string events;
    for (const JobEvent& e : sink.Events()) {
        EXPECT_EQ(e.jobId, 42);
        events += std::string(JobEventKindName(e.kind)) + ":" + e.text + e.user + "|";
    }
    EXPECT_EQ(events, "HeaderReceived:" + dir.File("a.asf") + "|Progress:|Credentials:newuser|"
                          "StreamUrlFound:mms://h/found1|StreamUrlFound:mms://h/found2|Finished:" + dir.File("a.asf") + "|");
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
    auto job =
        std::make_unique<CmmsThread>(&sink, 1, settings, dir.File("list.asx"), "", "", "", "", Services());
    ASSERT_TRUE(job->Start());
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
    EXPECT_EQ(sink.EventKinds(), std::vector<JobEventKind>({JobEventKind::Connecting, JobEventKind::Finished}));

    // A stop before the first read runs no client at all and still ends the job.
    script.Clear();
    job = std::make_unique<CmmsThread>(&sink, 1, settings, "mms://h/a.asf", "", "", "", "", Services());
    job->Stop();
    ASSERT_TRUE(job->Start());
    job->Join();
    EXPECT_TRUE(script.Calls().empty());
    EXPECT_EQ(sink.EventKinds().back(), JobEventKind::Finished);
}

class UrlCheckTest : public CmmsThreadTest {
protected:
    UrlCheckTest()
    {
        // One row at a time, as the walk of these tests expects; more at
        // once is tested on its own.
        settings.m_checkParallel = 1;
        // Addresses with "ok" in them answer, "silent" ones never do, "slow"
        // ones fail once released; the others are refused.
        script.OnAll([this](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
            if (r.url.find("silent") != std::string::npos)
                return WaitForStop(&entered)(r, hooks, stop);
            if (r.url.find("slow") != std::string::npos) {
                ++slow;
                WaitUntil([&] { return release.load() || stop.load(); });
            }
            if (r.url.find("ok") != std::string::npos)
                return uint64_t{100};
            hooks.ReportError("refused");
            return uint64_t{0};
        });
    }
    void Add(const std::string& address) { list.AddEntry(address, "", " ", ""); }
    std::string Results()
    {
        std::string text;
        for (const MediaItem& row : list.Rows())
            text += row.cells[kColFile] + "=" + row.cells[kColRecord] + " ";
        return text;
    }

    std::atomic<int> entered{0}, slow{0};  // calls of silent and of slow addresses
    std::atomic<bool> release{false};
    testsupport::TaskQueue mainThread;  // the list's owner
    MediaList list{settings, nullptr};
};

TEST_F(UrlCheckTest, WalksFromTheSelectedRowAndStopsAStalledProbeWhenDestroyed)
{
    settings.m_memberUser = "member";
    settings.m_memberAddress = "http://h/list";  // the server of every row but one
    testsupport::WriteFile(dir.File("local.wmv"), "x");
    for (const char* address : {"mms://h/ok.asf", "", "http://h/bad.wmv", "rtsp://other/bad", "mms://h/silent"})
        Add(*address ? address : dir.File("local.wmv"));
    list.SetCell(3, kColFile, "(x)plain");
    const std::string local = list.Cell(1, kColFile) + "=" + list.Cell(1, kColRecord);

    std::vector<std::string> done;
    UrlCheck::Callbacks callbacks;
    callbacks.rowDone = [&](uint64_t id, UrlCheck::RowResult result, const std::string& error, const StreamInfo&,
                            const std::vector<FailedAttempt>&) {
        done.push_back(std::to_string(list.IndexOf(id)) + ":" + std::to_string(static_cast<int>(result)) + error);
    };
    auto check = std::make_unique<UrlCheck>(list, mainThread, Services(), callbacks);
    ASSERT_TRUE(check->Start(-1, settings));  // no selection: from row 0
    ASSERT_TRUE(mainThread.RunUntil([&] { return entered > 0; }));
    EXPECT_FALSE(check->Start(0, settings)) << "a second walk while one runs";
    EXPECT_EQ(list.Cell(4, kColRecord), "Checking");
    EXPECT_EQ(list.Row(4).state, RowState::Checking);
    auto start = Clock::now();
    check.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    mainThread.RunPending();  // the stopped probe's result still reaches its row
    EXPECT_EQ(Results(), "ok=Ok " + local + " (x)bad=Error (x)plain=Error (x)silent=Error ");
    EXPECT_EQ(list.Row(0).state, RowState::CheckOk);
    EXPECT_EQ(list.Row(4).state, RowState::CheckError);
    EXPECT_EQ(done, (std::vector<std::string>{"0:0", "1:2", "2:1refused", "3:1refused"}));
    for (const Call& call : script.Calls())
        EXPECT_EQ(call.user, (call.kind == K::Mmsh || call.kind == K::HttpDownload) &&
                                     call.url.find("//other/") == std::string::npos ? "member" : "")
            << call.url;

    // A selected row is where the next walk begins.
    script.Clear();
    check = std::make_unique<UrlCheck>(list, mainThread, Services());
    ASSERT_TRUE(check->Start(2, settings));
    ASSERT_TRUE(mainThread.RunUntil([&] { return entered > 1; }));
    check.reset();
    EXPECT_EQ(script.Calls().at(0).url, "http://h/bad.wmv");
}

TEST_F(UrlCheckTest, TheWalkFollowsTheListAsItChangesAndStopFinishesTheRowFirst)
{
    for (const char* address : {"mms://h/a-ok", "mms://h/b-slow", "mms://h/c-bad"})
        Add(address);
    bool finished = false;
    UrlCheck::Callbacks callbacks;
    callbacks.finished = [&] { finished = true; };
    UrlCheck check(list, mainThread, Services(), callbacks);
    ASSERT_TRUE(check.Start(0, settings));
    ASSERT_TRUE(mainThread.RunUntil([&] { return slow > 0; }));
    // While b is probed, b is deleted and a row is added at the end: the walk
    // goes on where b stood and reaches the new row.
    list.DeleteRows({1}, -1);
    Add("mms://h/d-ok");
    release = true;
    ASSERT_TRUE(mainThread.RunUntil([&] { return !check.Running(); }));
    EXPECT_TRUE(finished);
    EXPECT_EQ(Results(), "a-ok=Ok (x)c-bad=Error d-ok=Ok ");

    // Stop during a probe: that row's result is written, then the walk ends.
    release = false;
    Add("mms://h/e-slow");
    Add("mms://h/f-ok");
    const int slowBefore = slow;
    ASSERT_TRUE(check.Start(3, settings));
    ASSERT_TRUE(mainThread.RunUntil([&] { return slow > slowBefore; }));
    std::thread([&] { check.Stop(); }).join();  // Stop may come from any thread
    release = true;
    ASSERT_TRUE(mainThread.RunUntil([&] { return !check.Running(); }));
    EXPECT_EQ(Results(), "a-ok=Ok (x)c-bad=Error d-ok=Ok (x)e-slow=Error f-ok= ");

    // A stop that comes before the check thread took the row handed to it
    // still gives that row its result.
    const auto calls = script.Calls().size();
    ASSERT_TRUE(check.Start(4, settings));
    check.Stop();
    ASSERT_TRUE(mainThread.RunUntil([&] { return !check.Running(); }));
    EXPECT_EQ(Results(), "a-ok=Ok (x)c-bad=Error d-ok=Ok (x)e-slow=Error f-ok=Ok ");
    EXPECT_EQ(script.Calls().size(), calls + 1);
}

// At most m_checkParallel probes at once; what an attempt that failed read
// is not what the address is.
TEST_F(UrlCheckTest, ProbesRunSideBySideAndTellWhatAnswered)
{
    std::atomic<int> holding{0}, mostHolding{0};
    StreamInfo camera;
    camera.delivery = StreamDelivery::Live;
    camera.title = "Cam";
    script.OnAll([&](const RecordRequest&, ClientHooks&, std::atomic<bool>&) {
        const int now = ++holding;
        for (int most = mostHolding; now > most && !mostHolding.compare_exchange_weak(most, now);) {
        }
        WaitUntil([&] { return release.load(); });
        --holding;
        return uint64_t{1};
    });
    script.On(K::MmsTcp, [&](const RecordRequest&, ClientHooks& hooks, std::atomic<bool>&) {
        StreamInfo other;
        other.title = "not this one";
        hooks.OnStreamInfo(other);
        return uint64_t{0};
    });
    script.On(K::Mmsh, [&](const RecordRequest&, ClientHooks& hooks, std::atomic<bool>&) {
        hooks.OnStreamInfo(camera);
        return uint64_t{1};
    });
    settings.m_checkParallel = 3;
    for (const char* address : {"http://h/hold1", "http://h/hold2", "http://h/hold3", "http://h/hold4", "mms://h/info.asf"})
        Add(address);
    UrlCheck check(list, mainThread, Services());
    ASSERT_TRUE(check.Start(0, settings));
    ASSERT_TRUE(mainThread.RunUntil([&] { return holding == 3; }));
    EXPECT_EQ(list.Row(3).state, RowState::Idle) << "the fourth waits for a free probe";
    release = true;
    ASSERT_TRUE(mainThread.RunUntil([&] { return !check.Running(); }));
    EXPECT_EQ(mostHolding, 3);
    EXPECT_EQ(Results(), "hold1=Ok hold2=Ok hold3=Ok hold4=Ok info=Ok ");
    StreamInfo expected = camera;
    expected.transport = StreamTransport::MmsHttp;
    EXPECT_EQ(list.Row(4).checked, expected);
}
