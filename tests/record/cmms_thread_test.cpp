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

// The hooks keep a client's reports on the job, bounded, and post each with
// its own data; only the worker's end ends the job.
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
    // No other client or entry; the empty file is gone; cancelled, not failed.
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
        settings.m_checkParallel = 1;
        // Addresses with "ok" in them answer, "silent" ones never do; the
        // others are refused.
        script.OnAll([this](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
            if (r.url.find("silent") != std::string::npos)
                return WaitForStop(&entered)(r, hooks, stop);
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

    std::atomic<int> entered{0};  // calls of silent addresses
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
}
