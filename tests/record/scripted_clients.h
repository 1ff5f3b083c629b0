#pragma once

// Scripted stand-ins for the protocol clients and the status queue: the
// engine's tests drive real jobs, threads and files with them.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/status_sink.h"
#include "base/user_prompts.h"
#include "formats/byte_sink.h"
#include "protocols/client_hooks.h"
#include "protocols/protocol_client.h"
#include "record/cmms_thread.h"
#include "scripted_prompts.h"
#include "test_support.h"

inline void PrintTo(const FailedAttempt& a, std::ostream* os)
{
    *os << "{" << TransportName(a.transport) << ", " << a.address << ", " << a.reason << "}";
}

namespace scripted {

using K = ClientKind;

struct Call {
    K kind;
    std::string url;
    std::string user;
    long filePosition;  // where the file stood when the client started; -1: no file
    uint64_t resume;
};

// What a client does in Record; `stop` is the client's own stop flag.
using Behaviour = std::function<uint64_t(const RecordRequest&, ClientHooks&, std::atomic<bool>& stop)>;

// The calls of every client made for its services, and the behaviour of each
// kind (none: the client fails without a word). Outlives the jobs.
class Script {
public:
    void On(K kind, Behaviour b)
    {
        std::lock_guard lock(mutex_);
        behaviours_[static_cast<size_t>(kind)] = std::move(b);
    }
    void OnAll(const Behaviour& b) { for (K k : {K::MmsTcp, K::Rtsp, K::Mmsh, K::HttpDownload}) On(k, b); }
    std::vector<Call> Calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::vector<K> Kinds() const
    {
        std::vector<K> kinds;
        for (const Call& c : Calls())
            kinds.push_back(c.kind);
        return kinds;
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }
    JobServices Services()
    {
        JobServices services;
        services.factory = [this](K kind, const ClientEnvironment& env) {
            return std::make_unique<Client>(kind, *env.hooks, *this);
        };
        return services;
    }

private:
    class Client final : public ProtocolClient {
    public:
        Client(K kind, ClientHooks& hooks, Script& script) : kind_(kind), hooks_(hooks), script_(script) {}
        uint64_t Record(const RecordRequest& r) override
        {
            std::unique_lock lock(script_.mutex_);
            script_.calls_.push_back(
                {kind_, r.url, r.user, r.out ? static_cast<long>(r.out->Position()) : -1, r.resume.value()});
            Behaviour b = script_.behaviours_[static_cast<size_t>(kind_)];
            lock.unlock();
            return b ? b(r, hooks_, stop_) : 0;
        }
        void Stop() override { stop_ = true; }

    private:
        K kind_;
        ClientHooks& hooks_;
        Script& script_;
        std::atomic<bool> stop_{false};
    };
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    Behaviour behaviours_[4];
};

// Writes the text, reporting connect, header (1:02:03) and progress as a
// real client does; returns the count.
inline Behaviour WriteText(std::string text)
{
    return [text](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>&) {
        hooks.OnConnecting(r.url, 0);
        hooks.OnHeaderReceived(r.url, 3723000);
        if (r.out)
            r.out->Write(text.data(), text.size());
        hooks.OnProgress(text.size(), 10000, 65000);
        return uint64_t{text.size()};
    };
}
inline Behaviour Write(size_t bytes) { return WriteText(std::string(bytes, 'x')); }
// More than the size under which a media recording counts as failed.
constexpr size_t kEnough = 300 * 1024;

inline Behaviour Fail(std::string text)
{
    return [text](const RecordRequest&, ClientHooks& hooks, std::atomic<bool>&) {
        hooks.ReportError(text);
        return uint64_t{0};
    };
}

inline void WaitUntil(const std::function<bool()>& condition)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

// A server that never answers: the client waits for its stop flag.
inline Behaviour WaitForStop(std::atomic<int>* entered)
{
    return [entered](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        ++*entered;
        hooks.OnConnecting(r.url, 0);
        WaitUntil([&] { return stop.load(); });
        return uint64_t{0};
    };
}

// Collects the posted events in order.
class Sink final : public StatusSink {
public:
    void Post(const JobEvent& event) override
    {
        std::lock_guard lock(mutex_);
        posts_.push_back(event);
    }
    std::vector<JobEvent> Events() const
    {
        std::lock_guard lock(mutex_);
        return posts_;
    }
    std::vector<JobEventKind> EventKinds() const
    {
        std::vector<JobEventKind> kinds;
        for (const JobEvent& e : Events())
            kinds.push_back(e.kind);
        return kinds;
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        posts_.clear();
        taken_ = 0;
    }
    // The oldest event not taken yet, waiting for one; false when none came.
    bool Take(JobEvent* out)
    {
        WaitUntil([&] { return Events().size() > taken_; });
        std::lock_guard lock(mutex_);
        if (taken_ == posts_.size())
            return false;
        *out = posts_[taken_++];
        return true;
    }

private:
    mutable std::mutex mutex_;
    std::vector<JobEvent> posts_;
    size_t taken_ = 0;  // only the test's thread takes
};

// What the engine's tests share: the output folder, script, sink and user.
class EngineTest : public ::testing::Test {
protected:
    EngineTest() { settings.m_baseDir = dir.path(); }
    JobServices Services()
    {
        JobServices services = script.Services();
        services.prompts = &prompts;
        return services;
    }

    testsupport::TempDir dir;
    AppSettings settings;
    Script script;
    Sink sink;
    ScriptedPrompts prompts;
};

}  // namespace scripted
