#pragma once

// Scripted stand-ins for the protocol clients, the user and the front end's
// status queue: the engine's tests drive real jobs, threads and files with
// them and look at which client ran with which arguments.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "protocols/client_hooks.h"
#include "protocols/protocol_client.h"
#include "record/cmms_thread.h"
#include "record/status_sink.h"
#include "record/user_prompts.h"

namespace scripted {

// One entry operation as a client saw it.
struct Call {
    ClientKind kind;
    bool hasFile = false;
    long filePosition = -1;  // where the file stood when the client started
    std::string url;
    std::string playerAgent;
    uint32_t resume = 0;
    int extra = 0;
    std::string user;
    std::string password;
};

// What a scripted client does in Record: gets its kind, the request, the
// job's hooks and its own stop flag; returns the count the client returns.
using Behaviour = std::function<uint32_t(ClientKind, const RecordRequest&, ClientHooks&,
                                         const std::atomic<bool>& stop)>;

// Shared by every client a factory makes: the calls in order and the
// behaviour of each kind (a kind without one fails with 0).
class Script {
public:
    void On(ClientKind kind, Behaviour behaviour)
    {
        std::lock_guard lock(mutex_);
        behaviours_[Index(kind)] = std::move(behaviour);
    }
    void Add(Call call)
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    Behaviour For(ClientKind kind) const
    {
        std::lock_guard lock(mutex_);
        return behaviours_[Index(kind)];
    }
    std::vector<Call> Calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::vector<ClientKind> Kinds() const
    {
        std::vector<ClientKind> kinds;
        for (const Call& c : Calls())
            kinds.push_back(c.kind);
        return kinds;
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }

private:
    static size_t Index(ClientKind kind) { return static_cast<size_t>(kind); }
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    Behaviour behaviours_[4];
};

class ScriptedClient final : public ProtocolClient {
public:
    ScriptedClient(ClientKind kind, const ClientEnvironment& env, std::shared_ptr<Script> script)
        : kind_(kind), hooks_(env.hooks), script_(std::move(script))
    {
    }
    uint32_t Record(const RecordRequest& request) override
    {
        Call call;
        call.kind = kind_;
        call.hasFile = request.out != nullptr;
        call.filePosition = request.out ? std::ftell(request.out) : -1;
        call.url = request.url;
        call.playerAgent = request.playerAgent;
        call.resume = request.resume;
        call.extra = request.extra;
        call.user = request.user;
        call.password = request.password;
        script_->Add(call);
        Behaviour b = script_->For(kind_);
        ClientHooks none;
        return b ? b(kind_, request, hooks_ ? *hooks_ : none, stop_) : 0;
    }
    void Stop() override { stop_ = true; }

private:
    ClientKind kind_;
    ClientHooks* hooks_;
    std::shared_ptr<Script> script_;
    std::atomic<bool> stop_{false};
};

inline ClientFactory Factory(std::shared_ptr<Script> script)
{
    return [script](ClientKind kind, const ClientEnvironment& env) {
        return std::make_unique<ScriptedClient>(kind, env, script);
    };
}

// Behaviours ----------------------------------------------------------

// Fails, reporting a text.
inline Behaviour Fail(std::string text)
{
    return [text](ClientKind, const RecordRequest&, ClientHooks& hooks, const std::atomic<bool>&) {
        hooks.ReportError(text);
        return uint32_t{0};
    };
}

// Writes `bytes` bytes of `fill`, reporting connect, header and progress as
// a real client does; returns the count.
inline Behaviour Write(uint32_t bytes, char fill = 'x')
{
    return [bytes, fill](ClientKind, const RecordRequest& r, ClientHooks& hooks,
                         const std::atomic<bool>&) {
        hooks.OnConnecting(r.url, 0);
        hooks.OnHeaderReceived(r.url, 3723000);
        if (r.out) {
            std::string block(bytes, fill);
            std::fwrite(block.data(), 1, block.size(), r.out);
        }
        hooks.OnProgress(bytes, 10000, 65000);
        return bytes;
    };
}

// Writes the text (a playlist download) and returns its length.
inline Behaviour WriteText(std::string text)
{
    return [text](ClientKind, const RecordRequest& r, ClientHooks&, const std::atomic<bool>&) {
        if (r.out)
            std::fwrite(text.data(), 1, text.size(), r.out);
        return static_cast<uint32_t>(text.size());
    };
}

// A server that never answers: connects, then waits for the stop flag in
// the same short ticks as the real clients. Returns 0.
inline Behaviour WaitForStop(std::atomic<int>* entered = nullptr)
{
    return [entered](ClientKind, const RecordRequest& r, ClientHooks& hooks,
                     const std::atomic<bool>& stop) {
        if (entered)
            ++*entered;
        hooks.OnConnecting(r.url, 0);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!stop && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return uint32_t{0};
    };
}

// Front-end stand-ins ---------------------------------------------------

// Collects the posted codes in order; tests wait for a code.
class Sink final : public StatusSink {
public:
    void Post(uint16_t jobId, int code) override
    {
        std::lock_guard lock(mutex_);
        posts_.emplace_back(jobId, code);
        cv_.notify_all();
    }
    std::vector<std::pair<uint16_t, int>> Posts() const
    {
        std::lock_guard lock(mutex_);
        return posts_;
    }
    std::vector<int> Codes() const
    {
        std::vector<int> codes;
        for (auto& p : Posts())
            codes.push_back(p.second);
        return codes;
    }
    bool WaitFor(int code, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] {
            for (auto& p : posts_) {
                if (p.second == code)
                    return true;
            }
            return false;
        });
    }
    // Takes the oldest post (waiting for one); false on timeout.
    bool Take(std::pair<uint16_t, int>* out,
              std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [&] { return taken_ < posts_.size(); }))
            return false;
        *out = posts_[taken_++];
        return true;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::pair<uint16_t, int>> posts_;
    size_t taken_ = 0;
};

// Answers from a script; records what was asked.
class Prompts final : public UserPrompts {
public:
    std::deque<bool> resumeAnswers;
    struct ExistsAnswer {
        FileExists button;
        bool all = false;
    };
    std::deque<ExistsAnswer> existsAnswers;
    std::deque<std::string> savePaths;  // empty string: the user cancels
    std::vector<std::string> asked;

    bool AskResume(const std::string& message) override
    {
        std::lock_guard lock(mutex_);
        asked.push_back(message);
        if (resumeAnswers.empty())
            return false;
        bool a = resumeAnswers.front();
        resumeAnswers.pop_front();
        return a;
    }
    FileExists AskFileExists(const std::string& message, bool& all) override
    {
        std::lock_guard lock(mutex_);
        asked.push_back(message);
        if (existsAnswers.empty())
            return FileExists::Cancel;
        ExistsAnswer a = existsAnswers.front();
        existsAnswers.pop_front();
        all = a.all;
        return a.button;
    }
    bool AskSavePath(std::string& path) override
    {
        std::lock_guard lock(mutex_);
        asked.push_back("save as " + path);
        if (savePaths.empty() || savePaths.front().empty()) {
            if (!savePaths.empty())
                savePaths.pop_front();
            return false;
        }
        path = savePaths.front();
        savePaths.pop_front();
        return true;
    }
    CredentialAnswer AskCredentials(const std::string&, const std::string&, const std::string&) override
    {
        return {};
    }
    bool AskYesNo(const std::string&) override { return false; }
    YesNoCancel AskYesNoCancel(const std::string&) override { return YesNoCancel::Cancel; }

private:
    std::mutex mutex_;
};

}  // namespace scripted
