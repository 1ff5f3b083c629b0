#include "record/recorder_controller.h"

#include <gtest/gtest.h>

#include <string>

#include "medialist/media_list.h"
#include "record/app_settings.h"
#include "scripted_clients.h"
#include "test_support.h"

using namespace scripted;
using RC = RecorderController;

TEST(RecorderTexts, ExamplesOfTheStatusColumns)
{
    EXPECT_EQ(RC::DurationText(3723000), "1:02:03");
    EXPECT_EQ(RC::ProgressText(65000, 2500), "1:5(25 %)");
    EXPECT_EQ(RC::ProgressText(3725000, 2500), "1:2:5(25 %)");
    EXPECT_EQ(RC::KilobyteText(1536), "1K");
    EXPECT_EQ(RC::KilobyteText(4294967295u), "4194303K");
}

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.m_baseDir = dir.path();
        JobServices services = script.Services();
        services.prompts = &prompts;
        RC::Callbacks callbacks;
        callbacks.openUrl = [this](const std::string& url) { opened.push_back(url); };
        callbacks.stopCapture = [this] { ++captureStops; };
        callbacks.recordingChanged = [this](bool on) { recordingButtons = on; };
        controller = std::make_unique<RC>(list, settings, sink, services, callbacks);
    }
    int Add(const std::string& address, const std::string& title = "") { return list.AddEntry(address, title, " ", ""); }
    // Hands the posted codes to the controller, as a front end's main loop
    // does, until one of this kind was handled (-1: until nothing records).
    void Pump(int code = -1)
    {
        std::pair<uint16_t, int> post;
        while (code >= 0 || controller->Recording()) {
            ASSERT_TRUE(sink.Take(&post)) << "no code " << code;
            controller->HandleStatus(post.first, post.second);
            if (post.second == code)
                return;
        }
    }
    std::string Record(const std::string& address) { return list.Cell(list.FindAddress(address), kColRecord); }
    std::vector<std::string> RecordedUrls()
    {
        std::vector<std::string> urls;
        for (const Call& c : script.Calls()) {
            if (c.kind == K::MmsTcp)
                urls.push_back(c.url);
        }
        return urls;
    }

    testsupport::TempDir dir;
    AppSettings settings;
    MediaList list{settings, nullptr};
    Script script;
    Sink sink;
    Prompts prompts;
    std::unique_ptr<RC> controller;
    std::vector<std::string> opened;
    int captureStops = 0;
    bool recordingButtons = false;
};

TEST_F(ControllerTest, ARecordingFillsItsRowAndAddsItsFileBelow)
{
    // Reports its header twice, as the MMS-over-HTTP client does (before its
    // probe and with the duration), and waits after its first progress so
    // that the row can be looked at.
    std::atomic<bool> go{false};
    script.On(K::MmsTcp, [&](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        hooks.OnConnecting(r.url, 1755);
        hooks.OnHeaderReceived(r.url, 0);
        hooks.OnHeaderReceived(r.url, 3723000);
        hooks.OnProgress(1536, 2500, 3725000);
        WaitUntil([&] { return go.load(); });
        return Write(kEnough)(r, hooks, stop);
    });
    const int row = Add("mms://h/a.asf", "news");
    ASSERT_EQ(controller->RecordStart(row), 1);
    EXPECT_TRUE(recordingButtons);
    EXPECT_EQ(captureStops, 1);
    const std::string out = dir.File("news.asf");
    Pump(kStatusConnecting);
    EXPECT_EQ(list.Cell(row, kColRecord), "Connecting");
    Pump(kStatusHeaderReceived);
    EXPECT_EQ(list.Cell(row, kColRecord), "Received Head");
    EXPECT_EQ(list.Cell(row, kColRecordingFile), out);
    Pump(kStatusProgress);
    EXPECT_EQ(list.Cell(row, kColRecord), "1:2:5(25 %)");
    EXPECT_EQ(list.Cell(row, kColSize), "1K");
    go = true;
    Pump();
    EXPECT_EQ(list.Cell(row, kColRecord), RC::kCompletedText);
    EXPECT_EQ(list.Cell(row, kColTime), "1:02:03");
    EXPECT_EQ(list.Cell(row, kColSize), "300K");
    EXPECT_EQ(list.Image(row), kImageRecorded);
    EXPECT_FALSE(recordingButtons);
    // The recorded file sits right below its row, once.
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(row + 1, kColOriginalFile), out);
}

TEST_F(ControllerTest, TheChainGoesOnPastFailedTriedAndLocalRows)
{
    testsupport::WriteFile(dir.File("local.wmv"), "x");
    script.On(K::MmsTcp, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        return r.url.find("first") != std::string::npos ? Fail("Server closed the connection")(r, hooks, stop)
                                                         : Write(kEnough)(r, hooks, stop);
    });
    const int first = Add("mms://h/first.asf");
    list.SetCell(Add("mms://h/tried.asf"), kColRecord, "Error");
    Add(dir.File("local.wmv"));
    Add("mms://h/last.asf");
    ASSERT_EQ(controller->RecordStart(first), 1);
    Pump();
    EXPECT_EQ(list.Cell(first, kColRecord), "Server closed the connection");
    EXPECT_EQ(list.Cell(first, kColSize), "Error");
    EXPECT_EQ(list.Image(first), kImageNetwork);
    EXPECT_EQ(RecordedUrls(), (std::vector<std::string>{"mms://h/first.asf", "mms://h/last.asf"}));
    EXPECT_EQ(Record("mms://h/last.asf"), RC::kCompletedText);
}

TEST_F(ControllerTest, OneRecordingAtATimeAndRecordStopEndsTheChain)
{
    testsupport::WriteFile(dir.File("local.wmv"), "x");
    std::atomic<int> entered{0};
    script.On(K::MmsTcp, WaitForStop(&entered));
    const int busy = Add("mms://h/a.asf");
    const int next = Add("mms://h/b.asf");
    const int marker = Add("mms://h/c.asf", "clip [E]");
    EXPECT_EQ(controller->RecordStart(Add(dir.File("local.wmv"))), 0);
    ASSERT_EQ(controller->RecordStart(busy), 1);
    EXPECT_EQ(controller->RecordStart(next), 0);
    // A marker opens the address instead of recording it, even while busy.
    EXPECT_EQ(controller->RecordStart(marker), 0);
    EXPECT_EQ(opened, std::vector<std::string>{"mms://h/c.asf"});

    Pump(kStatusConnecting);
    controller->HandleStatus(1, 7);  // an unknown code
    EXPECT_EQ(list.Cell(busy, kColRecord), "Connecting");
    controller->RecordStop();
    Pump();
    EXPECT_EQ(list.Cell(busy, kColRecord), RC::kCancelledText);
    EXPECT_EQ(list.Cell(next, kColRecord), "");
    EXPECT_EQ(entered.load(), 1);

    // Late codes of the finished job change nothing.
    for (int code : {kStatusProgress, kStatusHeaderReceived, kStatusFinished})
        controller->HandleStatus(1, code);
    controller->HandleStatus(0, kStatusConnecting);
    EXPECT_EQ(list.Cell(busy, kColRecord), RC::kCancelledText);
    EXPECT_EQ(list.RowCount(), 4);
    EXPECT_FALSE(controller->Recording());
}

TEST_F(ControllerTest, FoundAddressesAreAddedBelowAndRecordedInTurn)
{
    script.On(K::MmsTcp, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        if (r.url == "mms://h/group.asf") {
            hooks.OnStreamUrlFound("mms://h/second.asf");
            hooks.OnStreamUrlFound("mms://h/third.asf");
        }
        return Write(kEnough)(r, hooks, stop);
    });
    const int row = Add("mms://h/group.asf");
    Add("mms://h/after.asf");
    ASSERT_EQ(controller->RecordStart(row), 1);
    Pump();
    // The later one lands nearer its row.
    EXPECT_EQ(RecordedUrls(), (std::vector<std::string>{"mms://h/group.asf", "mms://h/third.asf",
                                                        "mms://h/second.asf", "mms://h/after.asf"}));
    EXPECT_EQ(Record("mms://h/second.asf"), RC::kCompletedText);
}

TEST_F(ControllerTest, CredentialsAreKeptAndQuitStopsTheChain)
{
    script.On(K::MmsTcp, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        hooks.OnCredentials("new", "pw");
        return Write(kEnough)(r, hooks, stop);
    });
    testsupport::WriteFile(dir.File("c.asf"), "old");
    testsupport::WriteFile(dir.File("d.asf"), "old");
    const int b = Add("mms://h/b.asf");
    Add("mms://h/c.asf");
    Add("mms://h/d.asf");
    Add("mms://h/e.asf");
    // "Pass" keeps c.asf and adds it below; "Quit" stops the chain at d.
    prompts.exists = {{UserPrompts::FileExists::Pass, false}, {UserPrompts::FileExists::Quit, false}};
    ASSERT_EQ(controller->RecordStart(b), 1);
    Pump();
    EXPECT_EQ(settings.m_memberUser, "new");
    EXPECT_EQ(settings.m_memberPassword, "pw");
    EXPECT_EQ(Record("mms://h/c.asf"), RC::kCancelledText);
    EXPECT_EQ(list.Cell(list.FindAddress("mms://h/c.asf") + 1, kColOriginalFile), dir.File("c.asf"));
    EXPECT_EQ(Record("mms://h/d.asf"), RC::kCancelledText);
    EXPECT_TRUE(controller->StoppedByUser());
    EXPECT_EQ(Record("mms://h/e.asf"), "");
}

TEST_F(ControllerTest, ShutdownWithARunningJob)
{
    std::atomic<int> entered{0};
    script.On(K::MmsTcp, WaitForStop(&entered));
    ASSERT_EQ(controller->RecordStart(Add("mms://h/a.asf")), 1);
    WaitUntil([&] { return entered > 0; });
    controller.reset();  // stops and joins; the job's memory stays valid until then
    EXPECT_EQ(sink.Codes().back(), kStatusFinished);
}
