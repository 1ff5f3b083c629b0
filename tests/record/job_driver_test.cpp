#include "record/job_driver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "medialist/media_list.h"
#include "record/cmms_thread.h"
#include "record/existing_file.h"
#include "record/output_names.h"
#include "scripted_clients.h"
#include "test_support.h"

using namespace scripted;
using testsupport::FileExists;
using testsupport::FileSize;
using testsupport::ReadFile;
using testsupport::WriteFile;
using E = UserPrompts::FileExists;

TEST(OutputNames, TitlesAddressesAndNamesFromTheNetwork)
{
    const std::string cases[][3] = {
        {"mms://host/dir/clip.wmv?x=1", "news", "news.wmv"},
        {"mms://host/dir/clip.wmv?x=1", "", "clip.wmv"},
        {"mms://host/live", "news", "news.asf"},
        {"c:\\media\\clip.wmv", "", "clip.wmv"},  // lists made on Windows
        {"mms://h/clip.wmv", "../../etc/x", ".._.._etc_x.wmv"},
        {"mms://h/clip.wmv", std::string("a\0b", 3), "a_b.wmv"},
        {"mms://host.example:1755/dir/", "", "host.example.asf"},
        {"http://user:pw@host/..", "", "host.asf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeOutputPath("/base", c[0], c[1]), "/base/" + c[2]) << c[0];
    // An over-long title is cut to one file name, keeping its extension and
    // whole UTF-8 characters.
    std::string title;
    for (int i = 0; i < 200; ++i)
        title += "\xED\x95\x9C";
    const std::string name = MakeOutputPath("/base", "mms://h/clip.wmv", title).substr(6);
    EXPECT_LE(name.size(), 255u);
    EXPECT_EQ(name.substr(name.size() - 4), ".wmv");
    EXPECT_EQ((name.size() - 4) % 3, 0u);
}

class DriverTest : public EngineTest {
protected:
    void TearDown() override { SetPassAll(false); }

    // Runs one job on its thread to the end; the job stays until the next Run.
    RecordJob& Run(const std::string& url, const std::string& title = "")
    {
        JobServices services = Services();
        services.resumeScanner = [this](const std::string&, ResumePoint* point) {
            point->packet = 4;
            point->offset = resumeOffset;
            return resumeOffset != 0;
        };
        job = std::make_unique<CmmsThread>(&sink, 7, settings, url, title, "", "member", "secret", services);
        EXPECT_TRUE(job->Start());
        job->Join();
        return job->job();
    }
    // No files, calls or questions: the next case starts afresh.
    void Fresh()
    {
        script.Clear();
        prompts.asked.clear();
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directory(dir.path());
    }

    uint64_t resumeOffset = 0;  // 0: the scanner finds nothing to resume
    std::unique_ptr<CmmsThread> job;
};

TEST_F(DriverTest, FallbackOrderOfRecordingAndCheck)
{
    const K M = K::MmsTcp, R = K::Rtsp, S = K::Mmsh, H = K::HttpDownload;
    struct Case {
        std::string url;
        std::vector<K> record, check;
    } cases[] = {
        {"http://h/a.wmv", {S, H, M}, {S, H, M, R}},
        {"mmsu://h/a.asf", {S, H, M}, {S, H, M, R}},
        {"http://h/page", {H, S, M}, {H, S, M, R}},
        {"http://h/a.mp3.wma", {H, S, M}, {H, S, M, R}},  // other media before the ASF family
        {"mms://h/a.asf", {M, S, H}, {M, S, H}},
        {"mmst://h/live", {M, H, S}, {M, H, S}},
        {"http://h/go?to=mms://x/a.wmv", {M, S, H}, {M, S, H}},  // "mms:" anywhere decides
        {"RTSP://h/a.wma", {R, S, H}, {R, S, H}},                // upper case is not rewritten
        {"RTSP://h/live", {R, H, S}, {R, H, S}},
        // rtsp:// goes the MMS way first; RTSP gets the original address last.
        {"rtsp://h/a.asf", {M, S, H, R}, {R, S, H}},
        {"rtsp://h/live", {M, H, S, R}, {R, H, S}},
    };
    for (K k : {M, R, S, H})
        script.On(k, Fail(std::to_string(static_cast<int>(k))));
    CmmsThread probe(nullptr, 0, settings, "", "", "", "", "", Services());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        Fresh();
        RecordJob& job = Run(c.url);
        EXPECT_EQ(script.Kinds(), c.record);
        EXPECT_EQ(job.ErrorText(), std::to_string(static_cast<int>(c.record.back()))) << "the last error";
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "an empty file was left";
        const std::string mms = c.url.rfind("rtsp://", 0) == 0 ? "mms" + c.url.substr(4) : c.url;
        for (const Call& call : script.Calls()) {
            EXPECT_EQ(call.url, call.kind == R ? c.url : mms);
            EXPECT_EQ(call.user, call.kind == S || call.kind == H ? "member" : "");
            EXPECT_EQ(call.filePosition, 0);
        }
        script.Clear();
        EXPECT_EQ(probe.Check(c.url, "cu", "cp"), 0u);
        EXPECT_EQ(script.Kinds(), c.check);
        for (const Call& call : script.Calls())
            EXPECT_EQ(call.url + call.user, c.url + (call.kind == S || call.kind == H ? "cu" : ""));
    }
}

// The first client writes `bytes` (none: half a header for the next to
// overwrite) and reports as given; the others fail without a word. A stream
// with packets is a recording however short; anything else under the size
// rule's limit fails, unless authorisation was declined.
TEST_F(DriverTest, WhenTheAttemptsEndAndHowTheSizeRuleJudges)
{
    constexpr size_t kSmall = 160 * 1024;  // a whole 20-second audio stream
    const StreamEnd kNone = StreamEnd::Unknown, kEos = StreamEnd::EndOfStream;
    const JobResult kOk = JobResult::Completed, kFailed = JobResult::Failed, kCut = JobResult::Incomplete;
    struct Case {
        const char* url;
        size_t bytes;
        const char* error;
        bool noNext;
        StreamEnd end;  // Unknown: the client does not report a media phase
        uint64_t packets;
        size_t attempts;
        JobResult result;
        const char* text;
    } cases[] = {
        {"mms://h/a.asf", 256 * 1024, "", false, kNone, 0, 1, kOk, ""},
        {"mms://h/a.asf", 100 * 1024, "", false, kNone, 0, 1, kFailed, JobDriver::kTooSmallText},
        {"mms://h/a.asf", 100 * 1024, "", true, kNone, 0, 1, kOk, ""},
        {"http://h/a.mp3", 100 * 1024, "", true, kNone, 0, 1, kFailed, JobDriver::kTooSmallText},
        {"mms://h/live", 100 * 1024, "", false, kNone, 0, 1, kOk, ""},  // not a media name
        {"mms://h/a.asf", 0, "Unauthorized", true, kNone, 0, 1, kFailed, "Unauthorized"},
        {"mms://h/a.asf", 0, "Server refused", false, kNone, 0, 3, kFailed, "Server refused"},
        {"mms://h/live", 0, "", false, kNone, 0, 3, kFailed, "Recording failed"},
        {"mms://h/a.wma", kSmall, "", false, kEos, 40, 1, kOk, ""},
        {"mms://h/live.wma", kSmall, "", false, StreamEnd::ConnectionLost, 40, 1, kOk, ""},
        {"rtsp://h/a.wma", kSmall, "", false, StreamEnd::LimitReached, 40, 1, kOk, ""},
        {"mms://h/a.wma", kSmall, "", false, kEos, 0, 1, kFailed, JobDriver::kTooSmallText},  // a header alone
        {"mms://h/a.wma", kSmall, "", false, StreamEnd::Incomplete, 40, 1, kCut, ""},
        {"mms://h/a.wma", kSmall, "", false, StreamEnd::Interrupted, 0, 1, kFailed, JobDriver::kEndedEarlyText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.url) + " " + std::to_string(c.bytes) + c.error + " " +
                     std::to_string(static_cast<int>(c.end)));
        Fresh();
        script.OnAll([&](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) -> uint64_t {
            if (script.Calls().size() > 1)
                return 0;
            if (*c.error)
                hooks.ReportError(c.error);
            if (c.noNext)
                hooks.OnNoNext();
            if (!c.bytes && !c.noNext)
                r.out->Write("half a header", 13);
            const uint64_t n = c.bytes ? Write(c.bytes)(r, hooks, stop) : 0;
            if (c.end != kNone)
                hooks.OnStreamEnd(c.end, c.packets);
            return n;
        });
        RecordJob& job = Run(c.url);
        EXPECT_EQ(script.Calls().size(), c.attempts);
        for (const Call& call : script.Calls())
            EXPECT_EQ(call.filePosition, 0) << "a failed attempt left its bytes to the next";
        EXPECT_EQ(job.Result(), c.result);
        EXPECT_EQ(job.ErrorText(), c.text);
        EXPECT_EQ(sink.Events().back().result, c.result);
        // Whatever the judgement, what was recorded stays on disk.
        EXPECT_EQ(FileExists(job.OutputPath()) ? FileSize(job.OutputPath()) : 0, c.bytes);
    }

    // Each attempt's end is its own: a stream the first client cut short
    // does not make the second client's whole stream incomplete.
    Fresh();
    script.On(K::MmsTcp, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>&) -> uint64_t {
        hooks.OnStreamEnd(StreamEnd::Incomplete, 3);
        r.out->Write("cut", 3);
        hooks.ReportError("Connection reset");
        return 0;
    });
    script.On(K::Mmsh, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) -> uint64_t {
        const uint64_t n = Write(kSmall)(r, hooks, stop);
        hooks.OnStreamEnd(StreamEnd::EndOfStream, 40);
        return n;
    });
    EXPECT_EQ(Run("mms://h/b.wma").Result(), JobResult::Completed);
}

TEST_F(DriverTest, AnExistingFileIsResumedOverwrittenRenamedOrKept)
{
    // The old file holds 100 KB of whole packets and a partial one. MMS over
    // TCP fails; MMS over HTTP adds 200 KB, enough for a recording only
    // together with what a resumed file held.
    const std::string path = dir.File("a.asf"), kept(100 * 1024, 'k'), old = kept + "partial packet";
    const std::string added(200 * 1024, 'n');
    script.On(K::MmsTcp, Fail("down"));
    script.On(K::Mmsh, WriteText(added));
    struct Case {
        bool resumable;  // the scan finds whole packets to go on from
        int ask;         // m_resumable: 1 asks "Resumable?"
        bool yes;
        E button;  // the answer to "Overwrite?" and its "All" box
        bool all;
        std::string saveAs;  // the Save As answer
        int overWrite;
        std::string asked;   // R: resume, O: overwrite, S: Save As
        std::string output;  // "": nothing recorded
        bool resumed;
    } cases[] = {
        {false, 1, false, E::Ok, false, "", 1, "O", "a.asf", false},
        {false, 1, false, E::Cancel, false, "", 1, "O", "", false},
        {false, 1, false, E::SaveAs, false, "chosen.asf", 1, "OS", "chosen.asf", false},
        {false, 1, false, E::Pass, false, "", 1, "O", "", false},
        {false, 1, false, E::Ok, false, "", 0, "", "a(0).asf", false},  // numbered, unasked
        {true, 1, true, E::Ok, false, "", 1, "R", "a.asf", true},
        {true, 0, false, E::Ok, false, "", 1, "", "a.asf", true},
        // Declining is not consent to destroy the file: the overwrite rules
        // decide.
        {true, 1, false, E::Cancel, false, "", 1, "RO", "", false},
        {true, 1, false, E::Ok, false, "", 0, "R", "a(0).asf", false},
        {false, 1, false, E::Pass, true, "", 1, "O", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked + " " + c.output);
        Fresh();
        WriteFile(path, old);
        resumeOffset = c.resumable ? kept.size() : 0;
        settings.m_resumable = c.ask;
        settings.m_overWrite = c.overWrite;
        prompts.resume = c.yes;
        prompts.exists = {{c.button, c.all}};
        prompts.savePath = c.saveAs.empty() ? "" : dir.File(c.saveAs);
        RecordJob& job = Run("mms://h/a.asf");
        std::string asked;
        for (const std::string& q : prompts.asked)
            asked += q == path + " \n\n File exist. Resumable?" ? "R"
                     : q == path + " \n\n File exist. Overwrite?" ? "O"
                     : q == "save as " + path                     ? "S"
                                                                  : q;
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(job.OutputPath(), c.output.empty() ? path : dir.File(c.output));
        EXPECT_EQ(ReadFile(path) == old, c.output != "a.asf");
        EXPECT_EQ(PassAll(), c.all);
        const auto calls = script.Calls();
        ASSERT_EQ(calls.size(), c.output.empty() ? 0u : 2u);
        if (calls.empty())
            continue;
        // Both clients go on where the kept packets end; what the file held
        // counts towards the size of the recording.
        EXPECT_EQ(calls[0].resume, c.resumed ? 4u : 0u);
        EXPECT_EQ(calls[1].resume, c.resumed ? kept.size() : 0u);
        EXPECT_EQ(calls[1].filePosition, c.resumed ? static_cast<long>(kept.size()) : 0);
        EXPECT_EQ(ReadFile(job.OutputPath()), c.resumed ? kept + added : added);
        EXPECT_EQ(job.errorFlag, !c.resumed);
    }
    // After "Pass" with "All" every existing file is kept unasked.
    Fresh();
    WriteFile(dir.File("b.asf"), "old");
    Run("mms://h/b.asf");
    EXPECT_EQ(sink.Events().back().kind, JobEventKind::Finished);
    EXPECT_EQ(sink.Events().end()[-2].kind, JobEventKind::FileKept);
    EXPECT_EQ(sink.Events().end()[-2].text, dir.File("b.asf"));
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(ReadFile(dir.File("b.asf")), "old");

    // A resumed file keeps what it held when nothing could be added; the
    // download, which starts at the beginning of the body, is not tried.
    WriteFile(path, kept);
    resumeOffset = kept.size();
    settings.m_resumable = 0;
    script.On(K::Mmsh, Fail("down"));
    script.On(K::HttpDownload, WriteText("a whole body"));
    Run("mms://h/a.asf");
    EXPECT_EQ(ReadFile(path), kept);
}

static std::string Asx(const std::vector<std::string>& refs)
{
    std::string text = "<ASX version=\"3.0\">\r\n";
    for (const std::string& r : refs)
        text += "<Entry><Ref href=\"" + r + "\"/></Entry>\r\n";
    return text + "</ASX>\r\n";
}

TEST_F(DriverTest, TheMembersCredentialsGoOnlyToTheServerOfTheAddress)
{
    // Entries on the same server (any streaming scheme) get them; others get
    // none, and what they are let in with is not kept as the job's.
    const Behaviour list = WriteText(Asx({"mms://H/one.wmv", "mms://other/two.wmv", "mms://h:8080/three.wmv"}));
    script.On(K::HttpDownload, [list](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        return r.url == "http://h/dir/list.asx" ? list(r, hooks, stop) : 0;
    });
    script.On(K::MmsTcp, Fail("no"));
    script.On(K::Mmsh, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>&) {
        hooks.OnCredentials("asked", "for " + r.url);
        return uint64_t{0};
    });
    RecordJob& job = Run("http://h/dir/list.asx", "t");
    std::vector<std::string> users;
    for (const Call& call : script.Calls()) {
        if (call.kind == K::Mmsh)
            users.push_back(call.url + " " + call.user);
    }
    EXPECT_EQ(users, (std::vector<std::string>{"mms://H/one.wmv member", "mms://other/two.wmv ",
                                               "mms://h:8080/three.wmv "}));
    EXPECT_EQ(job.User(), "asked");
    EXPECT_EQ(job.Password(), "for mms://H/one.wmv");
}

TEST_F(DriverTest, PlaylistEntriesGetNumberedTitlesAndNestingStops)
{
    script.On(K::HttpDownload, WriteText(Asx({"mms://h/one.wmv", "mms://h/two", "http://h/three.wma"})));
    script.On(K::MmsTcp, Write(kEnough));
    script.On(K::Mmsh, Write(kEnough));
    EXPECT_FALSE(Run("http://h/dir/list.asx", "t").errorFlag);
    for (const char* name : {"t0.wmv", "t1.asf", "t2.wma"})
        EXPECT_TRUE(FileExists(dir.File(name))) << name;
    EXPECT_EQ(script.Calls().at(0).user, "") << "the list is fetched without the member's credentials";

    Fresh();
    // Nesting ends at its depth (each level a playlist of its own).
    script.On(K::HttpDownload, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        return WriteText(Asx({r.url + "x.asx"}))(r, hooks, stop);
    });
    EXPECT_NE(Run("http://h/deep.asx").ErrorText().find("nested"), std::string::npos);
    EXPECT_EQ(script.Calls().size(), static_cast<size_t>(kMaxPlaylistDepth));
    WriteFile(dir.File("big.asx"), std::string(MediaList::kMaxPlaylistBytes, ' ') + "mms://h/a.wmv\n");
    EXPECT_NE(Run(dir.File("big.asx")).ErrorText().find("too large"), std::string::npos);
    // A FIFO named like a playlist is refused, not waited on.
    ASSERT_EQ(mkfifo(dir.File("pipe.asx").c_str(), 0600), 0);
    EXPECT_NE(Run(dir.File("pipe.asx")).ErrorText().find("Cannot read"), std::string::npos);
}

// A downloaded playlist is read from a private temporary file, never named
// from the network; each is read once, and one job reads at most 64.
TEST_F(DriverTest, APlaylistNeverNamesAFileNorRunsWithoutEnd)
{
    testsupport::TempDir tmp;
    ASSERT_EQ(::setenv("TMPDIR", tmp.path().c_str(), 1), 0);
    WriteFile(dir.File("victim.asf"), "precious");
    WriteFile(dir.File("list.asx"), "the user's own list");
    script.On(K::HttpDownload, WriteText(Asx({"mms://h/one.wmv"})));
    script.On(K::MmsTcp, Write(kEnough));
    for (const char* address : {"http://h/evil.asx?/victim.asf", "http://h/list.asx", "http://h/a/..%2f..%2fx.asx"}) {
        SCOPED_TRACE(address);
        EXPECT_FALSE(Run(address).errorFlag) << job->job().ErrorText();
        EXPECT_EQ(ReadFile(dir.File("victim.asf")), "precious");
        EXPECT_EQ(ReadFile(dir.File("list.asx")), "the user's own list");
        EXPECT_EQ(job->job().OutputPath(), dir.File("one.wmv"));
        std::filesystem::remove(dir.File("one.wmv"));
    }
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"list.asx", "victim.asf"}));
    EXPECT_TRUE(std::filesystem::is_empty(tmp.path())) << "the temporary file is removed";

    // A playlist naming itself is read once, however often it does.
    Fresh();
    script.On(K::HttpDownload, WriteText(Asx({"http://h/loop.asx", "mms://h/one.wmv", "http://h/loop.asx"})));
    RecordJob& looped = Run("http://h/loop.asx");
    EXPECT_EQ(script.Kinds(), (std::vector<K>{K::HttpDownload, K::MmsTcp}));
    EXPECT_EQ(looped.ErrorText(), "The playlist http://h/loop.asx was read before in this job");
    WriteFile(dir.File("self.asx"), Asx({dir.File("self.asx"), dir.File("self.asx")}));
    EXPECT_NE(Run(dir.File("self.asx")).ErrorText().find("read before"), std::string::npos);

    // Playlists that each name two new ones: the breadth is bounded too.
    Fresh();
    script.On(K::HttpDownload, [](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        const int n = std::stoi(r.url.substr(r.url.rfind('/') + 1));
        return WriteText(Asx({"http://h/" + std::to_string(2 * n + 1) + ".asx",
                              "http://h/" + std::to_string(2 * n + 2) + ".asx"}))(r, hooks, stop);
    });
    RecordJob& wide = Run("http://h/0.asx");
    EXPECT_EQ(script.Calls().size(), JobDriver::kMaxPlaylistsPerJob);
    EXPECT_EQ(wide.Result(), JobResult::Failed);
    EXPECT_NE(wide.ErrorText().find("More than 64 playlists in one job"), std::string::npos) << wide.ErrorText();
    EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));
    ::unsetenv("TMPDIR");
}

// Nothing but a regular file at the output name is read, resumed or
// replaced; a numbered name leaves anything else alone.
TEST_F(DriverTest, OnlyARegularFileAtTheOutputNameIsReplacedOrResumed)
{
    testsupport::TempDir outside;
    script.On(K::MmsTcp, Write(kEnough));
    struct Case {
        const char* kind;
        int overWrite;
        E button;
        uint64_t resumable;
    } cases[] = {
        {"link", 1, E::Ok, 0},   {"link", 1, E::Ok, 1000}, {"dangling", 1, E::Ok, 0},
        {"fifo", 1, E::Ok, 0},   {"fifo", 1, E::Pass, 0},  {"fifo", 1, E::Ok, 1000},
        {"folder", 1, E::Ok, 0}, {"link", 0, E::Ok, 0},    {"fifo", 0, E::Ok, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.overWrite) + " " + std::to_string(c.resumable));
        Fresh();
        WriteFile(outside.File("target"), "keep");
        std::filesystem::remove(outside.File("nowhere"));
        const std::string path = dir.File("a.asf"), kind = c.kind;
        if (kind == "link")
            ASSERT_EQ(::symlink(outside.File("target").c_str(), path.c_str()), 0);
        else if (kind == "dangling")
            ASSERT_EQ(::symlink(outside.File("nowhere").c_str(), path.c_str()), 0);
        else if (kind == "fifo")
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        else
            ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
        settings.m_overWrite = c.overWrite;
        settings.m_resumable = 0;
        resumeOffset = c.resumable;
        prompts.exists = {{c.button, false}};
        RecordJob& job = Run("mms://h/a.asf");
        EXPECT_EQ(ReadFile(outside.File("target")), "keep");
        EXPECT_FALSE(FileExists(outside.File("nowhere")));
        const std::string what = kind == "fifo" ? "a FIFO" : kind == "folder" ? "a folder" : "a symbolic link";
        EXPECT_EQ(std::to_string(script.Calls().size()) + " " + std::to_string(prompts.asked.size()) + " " +
                      job.ErrorText() + " " + job.OutputPath(),
                  c.overWrite ? "0 0 " + path + " is " + what + ", not a regular file: nothing is written to it " + path
                              : "1 0  " + dir.File("a(0).asf"));
    }
}

// A numbered name is always free and always a valid name; when every one is
// taken the job says so instead of overwriting the last.
TEST_F(DriverTest, NumberedNamesFitAndNeverOverwrite)
{
    settings.m_overWrite = 0;
    script.On(K::MmsTcp, Write(kEnough));
    // A name of 255 bytes: the stem gives way to the number.
    const std::string title(251, 't');
    WriteFile(dir.File(title + ".asf"), "old");
    RecordJob& job = Run("mms://h/c.asf", title);
    EXPECT_EQ(job.Result(), JobResult::Completed) << job.ErrorText();
    EXPECT_EQ(job.OutputPath(), dir.File(std::string(248, 't') + "(0).asf"));
    EXPECT_EQ(FileSize(job.OutputPath()), kEnough);

    Fresh();
    WriteFile(dir.File("d.asf"), "old");
    for (int n = 0; n < kMaxNumberedNames; ++n)
        WriteFile(dir.File("d(" + std::to_string(n) + ").asf"), "");
    RecordJob& full = Run("mms://h/d.asf");
    EXPECT_EQ(full.Result(), JobResult::Failed);
    EXPECT_EQ(full.ErrorText(), "No free numbered name for " + dir.File("d.asf"));
    EXPECT_TRUE(script.Calls().empty());
    EXPECT_EQ(MakeUniqueName(dir.File("d.asf")), "");
}
