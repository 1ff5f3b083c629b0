#pragma once

// What the stream-client and ASF-writer tests record of the hooks, and a
// protocol client recording into a file (header only: the support library
// does not link the core).

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formats/file_sink.h"
#include "protocols/client_hooks.h"
#include "protocols/protocol_client.h"

namespace asfstream {

// What a client reported; only progress and lastProgress are read while it runs.
struct RecordingHooks : ClientHooks {
    std::vector<std::pair<std::string, int>> connecting;
    std::vector<std::string> errors, credentials, found, reasons;
    std::vector<uint32_t> durations;
    std::vector<uint64_t> finished;
    std::atomic<uint32_t> progress{0};
    std::atomic<uint64_t> lastProgress{0};
    std::function<void()> onProgress;
    int noNext = 0, resumeRefused = 0;
    std::vector<std::pair<StreamEnd, uint64_t>> ends;  // how each media phase ended, its packets
    void OnStreamEnd(StreamEnd how, uint64_t packets) override { ends.emplace_back(how, packets); }
    void OnConnecting(const std::string& url, int port) override { connecting.emplace_back(url, port); }
    void ReportError(const std::string& text) override { errors.push_back(text); }
    void OnFailureReason(const std::string& reason) override { reasons.push_back(reason); }
    void OnHeaderReceived(const std::string&, uint32_t ms) override { durations.push_back(ms); }
    void OnFinished(uint64_t bytes) override { finished.push_back(bytes); }
    void OnCredentials(const std::string& u, const std::string& p) override { credentials.push_back(u + ":" + p); }
    void OnNoNext() override { ++noNext; }
    void OnResumeRefused() override { ++resumeRefused; }
    void OnStreamUrlFound(const std::string& url) override { found.push_back(url); }
    void OnProgress(uint64_t bytes, uint32_t, uint32_t) override
    {
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
        request.resume =  // in the client's own unit
            Client::kResumeUnit == ResumeAt::Unit::Packet ? ResumeAt::Packet(resume) : ResumeAt::Byte(resume);
        request.playerAgent = agent;
        const uint64_t bytes = Get().Record(request);
        EXPECT_TRUE(!out || out->Close()) << path;
        return bytes;
    }
};

}  // namespace asfstream
