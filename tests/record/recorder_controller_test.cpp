#include "record/recorder_controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "base/app_settings.h"
#include "base/display_text.h"
#include "medialist/media_list.h"
#include "medialist/row_status.h"
#include "scripted_clients.h"
#include "test_support.h"

using namespace scripted;
using RC = RecorderController;
using Strings = std::vector<std::string>;

class ControllerTest : public EngineTest {
protected:
    int Add(const std::string& address, const std::string& title = "") { return list.AddEntry(address, title, " ", ""); }
    std::string Cell(const std::string& address, int column = kColRecord)
    {
        return list.Cell(list.FindAddress(address), column);
    }
    // Hands the posted events to the controller, as a front end's main loop
    // does, until one of this kind was handled (none: until nothing records).
    void Pump(std::optional<JobEventKind> kind = std::nullopt)
    {
        JobEvent event;
        while (kind || controller->Recording()) {
            ASSERT_TRUE(sink.Take(&event)) << "no event " << (kind ? JobEventKindName(*kind) : "");
            controller->HandleStatus(event);
            if (event.kind == kind)
                return;
        }
    }

    MediaList list{settings, nullptr};
    std::unique_ptr<RC> controller = std::make_unique<RC>(list, settings, sink, Services());
};

TEST_F(ControllerTest, TheChainRecordsFoundAddressesBelowAndSkipsTriedAndLocalRows)
{
    testsupport::WriteFile(dir.File("local.wmv"), "x");
    testsupport::WriteFile(dir.File("c.asf"), "old");
    testsupport::WriteFile(dir.File("d.asf"), "old");
    script.On(K::MmsTcp, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        if (r.url == "mms://h/group.asf") {
            // A header without a duration first, as the MMS-over-HTTP client
            // reports before its probe.
            hooks.OnHeaderReceived(r.url, 0);
            hooks.OnCredentials("new", "pw");
            hooks.OnStreamUrlFound("mms://h/second.asf");
            hooks.OnStreamUrlFound("mms://h/third.asf");
        }
        return r.url == "mms://h/fail.asf" ? Fail("Server closed the connection")(r, hooks, stop)
                                           : Write(kEnough)(r, hooks, stop);
    });
    const int group = Add("mms://h/group.asf");
    // Tried before and failed without a word: its "Record" cell is empty,
    // its state says it was tried.
    list.Update(list.IdAt(Add("mms://h/tried.asf")), [](MediaItem& r) {
        ShowRecordingEnd(r, RowState::Failed, "", "");
    });
    Add(dir.File("local.wmv"));
    for (const char* name : {"fail", "c", "d", "e"})
        Add("mms://h/" + std::string(name) + ".asf");
    // "Pass" keeps c.asf and adds it below; "Quit" stops the chain at d.
    prompts.exists = {{UserPrompts::FileExists::Pass, false}, {UserPrompts::FileExists::Quit, false}};
    ASSERT_EQ(controller->RecordStart(group), 1);
    Pump();
    const std::string completed = CompletedText();
    EXPECT_EQ(Cell("mms://h/group.asf") + " " + Cell("mms://h/group.asf", kColTime) + " " +
                  Cell("mms://h/group.asf", kColSize),
              completed + " 1:02:03 300K");
    EXPECT_EQ(list.Image(group), kImageRecorded);
    EXPECT_EQ(Cell("mms://h/second.asf") + Cell("mms://h/third.asf"), completed + completed);
    EXPECT_EQ(settings.m_memberUser + ":" + settings.m_memberPassword + " for " + settings.m_memberAddress,
              "new:pw for mms://h/group.asf");
    EXPECT_EQ(Cell("mms://h/tried.asf"), "");
    for (const Call& call : script.Calls())
        EXPECT_NE(call.url, "mms://h/tried.asf");
    EXPECT_EQ(Cell("mms://h/fail.asf") + " " + Cell("mms://h/fail.asf", kColSize),
              "Server closed the connection Error");
    EXPECT_EQ(Cell("mms://h/c.asf"), CancelledText());
    EXPECT_EQ(Cell("mms://h/d.asf"), CancelledText());
    EXPECT_TRUE(controller->StoppedByUser());
    EXPECT_EQ(Cell("mms://h/e.asf"), "");
    EXPECT_EQ(list.Find(list.IdAt(group))->state, RowState::Completed);
    // Found addresses and files sit right below their rows, each once.
    Strings rows;
    for (int i = 0; i < list.RowCount(); ++i)
        rows.push_back(list.Cell(i, kColOriginalFile));
    EXPECT_EQ(rows, (Strings{"mms://h/group.asf", "mms://h/third.asf", dir.File("third.asf"),
                             "mms://h/second.asf", dir.File("second.asf"), dir.File("group.asf"),
                             "mms://h/tried.asf", dir.File("local.wmv"), "mms://h/fail.asf", "mms://h/c.asf",
                             dir.File("c.asf"), "mms://h/d.asf", "mms://h/e.asf"}));

    // A recorded row is recorded again when asked (the chain skips it); a
    // local file never is.
    EXPECT_EQ(controller->RecordStart(list.FindAddress(dir.File("local.wmv"))), 0);
    prompts.exists = {{UserPrompts::FileExists::Ok, false}};
    ASSERT_EQ(controller->RecordStart(list.FindAddress("mms://h/group.asf")), 1);
    Pump(JobEventKind::Finished);
    EXPECT_EQ(Cell("mms://h/group.asf"), completed);
}

TEST_F(ControllerTest, AStreamCutShortIsIncompleteAndTheChainGoesOn)
{
    script.On(K::MmsTcp, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        const uint64_t n = Write(kEnough)(r, hooks, stop);
        hooks.OnStreamEnd(r.url == "mms://h/cut.asf" ? StreamEnd::Incomplete : StreamEnd::EndOfStream, 90);
        return n;
    });
    const int cut = Add("mms://h/cut.asf");
    Add("mms://h/next.asf");
    ASSERT_EQ(controller->RecordStart(cut), 1);
    Pump();
    const MediaItem& row = *list.Find(list.IdAt(cut));
    EXPECT_EQ(row.state, RowState::Incomplete);
    EXPECT_EQ(row.image, kImageNetwork) << "not a recorded entry: it can be resumed";
    EXPECT_EQ(Cell("mms://h/next.asf"), CompletedText());
}

TEST_F(ControllerTest, OneRecordingAtATimeAndRecordStopEndsTheChain)
{
    std::atomic<int> entered{0};
    script.On(K::MmsTcp, WaitForStop(&entered));
    const int busy = Add("mms://h/a.asf"), next = Add("mms://h/b.asf");
    ASSERT_EQ(controller->RecordStart(busy), 1);
    EXPECT_EQ(controller->RecordStart(next), 0);
    Pump(JobEventKind::Connecting);
    EXPECT_EQ(list.Cell(busy, kColRecord), "Connecting");
    JobEvent waiting = JobEvent::Of(1, JobEventKind::Reconnecting);
    waiting.attempt = 2;
    controller->HandleStatus(waiting);
    EXPECT_EQ(list.Cell(busy, kColRecord), "reconnecting (2)");
    controller->RecordStop();
    Pump();
    EXPECT_EQ(list.Cell(busy, kColRecord), CancelledText());
    EXPECT_EQ(list.Cell(next, kColRecord), "");
    EXPECT_EQ(entered.load(), 1);
    // Late events of the finished job change nothing.
    for (JobEventKind kind : {JobEventKind::Progress, JobEventKind::HeaderReceived, JobEventKind::Finished})
        controller->HandleStatus(JobEvent::Of(1, kind));
    EXPECT_EQ(list.Cell(busy, kColRecord), CancelledText());
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_FALSE(controller->Recording());
}

TEST_F(ControllerTest, ParallelSlotsAreFilledAndNeverExceeded)
{
    // Each recording writes its file and then runs until the test lets it
    // end (or it is stopped); the script counts how many run at once.
    std::mutex mutex;
    std::set<std::string> released;
    std::atomic<int> running{0}, most{0}, entered{0};
    script.On(K::MmsTcp, [&](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        const int now = ++running;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        ++entered;
        const uint64_t n = Write(kEnough)(r, hooks, stop);
        WaitUntil([&] {
            std::lock_guard lock(mutex);
            return stop.load() || released.count(r.url) != 0;
        });
        --running;
        return n;
    });
    auto release = [&](const std::string& url) {
        std::lock_guard lock(mutex);
        released.insert(url);
    };
    settings.m_parallelRecordings = 2;
    testsupport::WriteFile(dir.File("local.wmv"), "x");
    // Two hosts serving the same file name: the second recording gets a
    // numbered name of its own, without a question about the first's file.
    const int a = Add("mms://h1/same.asf");
    Add(dir.File("local.wmv"));
    Add("mms://h2/same.asf");
    Add("mms://h/c.asf");
    Add("mms://h/d.asf");

    ASSERT_EQ(controller->RecordStartCommand(a), 1);
    EXPECT_EQ(list.BusyRowCount(), 2);
    EXPECT_EQ(controller->RecordStart(list.FindAddress("mms://h/d.asf")), 0) << "no free slot";
    WaitUntil([&] { return entered == 2; });
    EXPECT_TRUE(prompts.asked.empty());

    // The first one to end frees its slot for the next idle row below it.
    release("mms://h1/same.asf");
    Pump(JobEventKind::Finished);
    EXPECT_EQ(Cell("mms://h1/same.asf"), CompletedText());
    EXPECT_EQ(Cell("mms://h/c.asf", kColRecord), "");  // not yet connected, but attached
    EXPECT_NE(list.ItemData(list.FindAddress("mms://h/c.asf")), 0u);
    EXPECT_EQ(list.BusyRowCount(), 2);
    WaitUntil([&] { return entered == 3; });

    // Record Stop ends both and starts nothing more.
    controller->RecordStop();
    Pump();
    EXPECT_EQ(Cell("mms://h2/same.asf"), CancelledText());
    EXPECT_EQ(Cell("mms://h/c.asf"), CancelledText());
    EXPECT_EQ(Cell("mms://h/d.asf"), "");
    EXPECT_EQ(most.load(), 2);
    EXPECT_EQ(entered.load(), 3);
    EXPECT_EQ(testsupport::FileSize(dir.File("same.asf")), kEnough);
    EXPECT_EQ(testsupport::FileSize(dir.File("same(0).asf")), kEnough);
    // Whichever claimed the name first has it; the other has the numbered one.
    EXPECT_EQ((std::set<std::string>{Cell("mms://h1/same.asf", kColRecordingFile),
                                     Cell("mms://h2/same.asf", kColRecordingFile)}),
              (std::set<std::string>{dir.File("same.asf"), dir.File("same(0).asf")}));
    EXPECT_TRUE(prompts.asked.empty());
}

// A front end that answers its dialogs on its own thread: a stop or a
// shutdown must end an open question without anyone answering it.
class OpenQuestionTest : public ControllerTest {
protected:
    OpenQuestionTest()
    {
        JobServices services = Services();
        services.prompts = &frontEnd;
        controller = std::make_unique<RC>(list, settings, sink, services);
    }
    void WaitForDialog(size_t count = 1)
    {
        WaitUntil([&] { return frontEnd.OpenDialogs() == count; });
        ASSERT_EQ(frontEnd.OpenDialogs(), count);
    }

    FrontEndPrompts frontEnd;
};

// A question answered on the front end's thread goes on as usual; a stop
// or a shutdown ends an open one within a second without an answer, and a
// client that asked finishes its file before it returns.
TEST_F(OpenQuestionTest, AStopOrShutdownEndsAnOpenQuestionAndTheFileIsFinished)
{
    script.On(K::MmsTcp, Write(kEnough));
    testsupport::WriteFile(dir.File("a.asf"), "old a");
    testsupport::WriteFile(dir.File("b.asf"), "old b");
    Add("mms://h/a.asf");
    Add("mms://h/b.asf");
    ASSERT_EQ(controller->RecordStart(0), 1);
    WaitForDialog();
    EXPECT_TRUE(frontEnd.AnswerOldest(static_cast<int>(UserPrompts::FileExists::Ok)));
    Pump(JobEventKind::Finished);
    EXPECT_EQ(testsupport::FileSize(dir.File("a.asf")), kEnough);
    // The chain goes on to b, whose question stays open until the stop.
    WaitForDialog();
    auto start = std::chrono::steady_clock::now();
    controller->RecordStop();
    Pump();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(Cell("mms://h/b.asf"), CancelledText());
    EXPECT_EQ(frontEnd.Withdrawn(), 1);
    EXPECT_FALSE(frontEnd.AnswerOldest(static_cast<int>(UserPrompts::FileExists::Ok))) << "closed";
    EXPECT_EQ(testsupport::ReadFile(dir.File("b.asf")), "old b");

    script.On(K::MmsTcp, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>&) {
        auto& thread = dynamic_cast<CmmsThread&>(hooks);
        r.out->Write("begin ", 6);
        const auto answer = thread.prompts()->AskCredentials("h", "", "", thread.job().StopSignal());
        const std::string end = answer.accepted ? "accepted end" : "cancelled end";
        r.out->Write(end.data(), end.size());
        return uint64_t{1};
    });
    script.On(K::HttpDownload, WriteText("<ASX><Entry><Ref href=\"mms://h/one.asf\"/></Entry>"
                                         "<Entry><Ref href=\"mms://h/two.asf\"/></Entry></ASX>"));
    ASSERT_EQ(controller->RecordStart(Add("http://h/list.asx")), 1);
    WaitForDialog();
    start = std::chrono::steady_clock::now();
    controller->Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    // The entries are named after the playlist's row: list0, list1.
    EXPECT_EQ(testsupport::ReadFile(dir.File("list0.asf")), "begin cancelled end");
    EXPECT_FALSE(testsupport::FileExists(dir.File("list1.asf"))) << "no entry after the stop";
    EXPECT_EQ(frontEnd.Withdrawn(), 2);
    EXPECT_EQ(sink.Events().back().kind, JobEventKind::Finished);
}
