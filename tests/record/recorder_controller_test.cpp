#include "record/recorder_controller.h"

#include <gtest/gtest.h>

#include <chrono>
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
            // A header without a duration first, as before a probe.
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
}

TEST_F(ControllerTest, ParallelSlotsAreFilledAndNeverExceeded)
{
    // Each recording writes its file, then runs until let end or stopped.
    std::atomic<bool> firstMayEnd{false};
    std::atomic<int> running{0}, most{0}, entered{0};
    script.On(K::MmsTcp, [&](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        const int now = ++running;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        ++entered;
        const uint64_t n = Write(kEnough)(r, hooks, stop);
        WaitUntil([&] { return stop.load() || (firstMayEnd && r.url == "mms://h1/same.asf"); });
        --running;
        return n;
    });
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
    firstMayEnd = true;
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
