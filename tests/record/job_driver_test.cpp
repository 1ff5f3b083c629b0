#include "record/job_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "record/cmms_thread.h"
#include "scripted_clients.h"
#include "test_support.h"

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using K = ClientKind;
using Exists = UserPrompts::FileExists;

// --- Pure rules -------------------------------------------------------------

TEST(AddressType, SchemeAndExtensionGroups)
{
    struct Case {
        const char* address;
        uint32_t bits;
    } cases[] = {
        {"mms://h/a.asf", kTypeMms | kTypeAsfFamily},
        {"mmst://h/live", kTypeMms | kTypeOther},
        {"mmsu://h/a.asf", kTypeHttpOrLocal | kTypeAsfFamily},
        {"rtsp://h/a.mp3", kTypeRtsp | kTypeOtherMedia},
        {"HTTP://H/A.WMV?X=1", kTypeHttpOrLocal | kTypeAsfFamily},
        {"http://h/a.mpeg", kTypeHttpOrLocal | kTypeOtherMedia},
        {"/home/u/a.avi", kTypeHttpOrLocal | kTypeOther},
        // The media test comes before the ASF family: a.mp3.wma is "other media".
        {"http://h/a.mp3.wma", kTypeHttpOrLocal | kTypeOtherMedia},
        // "mms:" anywhere decides, as in the Windows program.
        {"http://h/go?to=mms://x/a.wmv", kTypeMms | kTypeAsfFamily},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddressTypeBits(c.address), c.bits) << c.address;
}

TEST(AddressType, RtspRewrite)
{
    EXPECT_EQ(RewriteRtspToMms("rtsp://h/a.asf"), "mms://h/a.asf");
    EXPECT_EQ(RewriteRtspToMms("rtsp://h/x?u=rtsp://y"), "mms://h/x?u=mms://y");
    EXPECT_EQ(RewriteRtspToMms("http://h/a"), "http://h/a");
}

TEST(OutputNames, ExamplesOfTheRecorder)
{
    EXPECT_EQ(MakeOutputPath("/base", "mms://host/dir/clip.wmv?x=1", "news"), "/base/news.wmv");
    EXPECT_EQ(MakeOutputPath("/base", "mms://host/dir/clip.wmv?x=1", ""), "/base/clip.wmv");
    EXPECT_EQ(MakeOutputPath("/base", "mms://host/live", "news"), "/base/news.asf");
    EXPECT_EQ(MakeOutputPath("/base", "mms://host/a.asf  ", ""), "/base/a.asf");
    // A name whose only "." is its first character has no extension.
    EXPECT_EQ(MakeOutputPath("/base", "mms://host/.hidden", "t"), "/base/t.asf");
    // Windows paths in lists made on Windows: the name after the last "\".
    EXPECT_EQ(MakeOutputPath("/base", "c:\\media\\clip.wmv", ""), "/base/clip.wmv");
    EXPECT_EQ(MakeOutputPath("/base/", "mms://h/a.asf", ""), "/base/a.asf");
}

TEST(OutputNames, NamesNeverLeaveTheBaseFolder)
{
    EXPECT_EQ(MakeOutputPath("/base", "mms://h/clip.wmv", "../../etc/x"), "/base/.._.._etc_x.wmv");
    EXPECT_EQ(MakeOutputPath("/base", "mms://h/clip.wmv", std::string("a\0b", 3)), "/base/a_b.wmv");
    // Empty, "." and ".." names become the host name.
    EXPECT_EQ(MakeOutputPath("/base", "mms://host.example:1755/dir/", ""), "/base/host.example.asf");
    EXPECT_EQ(MakeOutputPath("/base", "http://user:pw@host/..", ""), "/base/host.asf");
    EXPECT_EQ(MakeOutputPath("/base", "http://host/.", ""), "/base/host.asf");
    EXPECT_EQ(MakeOutputPath("/base", "mms://[::1]:99/", ""), "/base/::1.asf");
    // An over-long title is cut to one file name, keeping its extension and
    // whole UTF-8 characters.
    std::string longTitle;
    for (int i = 0; i < 200; ++i)
        longTitle += "\xED\x95\x9C";  // a three-byte character
    std::string path = MakeOutputPath("/base", "mms://h/clip.wmv", longTitle);
    std::string name = path.substr(6);
    EXPECT_LE(name.size(), 255u);
    EXPECT_EQ(name.substr(name.size() - 4), ".wmv");
    EXPECT_EQ((name.size() - 4) % 3, 0u);
}

TEST(OutputNames, NumberedVariants)
{
    TempDir dir;
    const std::string a = dir.File("a.asf");
    WriteFile(a, "old");
    EXPECT_EQ(MakeUniqueName(a), dir.File("a(0).asf"));
    WriteFile(dir.File("a(0).asf"), "old");
    EXPECT_EQ(MakeUniqueName(a), dir.File("a(1).asf"));
    for (int n = 1; n < 100; ++n)
        WriteFile(dir.File("a(" + std::to_string(n) + ").asf"), "");
    EXPECT_EQ(MakeUniqueName(a), dir.File("a(99).asf"));
    EXPECT_EQ(MakeUniqueName(dir.File("noext")), dir.File("noext(0)"));
}

// --- The driver with scripted clients -----------------------------------------

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.m_baseDir = dir.path();
        SetPassAll(false);
    }
    void TearDown() override { SetPassAll(false); }

    std::unique_ptr<CmmsThread> Make(const std::string& url, const std::string& title = "")
    {
        JobServices services;
        services.factory = scripted::Factory(script);
        services.prompts = &prompts;
        services.resumeScanner = [this](const std::string& path, uint32_t* packet, uint32_t* offset) {
            scanned.push_back(path);
            if (!resumable)
                return false;
            *packet = resumePacket;
            *offset = resumeOffset;
            return true;
        };
        return std::make_unique<CmmsThread>(&sink, 7, settings, url, title, "Agent/1", "member",
                                            "secret", services);
    }
    std::unique_ptr<CmmsThread> Run(const std::string& url, const std::string& title = "")
    {
        auto job = Make(url, title);
        EXPECT_TRUE(job->Start());
        job->Join();
        return job;
    }
    void AllFail()
    {
        for (K k : {K::MmsTcp, K::Rtsp, K::Mmsh, K::HttpDownload})
            script->On(k, scripted::Fail(std::string("failed ") + std::to_string(static_cast<int>(k))));
    }

    TempDir dir;
    AppSettings settings;
    std::shared_ptr<scripted::Script> script = std::make_shared<scripted::Script>();
    scripted::Sink sink;
    scripted::Prompts prompts;
    bool resumable = false;
    uint32_t resumePacket = 0;
    uint32_t resumeOffset = 0;
    std::vector<std::string> scanned;
};

TEST_F(DriverTest, FallbackOrderOfEveryAddressType)
{
    struct Case {
        const char* url;
        std::vector<K> order;
    } cases[] = {
        {"http://h/a.wmv", {K::Mmsh, K::HttpDownload, K::MmsTcp}},
        {"mmsu://h/a.asf", {K::Mmsh, K::HttpDownload, K::MmsTcp}},
        {"http://h/a.mp3", {K::HttpDownload, K::Mmsh, K::MmsTcp}},
        {"http://h/page", {K::HttpDownload, K::Mmsh, K::MmsTcp}},
        {"mms://h/a.asf", {K::MmsTcp, K::Mmsh, K::HttpDownload}},
        {"mmst://h/live", {K::MmsTcp, K::HttpDownload, K::Mmsh}},
        // Upper-case "RTSP://" is not rewritten; it types as RTSP.
        {"RTSP://h/a.wma", {K::Rtsp, K::Mmsh, K::HttpDownload}},
        {"RTSP://h/live", {K::Rtsp, K::HttpDownload, K::Mmsh}},
        // rtsp:// goes the MMS way first, then RTSP gets the original.
        {"rtsp://h/a.asf", {K::MmsTcp, K::Mmsh, K::HttpDownload, K::Rtsp}},
        {"rtsp://h/live", {K::MmsTcp, K::HttpDownload, K::Mmsh, K::Rtsp}},
    };
    AllFail();
    for (const Case& c : cases) {
        script->Clear();
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directory(dir.path());
        auto job = Run(c.url);
        EXPECT_EQ(script->Kinds(), c.order) << c.url;
        // Only the last attempt's error is left.
        EXPECT_TRUE(job->job().errorFlag) << c.url;
        EXPECT_EQ(job->job().ErrorText(),
                  "failed " + std::to_string(static_cast<int>(c.order.back()))) << c.url;
    }
}

TEST_F(DriverTest, NothingRecordedLeavesNoEmptyFile)
{
    AllFail();
    Run("mms://h/a.asf");
    EXPECT_FALSE(FileExists(dir.File("a.asf")));
    // A resumed file keeps what it had, even when nothing was added.
    WriteFile(dir.File("b.asf"), "kept");
    resumable = true;
    resumeOffset = 4;
    settings.m_resumable = 0;
    Run("mms://h/b.asf");
    EXPECT_EQ(ReadFile(dir.File("b.asf")), "kept");
}

TEST_F(DriverTest, EachClientGetsItsArguments)
{
    AllFail();
    Run("rtsp://h/a.asf");
    auto calls = script->Calls();
    ASSERT_EQ(calls.size(), 4u);
    for (const scripted::Call& c : calls) {
        EXPECT_TRUE(c.hasFile);
        EXPECT_EQ(c.playerAgent, "Agent/1");
        EXPECT_EQ(c.extra, 0);
        if (c.kind == K::Mmsh || c.kind == K::HttpDownload) {
            EXPECT_EQ(c.user, "member");
            EXPECT_EQ(c.password, "secret");
        } else {
            EXPECT_EQ(c.user, "");
        }
    }
    EXPECT_EQ(calls[0].url, "mms://h/a.asf");
    EXPECT_EQ(calls[3].url, "rtsp://h/a.asf");
}

TEST_F(DriverTest, FallbackEndsOnSuccessNoNextOrStop)
{
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    auto job = Run("mms://h/a.asf");
    EXPECT_EQ(script->Kinds(), std::vector<K>{K::MmsTcp});
    EXPECT_FALSE(job->job().errorFlag);
    EXPECT_EQ(testsupport::FileSize(dir.File("a.asf")), 300u * 1024);

    // Cancelled credentials: no other client may try.
    script->Clear();
    script->On(K::MmsTcp, [](K, const RecordRequest&, ClientHooks& hooks, const std::atomic<bool>&) {
        hooks.ReportError("Unauthorized");
        hooks.OnNoNext();
        return uint32_t{0};
    });
    job = Run("mms://h/b.asf");
    EXPECT_EQ(script->Kinds(), std::vector<K>{K::MmsTcp});
    EXPECT_EQ(job->job().ErrorText(), "Unauthorized");
}

TEST_F(DriverTest, ASilentFailureIsStillAFailure)
{
    // The last client fails without a word: the text of the one before
    // stands, and without any text a generic one.
    script->On(K::MmsTcp, scripted::Fail("Server refused"));
    auto job = Run("mms://h/a.asf");
    EXPECT_TRUE(job->job().errorFlag);
    EXPECT_EQ(job->job().ErrorText(), "Server refused");
    script->On(K::MmsTcp, {});
    job = Run("mms://h/a.asf");
    EXPECT_TRUE(job->job().errorFlag);
    EXPECT_EQ(job->job().ErrorText(), "Recording failed");
    // Declining credentials ends the attempts; nothing was recorded.
    script->On(K::MmsTcp, [](K, const RecordRequest&, ClientHooks& hooks, const std::atomic<bool>&) {
        hooks.OnNoNext();
        return uint32_t{0};
    });
    job = Run("mms://h/a.asf");
    EXPECT_EQ(script->Kinds().back(), K::MmsTcp);
    EXPECT_TRUE(job->job().errorFlag);
}

TEST_F(DriverTest, AFailedAttemptLeavesNothingForTheNext)
{
    script->On(K::MmsTcp, [](K, const RecordRequest& r, ClientHooks&, const std::atomic<bool>&) {
        std::fputs("half a header", r.out);
        return uint32_t{0};
    });
    script->On(K::Mmsh, scripted::Write(300 * 1024, 'm'));
    auto job = Run("mms://h/a.asf");
    auto calls = script->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].filePosition, 0);
    EXPECT_EQ(ReadFile(dir.File("a.asf")), std::string(300 * 1024, 'm'));
}

TEST_F(DriverTest, TooSmallRecordings)
{
    struct Case {
        const char* url;
        uint32_t bytes;
        bool noNext;
        bool failed;
    } cases[] = {
        {"mms://h/a.asf", 100 * 1024, false, true},
        {"mms://h/a.asf", 100 * 1024, true, false},  // authorisation cancelled
        {"mms://h/a.asf", 256 * 1024, false, false},
        {"http://h/a.mp3", 100 * 1024, true, true},
        {"mms://h/live", 100 * 1024, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const uint32_t bytes = c.bytes;
        const bool noNext = c.noNext;
        for (K k : {K::MmsTcp, K::HttpDownload}) {
            script->On(k, [bytes, noNext](K kind, const RecordRequest& r, ClientHooks& hooks,
                                          const std::atomic<bool>& stop) {
                uint32_t n = scripted::Write(bytes)(kind, r, hooks, stop);
                if (noNext)
                    hooks.OnNoNext();
                return n;
            });
        }
        std::remove(dir.File("a.asf").c_str());
        std::remove(dir.File("a.mp3").c_str());
        std::remove(dir.File("live").c_str());
        auto job = Run(c.url);
        EXPECT_EQ(job->job().errorFlag.load(), c.failed);
        EXPECT_EQ(job->job().ErrorText(), "");
    }
}

TEST_F(DriverTest, RenameWhenOverwriteIsNotConfirmed)
{
    settings.m_overWrite = 0;
    WriteFile(dir.File("a.asf"), "old");
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    auto first = Run("mms://h/a.asf");
    EXPECT_EQ(first->job().OutputPath(), dir.File("a(0).asf"));
    auto second = Run("mms://h/a.asf");
    EXPECT_EQ(second->job().OutputPath(), dir.File("a(1).asf"));
    EXPECT_EQ(ReadFile(dir.File("a.asf")), "old");
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(DriverTest, FileExistsAnswers)
{
    const std::string path = dir.File("a.asf");
    script->On(K::MmsTcp, scripted::Write(300 * 1024));

    // Ok overwrites.
    WriteFile(path, "old");
    prompts.existsAnswers.push_back({Exists::Ok});
    auto job = Run("mms://h/a.asf");
    EXPECT_EQ(prompts.asked.back(), path + " \n\n File exist. Overwrite?");
    EXPECT_EQ(testsupport::FileSize(path), 300u * 1024);

    // Cancel keeps the file and records nothing.
    WriteFile(path, "old");
    script->Clear();
    prompts.existsAnswers.push_back({Exists::Cancel});
    job = Run("mms://h/a.asf");
    EXPECT_TRUE(script->Calls().empty());
    EXPECT_TRUE(job->job().stopRequested);
    EXPECT_EQ(ReadFile(path), "old");

    // Save As records into the chosen file; a refused dialog stops.
    prompts.existsAnswers.push_back({Exists::SaveAs});
    prompts.savePaths.push_back(dir.File("chosen.asf"));
    job = Run("mms://h/a.asf");
    EXPECT_EQ(job->job().OutputPath(), dir.File("chosen.asf"));
    EXPECT_EQ(testsupport::FileSize(dir.File("chosen.asf")), 300u * 1024);
    EXPECT_EQ(ReadFile(path), "old");
    script->Clear();
    prompts.existsAnswers.push_back({Exists::SaveAs});
    prompts.savePaths.push_back("");
    job = Run("mms://h/a.asf");
    EXPECT_TRUE(job->job().stopRequested);
    EXPECT_TRUE(script->Calls().empty());

    // Quit asks the front end to stop recording.
    prompts.existsAnswers.push_back({Exists::Quit});
    job = Run("mms://h/a.asf");
    EXPECT_EQ(sink.Codes().back(), kStatusFinished);
    auto codes = sink.Codes();
    EXPECT_EQ(codes[codes.size() - 2], kStatusQuit);
    EXPECT_EQ(ReadFile(path), "old");
}

TEST_F(DriverTest, PassAndPassAll)
{
    const std::string path = dir.File("a.asf");
    WriteFile(path, "old");
    WriteFile(dir.File("b.asf"), "old");
    script->On(K::MmsTcp, scripted::Write(300 * 1024));

    prompts.existsAnswers.push_back({Exists::Pass, false});
    auto job = Run("mms://h/a.asf");
    EXPECT_TRUE(job->job().stopRequested);
    EXPECT_EQ(job->job().TakeEventText(kStatusFileKept, ""), path);
    EXPECT_FALSE(PassAll());
    EXPECT_EQ(prompts.asked.size(), 1u);

    // Pass with "All": this and every later existing file is kept unasked.
    prompts.existsAnswers.push_back({Exists::Pass, true});
    Run("mms://h/a.asf");
    EXPECT_TRUE(PassAll());
    EXPECT_EQ(prompts.asked.size(), 2u);
    job = Run("mms://h/b.asf");
    EXPECT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(job->job().TakeEventText(kStatusFileKept, ""), dir.File("b.asf"));
    EXPECT_TRUE(script->Calls().empty());
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(ReadFile(dir.File("b.asf")), "old");
}

TEST_F(DriverTest, ResumeOrNot)
{
    const std::string path = dir.File("a.asf");
    const std::string kept(5000, 'k');
    resumable = true;
    resumePacket = 4;
    resumeOffset = 5000;
    script->On(K::MmsTcp, scripted::Fail("down"));
    script->On(K::Mmsh, scripted::Write(300 * 1024, 'n'));

    // Asked and accepted: both clients continue where the file ends.
    WriteFile(path, kept + "partial packet");
    prompts.resumeAnswers.push_back(true);
    Run("mms://h/a.asf");
    EXPECT_EQ(prompts.asked.back(), path + " \n\n File exist. Resumable?");
    auto calls = script->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].resume, 4u);
    EXPECT_EQ(calls[0].filePosition, 5000);
    EXPECT_EQ(calls[1].resume, 5000u);
    EXPECT_EQ(calls[1].filePosition, 5000);
    EXPECT_EQ(ReadFile(path), kept + std::string(300 * 1024, 'n'));

    // The 200 KB added to what the file held make a recording of more
    // than the size under which it counts as failed.
    resumeOffset = 100 * 1024;
    WriteFile(path, std::string(resumeOffset, 'k'));
    prompts.resumeAnswers.push_back(true);
    script->Clear();
    script->On(K::Mmsh, scripted::Write(200 * 1024, 'n'));
    auto resumed = Run("mms://h/a.asf");
    EXPECT_FALSE(resumed->job().errorFlag);
    resumeOffset = 5000;

    // Without the confirmation setting it resumes unasked.
    settings.m_resumable = 0;
    WriteFile(path, kept);
    script->Clear();
    size_t questions = prompts.asked.size();
    Run("mms://h/a.asf");
    EXPECT_EQ(prompts.asked.size(), questions);
    EXPECT_EQ(script->Calls().at(0).resume, 4u);

    // Declined: the file is an existing file like any other, and the
    // overwrite question decides; Cancel keeps it.
    settings.m_resumable = 1;
    WriteFile(path, kept);
    script->Clear();
    prompts.resumeAnswers.push_back(false);
    prompts.existsAnswers.push_back({Exists::Cancel});
    Run("mms://h/a.asf");
    EXPECT_TRUE(script->Calls().empty());
    EXPECT_EQ(ReadFile(path), kept);

    // Declined with overwrite confirmation off: a numbered file.
    settings.m_overWrite = 0;
    prompts.resumeAnswers.push_back(false);
    auto job = Run("mms://h/a.asf");
    EXPECT_EQ(job->job().OutputPath(), dir.File("a(0).asf"));
    EXPECT_EQ(script->Calls().at(0).resume, 0u);
    EXPECT_EQ(ReadFile(path), kept);
}

TEST_F(DriverTest, FileCreationFailure)
{
    settings.m_baseDir = dir.File("missing/deeper");
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    prompts.savePaths.push_back("");
    auto job = Run("mms://h/a.asf");
    EXPECT_TRUE(job->job().errorFlag);
    EXPECT_EQ(job->job().ErrorText(), "File Creation Error");
    EXPECT_TRUE(script->Calls().empty());
    EXPECT_EQ(prompts.asked.back(), "save as a.asf");

    prompts.savePaths.push_back(dir.File("elsewhere.asf"));
    job = Run("mms://h/a.asf");
    EXPECT_FALSE(job->job().errorFlag);
    EXPECT_EQ(job->job().OutputPath(), dir.File("elsewhere.asf"));
    EXPECT_EQ(testsupport::FileSize(dir.File("elsewhere.asf")), 300u * 1024);
}

// --- Playlists ------------------------------------------------------------------

namespace {

std::string Asx(const std::vector<std::string>& refs, const std::string& moreInfo = "")
{
    std::string text = "<ASX version=\"3.0\">\r\n";
    if (!moreInfo.empty())
        text += "<MoreInfo href=\"" + moreInfo + "\"/>\r\n";
    for (const std::string& r : refs)
        text += "<Entry><Ref href=\"" + r + "\"/></Entry>\r\n";
    return text + "</ASX>\r\n";
}

}  // namespace

TEST_F(DriverTest, LocalPlaylistEntriesAreNumberedTitles)
{
    const std::string list = dir.File("list.asx");
    WriteFile(list, Asx({"mms://h/one.wmv", "mms://h/two", "http://h/three.wma"}, "http://info/"));
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    script->On(K::Mmsh, scripted::Write(300 * 1024));
    auto job = Run(list, "t");
    EXPECT_FALSE(job->job().errorFlag);
    EXPECT_EQ(job->job().MoreInfoUrl(), "http://info/");
    auto calls = script->Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].url, "mms://h/one.wmv");
    EXPECT_EQ(calls[1].url, "mms://h/two");
    EXPECT_EQ(calls[2].url, "http://h/three.wma");
    EXPECT_TRUE(FileExists(dir.File("t0.wmv")));
    EXPECT_TRUE(FileExists(dir.File("t1.asf")));
    EXPECT_TRUE(FileExists(dir.File("t2.wma")));

    // One entry keeps the title; no title keeps the entries' own names.
    WriteFile(list, Asx({"mms://h/solo.wmv"}));
    Run(list, "t");
    EXPECT_TRUE(FileExists(dir.File("t.wmv")));
    WriteFile(list, Asx({"mms://h/x.wmv", "mms://h/y.wmv"}));
    Run(list, "");
    EXPECT_TRUE(FileExists(dir.File("x.wmv")));
    EXPECT_TRUE(FileExists(dir.File("y.wmv")));
}

TEST_F(DriverTest, StopEndsThePlaylist)
{
    const std::string list = dir.File("list.asx");
    WriteFile(list, Asx({"mms://h/one.wmv", "mms://h/two.wmv"}));
    std::atomic<int> entered{0};
    script->On(K::MmsTcp, scripted::WaitForStop(&entered));
    auto job = Make(list, "t");
    ASSERT_TRUE(job->Start());
    while (entered == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    job->Stop();
    job->Join();
    EXPECT_EQ(script->Calls().size(), 1u);
    EXPECT_TRUE(job->job().stopRequested);
    EXPECT_FALSE(job->job().errorFlag);
}

TEST_F(DriverTest, NetworkPlaylistIsDownloadedThenDriven)
{
    script->On(K::HttpDownload, scripted::WriteText(Asx({"mms://h/a.wmv", "mms://h/b.wmv"})));
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    auto job = Run("http://h/dir/list.asx", "show");
    auto calls = script->Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, K::HttpDownload);
    EXPECT_EQ(calls[0].url, "http://h/dir/list.asx");
    EXPECT_EQ(calls[0].user, "");
    EXPECT_EQ(calls[0].resume, 0u);
    EXPECT_EQ(calls[0].extra, JobDriver::kSaveWhateverArrives);
    EXPECT_EQ(calls[1].extra, 0);
    EXPECT_TRUE(FileExists(dir.File("list.asx")));
    EXPECT_TRUE(FileExists(dir.File("show0.wmv")));
    EXPECT_TRUE(FileExists(dir.File("show1.wmv")));
}

TEST_F(DriverTest, PlaylistNestingStops)
{
    // A playlist that names itself.
    const std::string list = dir.File("self.asx");
    WriteFile(list, Asx({list}));
    auto job = Run(list);
    EXPECT_TRUE(job->job().errorFlag);
    EXPECT_NE(job->job().ErrorText().find("nested"), std::string::npos);

    // The same over the network: eight downloads, then the error.
    script->On(K::HttpDownload, scripted::WriteText(Asx({"http://h/loop.asx"})));
    job = Run("http://h/loop.asx");
    EXPECT_EQ(script->Calls().size(), static_cast<size_t>(JobDriver::kMaxPlaylistDepth));
    EXPECT_NE(job->job().ErrorText().find("nested"), std::string::npos);
}

TEST_F(DriverTest, PlaylistWithoutReferencesIsItsOwnAddress)
{
    // A text file named .asx that holds a bare address is that address.
    const std::string list = dir.File("bare.asx");
    WriteFile(list, "mms://h/plain.wmv");
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    auto job = Run(list, "t");
    auto calls = script->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].url, "mms://h/plain.wmv");
    EXPECT_TRUE(FileExists(dir.File("t.wmv")));
}

TEST_F(DriverTest, UnusablePlaylistsAreErrors)
{
    script->On(K::MmsTcp, scripted::Write(300 * 1024));
    const std::string list = dir.File("empty.asx");
    WriteFile(list, "<ASX/>");
    auto job = Run(list);
    EXPECT_TRUE(job->job().errorFlag);
    EXPECT_EQ(job->job().ErrorText(), "The playlist holds no entries");

    WriteFile(list, std::string(JobDriver::kMaxPlaylistBytes - 100, ' ') + "mms://h/a.wmv\n" +
                        std::string(100, ' '));
    job = Run(list);
    EXPECT_TRUE(job->job().errorFlag);
    EXPECT_TRUE(script->Calls().empty());
    EXPECT_NE(job->job().ErrorText().find("too large"), std::string::npos);

    job = Run(dir.File("missing.asx"));
    EXPECT_TRUE(job->job().errorFlag);

    script->On(K::HttpDownload, scripted::Fail("404 Not Found"));
    job = Run("http://h/gone.asx");
    EXPECT_EQ(job->job().ErrorText(), "404 Not Found");
    EXPECT_EQ(script->Kinds(), std::vector<K>{K::HttpDownload});
}
