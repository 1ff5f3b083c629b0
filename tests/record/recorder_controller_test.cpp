#include "record/recorder_controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "medialist/media_list.h"
#include "record/app_settings.h"
#include "record/job_driver.h"
#include "scripted_clients.h"
#include "test_support.h"

using testsupport::TempDir;
using K = ClientKind;

TEST(RecorderTexts, ExamplesOfTheStatusColumns)
{
    EXPECT_EQ(RecorderController::DurationText(3723000), "1:02:03");
    EXPECT_EQ(RecorderController::DurationText(0), "0:00:00");
    EXPECT_EQ(RecorderController::ProgressText(65000, 2500), "1:5(25 %)");
    EXPECT_EQ(RecorderController::ProgressText(3725000, 2500), "1:2:5(25 %)");
    EXPECT_EQ(RecorderController::ProgressText(0, 10000), "0:0(100 %)");
    EXPECT_EQ(RecorderController::KilobyteText(1536), "1K");
    EXPECT_EQ(RecorderController::KilobyteText(4294967295u), "4194303K");
    EXPECT_EQ(std::string(RecorderController::kCancelledText), "\xEC\xB7\xA8\xEC\x86\x8C");
    EXPECT_EQ(std::string(RecorderController::kCompletedText), "\xEC\x99\x84\xEB\xA3\x8C");
    EXPECT_EQ(RecorderController::SearchAddress("mms://h/a b&c"),
              "https://www.google.com/search?q=mms%3A%2F%2Fh%2Fa%20b%26c&ie=UTF-8&oe=UTF-8&hl=ko&lr=");
}

namespace {

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.m_baseDir = dir.path();
        settings.m_memberUser = "member";
        settings.m_memberPassword = "secret";
        SetPassAll(false);
        JobServices services;
        services.factory = scripted::Factory(script);
        services.prompts = &prompts;
        services.resumeScanner = [](const std::string&, uint32_t*, uint32_t*) { return false; };
        RecorderController::Callbacks callbacks;
        callbacks.openUrl = [this](const std::string& url) { opened.push_back(url); };
        callbacks.stopCapture = [this] { ++captureStops; };
        callbacks.recordingChanged = [this](bool on) { recordingButtons = on; };
        callbacks.statusHandled = [this](int row, int code, const CmmsThread&, const std::string&) {
            handled.emplace_back(row, code);
        };
        controller = std::make_unique<RecorderController>(list, settings, sink, services, callbacks);
    }
    void TearDown() override { SetPassAll(false); }

    int Add(const std::string& address, const std::string& title = "")
    {
        return list.AddEntry(address, title, " ", "");
    }
    // Hands the posted codes to the controller, as a front end's main loop
    // does, until a job has ended and nothing records any more.
    void PumpUntilIdle()
    {
        std::pair<uint16_t, int> post;
        while (controller->Recording()) {
            ASSERT_TRUE(sink.Take(&post)) << "no status code arrived";
            controller->HandleStatus(post.first, post.second);
        }
    }
    // Hands codes over until one of this kind was handled.
    void PumpUntil(int code)
    {
        std::pair<uint16_t, int> post;
        do {
            ASSERT_TRUE(sink.Take(&post)) << "code " << code << " never arrived";
            controller->HandleStatus(post.first, post.second);
        } while (post.second != code);
    }
    std::vector<std::string> Urls()
    {
        std::vector<std::string> urls;
        for (auto& c : script->Calls())
            urls.push_back(c.url);
        return urls;
    }

    TempDir dir;
    AppSettings settings;
    MediaList list{settings, nullptr};
    std::shared_ptr<scripted::Script> script = std::make_shared<scripted::Script>();
    scripted::Sink sink;
    scripted::Prompts prompts;
    std::unique_ptr<RecorderController> controller;
    std::vector<std::string> opened;
    int captureStops = 0;
    bool recordingButtons = false;
    std::vector<std::pair<int, int>> handled;
};

}  // namespace

TEST_F(ControllerTest, ACompletedRecordingFillsItsRow)
{
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    int row = Add("mms://h/a.asf", "news");
    ASSERT_EQ(controller->RecordStart(row), 1);
    EXPECT_TRUE(recordingButtons);
    EXPECT_EQ(captureStops, 1);
    EXPECT_NE(list.ItemData(row), 0u);
    PumpUntilIdle();

    const std::string out = dir.File("news.asf");
    EXPECT_EQ(list.Cell(row, kColRecord), RecorderController::kCompletedText);
    EXPECT_EQ(list.Cell(row, kColRecordingFile), out);
    EXPECT_EQ(list.Cell(row, kColTime), "1:02:03");
    EXPECT_EQ(list.Cell(row, kColSize), "300K");
    EXPECT_EQ(list.Image(row), kImageRecorded);
    EXPECT_EQ(list.ItemData(row), 0u);
    EXPECT_FALSE(recordingButtons);
    // The recorded file is added right below its row, once.
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(row + 1, kColOriginalFile), out);
    // The job got the row's identity and the member credentials.
    auto calls = script->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].playerAgent, settings.m_playerAgent);
}

TEST_F(ControllerTest, StatusTextsWhileRecording)
{
    // The client waits between its reports, so each state can be seen.
    std::atomic<int> step{0};
    script->On(K::MmsTcp, [&](K, const RecordRequest& r, ClientHooks& hooks, const std::atomic<bool>&) {
        auto waitStep = [&](int n) {
            while (step < n)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        hooks.OnConnecting(r.url, 1755);
        waitStep(1);
        hooks.OnHeaderReceived(r.url, 3723000);
        waitStep(2);
        hooks.OnProgress(1536, 2500, 3725000);
        waitStep(3);
        hooks.ReportError("Server closed the connection");
        return uint32_t{0};
    });
    script->On(K::Mmsh, scripted::Fail("Server closed the connection"));
    script->On(K::HttpDownload, scripted::Fail("Server closed the connection"));
    int row = Add("mms://h/live", "");
    ASSERT_EQ(controller->RecordStart(row), 1);
    PumpUntil(kStatusConnecting);
    EXPECT_EQ(list.Cell(row, kColRecord), "Connecting");
    step = 1;
    PumpUntil(kStatusHeaderReceived);
    EXPECT_EQ(list.Cell(row, kColRecord), "Received Head");
    EXPECT_EQ(list.Cell(row, kColTime), "1:02:03");
    EXPECT_EQ(list.Cell(row, kColRecordingFile), dir.File("live.asf"));  // the row's title names it
    step = 2;
    PumpUntil(kStatusProgress);
    EXPECT_EQ(list.Cell(row, kColRecord), "1:2:5(25 %)");
    EXPECT_EQ(list.Cell(row, kColSize), "1K");
    step = 3;
    PumpUntilIdle();
    // A failure shows the last error text.
    EXPECT_EQ(list.Cell(row, kColRecord), "Server closed the connection");
    EXPECT_EQ(list.Cell(row, kColSize), "Error");
    EXPECT_EQ(list.Cell(row, kColRecordingFile), "");
    EXPECT_EQ(list.Image(row), kImageNetwork);
}

TEST_F(ControllerTest, NextRowSkipsTriedAndLocalRows)
{
    TempDir media;
    testsupport::WriteFile(media.File("local.wmv"), "x");
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    Add("mms://h/first.asf");
    int tried = Add("mms://h/tried.asf");
    list.SetCell(tried, kColRecord, "Error");
    Add(media.File("local.wmv"));
    Add("mms://h/last.asf");
    ASSERT_EQ(controller->RecordStart(0), 1);
    PumpUntilIdle();
    EXPECT_EQ(Urls(), (std::vector<std::string>{"mms://h/first.asf", "mms://h/last.asf"}));
    EXPECT_EQ(list.Cell(list.FindAddress("mms://h/tried.asf"), kColRecord), "Error");
}

TEST_F(ControllerTest, RecordStopCancelsAndEndsTheChain)
{
    std::atomic<int> entered{0};
    script->On(K::MmsTcp, scripted::WaitForStop(&entered));
    int row = Add("mms://h/a.asf");
    int next = Add("mms://h/b.asf");
    ASSERT_EQ(controller->RecordStart(row), 1);
    PumpUntil(kStatusConnecting);
    controller->RecordStop();
    EXPECT_TRUE(controller->StoppedByUser());
    PumpUntilIdle();
    EXPECT_EQ(list.Cell(row, kColRecord), RecorderController::kCancelledText);
    EXPECT_EQ(list.Cell(next, kColRecord), "");
    EXPECT_EQ(entered.load(), 1);
    // The next Record Start clears the stopped state.
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    ASSERT_EQ(controller->RecordStart(next), 1);
    EXPECT_FALSE(controller->StoppedByUser());
    PumpUntilIdle();
}

TEST_F(ControllerTest, RecordStartRefusals)
{
    TempDir media;
    testsupport::WriteFile(media.File("local.wmv"), "x");
    std::atomic<int> entered{0};
    script->On(K::MmsTcp, scripted::WaitForStop(&entered));
    int busy = Add("mms://h/a.asf");
    int other = Add("mms://h/b.asf");
    int local = Add(media.File("local.wmv"));
    int openMarker = Add("mms://h/c.asf", "clip [E]");
    int searchMarker = Add("mms://h/d e.asf", "<G> search");

    EXPECT_EQ(controller->RecordStart(local), 0);
    EXPECT_EQ(controller->RecordStart(-1), 0);
    EXPECT_EQ(controller->RecordStart(99), 0);
    ASSERT_EQ(controller->RecordStart(busy), 1);
    EXPECT_EQ(controller->RecordStart(other), 0);  // one recording at a time
    EXPECT_EQ(list.ItemData(other), 0u);

    // The markers open an address instead of recording, even while busy.
    EXPECT_EQ(controller->RecordStart(openMarker), 0);
    EXPECT_EQ(controller->RecordStart(searchMarker), 0);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], "mms://h/c.asf");
    EXPECT_EQ(opened[1], RecorderController::SearchAddress("mms://h/d e.asf"));
    // With a playing row, they act on that row.
    controller->SetPlayingRow(other);
    controller->RecordStart(openMarker);
    EXPECT_EQ(opened.back(), "mms://h/b.asf");

    controller->RecordStop();
    PumpUntilIdle();
    EXPECT_EQ(list.Cell(busy, kColRecord), RecorderController::kCancelledText);
}

TEST_F(ControllerTest, LateAndUnknownCodesAreIgnored)
{
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    int row = Add("mms://h/a.asf");
    ASSERT_EQ(controller->RecordStart(row), 1);
    uint16_t id = static_cast<uint16_t>(list.ItemData(row));
    PumpUntilIdle();
    const std::string record = list.Cell(row, kColRecord);
    const int rows = list.RowCount();
    controller->HandleStatus(id, kStatusProgress);
    controller->HandleStatus(id, kStatusHeaderReceived);
    controller->HandleStatus(id, kStatusFinished);
    controller->HandleStatus(999, kStatusConnecting);
    controller->HandleStatus(0, kStatusConnecting);
    EXPECT_EQ(list.Cell(row, kColRecord), record);
    EXPECT_EQ(list.RowCount(), rows);

    // An unknown code for a live row changes nothing either.
    std::atomic<int> entered{0};
    script->On(K::MmsTcp, scripted::WaitForStop(&entered));
    int second = Add("mms://h/b.asf");
    ASSERT_EQ(controller->RecordStart(second), 1);
    PumpUntil(kStatusConnecting);
    controller->HandleStatus(static_cast<uint16_t>(list.ItemData(second)), 7);
    EXPECT_EQ(list.Cell(second, kColRecord), "Connecting");
    controller->RecordStop();
    PumpUntilIdle();
}

TEST_F(ControllerTest, FoundAddressesAreAddedBelowAndRecorded)
{
    script->On(K::MmsTcp, [](K, const RecordRequest& r, ClientHooks& hooks, const std::atomic<bool>& stop) {
        if (r.url == "mms://h/group.asf") {
            hooks.OnStreamUrlFound("mms://h/second.asf");
            hooks.OnStreamUrlFound("mms://h/third.asf");
        }
        return scripted::Write(300 * 1024)(K::MmsTcp, r, hooks, stop);
    });
    int row = Add("mms://h/group.asf");
    Add("mms://h/after.asf");
    ASSERT_EQ(controller->RecordStart(row), 1);
    PumpUntilIdle();
    // Both found addresses sit right below their row (the later one
    // nearer), each recorded in turn, before the row that followed.
    EXPECT_EQ(Urls(), (std::vector<std::string>{"mms://h/group.asf", "mms://h/third.asf",
                                                "mms://h/second.asf", "mms://h/after.asf"}));
    EXPECT_EQ(list.Image(list.FindAddress("mms://h/second.asf")), kImageRecorded);
}

TEST_F(ControllerTest, HeaderForAListedFileAddsNoSecondRow)
{
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    Add(dir.File("a.asf"));  // not there yet: a row for the output path
    int row = Add("mms://h/a.asf");
    ASSERT_EQ(controller->RecordStart(row), 1);
    PumpUntilIdle();
    EXPECT_EQ(list.RowCount(), 2);
}

TEST_F(ControllerTest, CredentialsKeptAndQuitStops)
{
    script->On(K::MmsTcp, [](K kind, const RecordRequest& r, ClientHooks& hooks, const std::atomic<bool>& stop) {
        hooks.OnCredentials("new", "pw");
        return scripted::Write(300 * 1024)(kind, r, hooks, stop);
    });
    int row = Add("mms://h/a.asf");
    Add("mms://h/b.asf");
    ASSERT_EQ(controller->RecordStart(row), 1);
    PumpUntil(kStatusCredentials);
    EXPECT_EQ(settings.m_memberUser, "new");
    EXPECT_EQ(settings.m_memberPassword, "pw");
    PumpUntilIdle();

    // "Quit" in the file-exists question stops the chain; "Pass" adds the
    // kept file below.
    testsupport::WriteFile(dir.File("c.asf"), "old");
    testsupport::WriteFile(dir.File("d.asf"), "old");
    int c = Add("mms://h/c.asf");
    int d = Add("mms://h/d.asf");
    Add("mms://h/e.asf");
    prompts.existsAnswers.push_back({UserPrompts::FileExists::Pass, false});
    prompts.existsAnswers.push_back({UserPrompts::FileExists::Quit, false});
    ASSERT_EQ(controller->RecordStart(c), 1);
    PumpUntilIdle();
    EXPECT_EQ(list.Cell(c, kColRecord), RecorderController::kCancelledText);
    EXPECT_EQ(list.Cell(c + 1, kColOriginalFile), dir.File("c.asf"));
    d = list.FindAddress("mms://h/d.asf");
    EXPECT_EQ(list.Cell(d, kColRecord), RecorderController::kCancelledText);
    EXPECT_TRUE(controller->StoppedByUser());
    EXPECT_EQ(list.Cell(list.FindAddress("mms://h/e.asf"), kColRecord), "");
}

TEST_F(ControllerTest, ShutdownWithARunningJob)
{
    std::atomic<int> entered{0};
    script->On(K::MmsTcp, scripted::WaitForStop(&entered));
    int row = Add("mms://h/a.asf");
    ASSERT_EQ(controller->RecordStart(row), 1);
    while (entered == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    controller.reset();  // stops and joins; the job's memory stays valid until then
    EXPECT_TRUE(sink.WaitFor(kStatusFinished, std::chrono::seconds(1)));
}
