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
using CmmsThreadTest = EngineTest;

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
        hooks.OnStreamEnd(StreamEnd::EndOfStream, 7);
        hooks.ReportError(std::string(20000, 'e'));
        return uint64_t{1536};
    });
    for (StatusSink* owner : {static_cast<StatusSink*>(&sink), static_cast<StatusSink*>(nullptr)}) {
        CmmsThread job(owner, 42, settings, "mms://h/a.asf", "", "", "", "", Services());
        ASSERT_TRUE(job.Start());
        job.Join();
        RecordJob& r = job.job();
        EXPECT_EQ(std::vector<uint64_t>({r.durationMs, r.bytesWritten, r.progress, r.timeMs, r.dataPackets}),
                  std::vector<uint64_t>({61000, 1536, 2500, 65000, 7}));
        EXPECT_EQ(r.streamEnd.load(), StreamEnd::EndOfStream);
        EXPECT_EQ(r.User() + ":" + r.Password(), "newuser:newpass");
        EXPECT_TRUE(r.noNext);
        EXPECT_EQ(r.ErrorText().size(), CmmsThread::kMaxErrorText);
    }
    // A client's own OnFinished does not end the job, the worker's end does;
    // the job without an owner posted nothing. Each event carries its own
    // data, so two found addresses arrive as two addresses.
    std::string events;
    for (const JobEvent& e : sink.Events()) {
        EXPECT_EQ(e.jobId, 42);
        events += std::to_string(e.code) + ":";
        switch (e.code) {
        case kStatusHeaderReceived: events += std::to_string(e.durationMs) + " " + e.text; break;
        case kStatusProgress:
            events += std::to_string(e.bytes) + " " + std::to_string(e.progress) + " " + std::to_string(e.timeMs);
            break;
        case kStatusCredentials: events += e.user + " " + e.password; break;
        case kStatusStreamUrlFound: events += e.text; break;
        case kStatusFinished:
            events += std::string(JobResultWord(e.result)) + " " + std::to_string(e.bytes) + " " +
                      std::to_string(e.errorText.size()) + (e.noNext ? " noNext" : "");
            break;
        }
        events += "|";
    }
    EXPECT_EQ(events, "0:|2:61000 " + dir.File("a.asf") +
                          "|5:1536 2500 65000|9:newuser newpass|10:mms://h/found1|10:mms://h/found2|"
                          "3:failed 1536 8192 noNext|");
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
    EXPECT_EQ(sink.Codes(), std::vector<int>({kStatusConnecting, kStatusFinished}));

    // A stop before the first read runs no client at all and still ends the job.
    script.Clear();
    job = std::make_unique<CmmsThread>(&sink, 1, settings, "mms://h/a.asf", "", "", "", "", Services());
    job->Stop();
    ASSERT_TRUE(job->Start());
    job->Join();
    EXPECT_TRUE(script.Calls().empty());
    EXPECT_EQ(sink.Codes().back(), kStatusFinished);
}

TEST_F(CmmsThreadTest, UrlCheckWalksFromTheSelectedRowAndStopsAStalledProbeWhenDestroyed)
{
    settings.m_memberUser = "member";
    std::atomic<int> entered{0};
    // Addresses with "ok" in them answer, "silent" ones never do; the others
    // are refused.
    script.OnAll([&](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        if (r.url.find("silent") != std::string::npos)
            return WaitForStop(&entered)(r, hooks, stop);
        if (r.url.find("ok") != std::string::npos)
            return uint64_t{100};
        hooks.ReportError("refused");
        return uint64_t{0};
    });
    MediaList list{settings, nullptr};
    testsupport::WriteFile(dir.File("local.wmv"), "x");
    for (const char* address : {"mms://h/ok.asf", "", "http://h/bad.wmv", "rtsp://h/bad", "mms://h/silent"})
        list.AddEntry(*address ? address : dir.File("local.wmv"), "", " ", "");
    list.SetCell(3, kColFile, "(x)plain");
    const std::string localRecord = list.Cell(1, kColRecord), localTitle = list.Cell(1, kColFile);

    auto check = std::make_unique<UrlCheck>(list, Services());
    ASSERT_TRUE(check->Start(-1, settings));  // no selection: from row 0
    WaitUntil([&] { return entered > 0; });
    EXPECT_FALSE(check->Start(0, settings)) << "a second walk while one runs";
    EXPECT_EQ(list.Cell(4, kColRecord), "Checking");
    auto start = Clock::now();
    check.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    const std::string cells[][2] = {{"Ok", "ok"},         {localRecord, localTitle}, {"Error", "(x)bad"},
                                    {"Error", "(x)plain"}, {"Error", "(x)silent"}};
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(list.Cell(row, kColRecord), cells[row][0]) << row;
        EXPECT_EQ(list.Cell(row, kColFile), cells[row][1]) << row;
    }
    for (const Call& call : script.Calls())
        EXPECT_EQ(call.user, call.kind == K::Mmsh || call.kind == K::HttpDownload ? "member" : "");

    // A selected row is where the next walk begins.
    script.Clear();
    check = std::make_unique<UrlCheck>(list, Services());
    ASSERT_TRUE(check->Start(2, settings));
    WaitUntil([&] { return entered > 1; });
    check.reset();
    EXPECT_EQ(script.Calls().at(0).url, "http://h/bad.wmv");
}
