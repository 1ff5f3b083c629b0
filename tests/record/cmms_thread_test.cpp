#include "record/cmms_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "record/job_driver.h"
#include "scripted_clients.h"
#include "test_support.h"

using testsupport::TempDir;
using K = ClientKind;
using Clock = std::chrono::steady_clock;

namespace {

class CmmsThreadTest : public ::testing::Test {
protected:
    void SetUp() override { settings.m_baseDir = dir.path(); }

    std::unique_ptr<CmmsThread> Make(const std::string& url, StatusSink* owner, uint16_t id = 3)
    {
        JobServices services;
        services.factory = scripted::Factory(script);
        services.resumeScanner = [](const std::string&, uint32_t*, uint32_t*) { return false; };
        return std::make_unique<CmmsThread>(owner, id, settings, url, "", "Agent/1", "u", "p",
                                            services);
    }
    void WaitEntered(const std::atomic<int>& entered)
    {
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (entered == 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_GT(entered.load(), 0);
    }

    TempDir dir;
    AppSettings settings;
    std::shared_ptr<scripted::Script> script = std::make_shared<scripted::Script>();
    scripted::Sink sink;
};

// Calls every hook once, as one client could.
uint32_t EveryHook(K, const RecordRequest& r, ClientHooks& hooks, const std::atomic<bool>&)
{
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
    return 1536;
}

}  // namespace

TEST_F(CmmsThreadTest, HooksStoreValuesAndPostCodes)
{
    script->On(K::MmsTcp, EveryHook);
    auto job = Make("mms://h/a.asf", &sink, 42);
    ASSERT_TRUE(job->Start());
    job->Join();
    EXPECT_TRUE(job->Finished());

    // A client's own OnFinished does not end the job; the worker's end does.
    std::vector<int> expected = {kStatusConnecting, kStatusHeaderReceived, kStatusProgress,
                                 kStatusCredentials, kStatusStreamUrlFound,
                                 kStatusStreamUrlFound, kStatusFinished};
    EXPECT_EQ(sink.Codes(), expected);
    for (auto& post : sink.Posts())
        EXPECT_EQ(post.first, 42);

    const RecordJob& r = job->job();
    EXPECT_EQ(r.durationMs, 61000u);
    EXPECT_TRUE(r.headerReceived);
    EXPECT_EQ(r.bytesWritten, 1536u);
    EXPECT_EQ(r.progress, 2500u);
    EXPECT_EQ(r.timeMs, 65000u);
    EXPECT_EQ(r.User(), "newuser");
    EXPECT_EQ(r.Password(), "newpass");
    EXPECT_EQ(r.FoundUrl(), "mms://h/found2");
    EXPECT_TRUE(r.noNext);
    EXPECT_TRUE(r.errorFlag);
    EXPECT_EQ(r.ErrorText().size(), CmmsThread::kMaxErrorText);
    EXPECT_FALSE(r.running);
    // Each found address is kept for its own code.
    EXPECT_EQ(job->job().TakeEventText(kStatusStreamUrlFound, ""), "mms://h/found1");
    EXPECT_EQ(job->job().TakeEventText(kStatusStreamUrlFound, ""), "mms://h/found2");
    EXPECT_EQ(job->job().TakeEventText(kStatusStreamUrlFound, "none"), "none");
}

TEST_F(CmmsThreadTest, JobWithoutOwnerPostsNothing)
{
    script->On(K::MmsTcp, EveryHook);
    auto job = Make("mms://h/a.asf", nullptr);
    ASSERT_TRUE(job->Start());
    job->Join();
    // Every hook ran and stored its values; there was nowhere to post.
    EXPECT_EQ(job->job().User(), "newuser");
    EXPECT_EQ(job->job().durationMs, 61000u);
    EXPECT_TRUE(sink.Posts().empty());
}

TEST_F(CmmsThreadTest, StopWhileTheServerIsSilent)
{
    std::atomic<int> entered{0};
    script->On(K::MmsTcp, scripted::WaitForStop(&entered));
    auto job = Make("mms://h/a.asf", &sink);
    ASSERT_TRUE(job->Start());
    WaitEntered(entered);
    auto start = Clock::now();
    job->Stop();
    job->Join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));

    // No further client tried; the driver's file got nothing and is gone,
    // and the job counts as cancelled rather than failed.
    EXPECT_EQ(script->Kinds(), std::vector<K>{K::MmsTcp});
    EXPECT_FALSE(testsupport::FileExists(dir.File("a.asf")));
    EXPECT_TRUE(job->job().stopRequested);
    EXPECT_FALSE(job->job().errorFlag);
    EXPECT_EQ(sink.Codes().back(), kStatusFinished);
}

TEST_F(CmmsThreadTest, StopBeforeStartRunsNoClient)
{
    script->On(K::MmsTcp, scripted::Write(1000));
    auto job = Make("mms://h/a.asf", &sink);
    job->Stop();
    ASSERT_TRUE(job->Start());
    job->Join();
    EXPECT_TRUE(script->Calls().empty());
    EXPECT_EQ(sink.Codes(), std::vector<int>{kStatusFinished});
}

TEST_F(CmmsThreadTest, StopReachesAClientThatClearsItsFlagOnStart)
{
    // A client may clear its stop flag when an attempt begins. A stop that
    // lands just before that must still end the attempt.
    std::atomic<bool> stopCalled{false};
    std::atomic<int> entered{0};
    class Resetting final : public ProtocolClient {
    public:
        Resetting(const ClientEnvironment& env, std::atomic<bool>& stopCalled, std::atomic<int>& entered)
            : hooks_(env.hooks), stopCalled_(stopCalled), entered_(entered) {}
        uint32_t Record(const RecordRequest& r) override
        {
            ++entered_;
            while (!stopCalled_)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            stop_ = false;  // the client's own reset
            hooks_->OnConnecting(r.url, 1755);
            auto deadline = Clock::now() + std::chrono::seconds(30);
            while (!stop_ && Clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return 0;
        }
        void Stop() override { stop_ = true; }

    private:
        ClientHooks* hooks_;
        std::atomic<bool>& stopCalled_;
        std::atomic<int>& entered_;
        std::atomic<bool> stop_{false};
    };
    JobServices services;
    services.factory = [&](K, const ClientEnvironment& env) -> std::unique_ptr<ProtocolClient> {
        return std::make_unique<Resetting>(env, stopCalled, entered);
    };
    services.resumeScanner = [](const std::string&, uint32_t*, uint32_t*) { return false; };
    CmmsThread job(&sink, 1, settings, "mms://h/a.asf", "", "", "", "", services);
    ASSERT_TRUE(job.Start());
    WaitEntered(entered);
    job.Stop();
    stopCalled = true;
    auto start = Clock::now();
    job.Join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(entered.load(), 1);
}

TEST_F(CmmsThreadTest, DestroyingARunningJobStopsAndWaits)
{
    std::atomic<int> entered{0};
    script->On(K::MmsTcp, scripted::WaitForStop(&entered));
    auto job = Make("mms://h/a.asf", &sink);
    ASSERT_TRUE(job->Start());
    WaitEntered(entered);
    auto start = Clock::now();
    job.reset();  // the thread must have ended before the object goes
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(sink.Codes().back(), kStatusFinished);
}

TEST_F(CmmsThreadTest, ProbeOrderHasNoRewriteAndNoFile)
{
    struct Case {
        const char* url;
        std::vector<K> order;
    } cases[] = {
        {"http://h/a.asf", {K::Mmsh, K::HttpDownload, K::MmsTcp, K::Rtsp}},
        {"http://h/a", {K::HttpDownload, K::Mmsh, K::MmsTcp, K::Rtsp}},
        {"mms://h/a.wmv", {K::MmsTcp, K::Mmsh, K::HttpDownload}},
        {"mms://h/a", {K::MmsTcp, K::HttpDownload, K::Mmsh}},
        {"rtsp://h/a.asf", {K::Rtsp, K::Mmsh, K::HttpDownload}},
        {"rtsp://h/a", {K::Rtsp, K::HttpDownload, K::Mmsh}},
    };
    for (K k : {K::MmsTcp, K::Rtsp, K::Mmsh, K::HttpDownload})
        script->On(k, scripted::Fail("no"));
    auto probe = Make("", nullptr, 0);
    for (const Case& c : cases) {
        script->Clear();
        EXPECT_EQ(probe->Check(c.url, "cu", "cp"), 0u);
        EXPECT_EQ(script->Kinds(), c.order) << c.url;
        for (const scripted::Call& call : script->Calls()) {
            EXPECT_FALSE(call.hasFile);
            EXPECT_EQ(call.url, c.url);
            EXPECT_EQ(call.playerAgent, "Agent/1");
            bool withCredentials = call.kind == K::Mmsh || call.kind == K::HttpDownload;
            EXPECT_EQ(call.user, withCredentials ? "cu" : "");
        }
    }
    // A success ends the probe; Check clears what the last probe left.
    script->On(K::Mmsh, [](K, const RecordRequest&, ClientHooks&, const std::atomic<bool>&) {
        return uint32_t{5000};
    });
    script->Clear();
    EXPECT_EQ(probe->Check("http://h/a.asf", "", ""), 5000u);
    EXPECT_EQ(script->Kinds(), std::vector<K>{K::Mmsh});
    EXPECT_FALSE(probe->job().errorFlag);
}

TEST(CmmsThreadEnvironment, ClientsReceiveTheJobsEnvironment)
{
    AppSettings settings;
    settings.m_maxSize = 77;
    JobServices services;
    services.connectTimeoutMs = 1234;
    services.idleTimeoutMs = 5678;
    std::vector<ClientHooks*> hooks;
    std::vector<K> kinds;
    services.factory = [&](K kind, const ClientEnvironment& env) -> std::unique_ptr<ProtocolClient> {
        kinds.push_back(kind);
        hooks.push_back(env.hooks);
        EXPECT_EQ(env.settings.m_maxSize, 77);
        EXPECT_EQ(env.connectTimeoutMs, 1234);
        EXPECT_EQ(env.idleTimeoutMs, 5678);
        return std::make_unique<scripted::ScriptedClient>(kind, env,
                                                          std::make_shared<scripted::Script>());
    };
    CmmsThread job(nullptr, 0, settings, "", "", "", "", "", services);
    EXPECT_EQ(kinds, (std::vector<K>{K::MmsTcp, K::Rtsp, K::Mmsh, K::HttpDownload}));
    for (ClientHooks* h : hooks)
        EXPECT_EQ(h, static_cast<ClientHooks*>(&job));
}
