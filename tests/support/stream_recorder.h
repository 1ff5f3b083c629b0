#pragma once

// What the stream-client and ASF-writer tests record of the hooks, and a
// protocol client recording into a file (header only: the support library
// does not link the core).

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "formats/file_sink.h"
#include "protocols/client_hooks.h"
#include "protocols/protocol_client.h"

namespace asfstream {

// What a client reported. The vectors are read once the recording is over;
// progress and lastProgress also while it runs.
struct RecordingHooks : ClientHooks {
    struct Progress {
        uint64_t bytes;
        uint32_t share, time;
    };
    std::vector<std::pair<std::string, int>> connecting;
    std::vector<std::string> errors, credentials, found, reasons;
    std::vector<uint32_t> durations;
    std::vector<uint64_t> finished;
    std::vector<Progress> progressLog;
    std::atomic<uint32_t> progress{0};
    std::atomic<uint64_t> lastProgress{0};
    std::function<void()> onProgress;
    int noNext = 0;
    int resumeRefused = 0;
    // How each media phase ended, and the packets it wrote.
    std::vector<std::pair<StreamEnd, uint64_t>> ends;
    void OnStreamEnd(StreamEnd how, uint64_t packets) override { ends.emplace_back(how, packets); }
    void OnConnecting(const std::string& url, int port) override { connecting.emplace_back(url, port); }
    void ReportError(const std::string& text) override { errors.push_back(text); }
    void OnFailureReason(const std::string& reason) override { reasons.push_back(reason); }
    void OnHeaderReceived(const std::string&, uint32_t ms) override { durations.push_back(ms); }
    void OnFinished(uint64_t bytes) override { finished.push_back(bytes); }
    void OnCredentials(const std::string& user, const std::string& password) override
    {
        credentials.push_back(user + ":" + password);
    }
    void OnNoNext() override { ++noNext; }
    void OnResumeRefused() override { ++resumeRefused; }
    void OnStreamUrlFound(const std::string& url) override { found.push_back(url); }
    void OnProgress(uint64_t bytes, uint32_t share, uint32_t time) override
    {
        progressLog.push_back({bytes, share, time});
        ++progress;
        lastProgress = bytes;
        if (onProgress)
            onProgress();
    }
};

// One client, made at its first use with the environment then in force.
template <class Client>
struct Recorder {
    ClientEnvironment env;
    RecordingHooks hooks;
    std::unique_ptr<Client> client;

    explicit Recorder(int idleTimeoutMs = 10000)
    {
        env.hooks = &hooks;
        env.idleTimeoutMs = idleTimeoutMs;
    }
    Client& Get()
    {
        if (!client)
            client = std::make_unique<Client>(env);
        return *client;
    }
    // Records url into path (none: a probe): a new file, or with keep an
    // existing one handed over at offset, as the job driver resumes.
    uint64_t Record(const std::string& url, const std::string& path, uint64_t resume = 0, bool keep = false,
                    uint64_t offset = 0, const std::string& agent = {})
    {
        std::unique_ptr<FileSink> out;
        if (!path.empty())
            out = keep ? FileSink::OpenExisting(path) : FileSink::Create(path);
        if (out)
            out->Seek(offset);
        RecordRequest request;
        request.out = out.get();
        request.url = url;
        // resume counts in the client's own unit.
        request.resume =
            Client::kResumeUnit == ResumeAt::Unit::Packet ? ResumeAt::Packet(resume) : ResumeAt::Byte(resume);
        request.playerAgent = agent;
        const uint64_t bytes = Get().Record(request);
        if (out) {
            EXPECT_TRUE(out->Close()) << path;
        }
        return bytes;
    }
};

}  // namespace asfstream
