#pragma once

// Shared pieces of the streaming-client tests: recording hooks, scripted
// prompts, the fake server and a reader for the sample's packets.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "protocols/client_hooks.h"
#include "record/user_prompts.h"

namespace mmshtest {

// Remembers every hook call (the client calls them on its own thread).
class RecordingHooks : public ClientHooks {
public:
    struct Progress {
        uint32_t bytes, progress, timeMs;
    };
    void OnHeaderReceived(const std::string& url, uint32_t durationMs) override;
    void OnProgress(uint32_t bytes, uint32_t progress, uint32_t timeMs) override;
    void OnFinished(uint32_t bytes) override;
    void ReportError(const std::string& text) override;
    void OnCredentials(const std::string& user, const std::string& password) override;
    void OnNoNext() override;
    void OnStreamUrlFound(const std::string& url) override;

    std::vector<uint32_t> headerDurations() const;
    std::vector<Progress> progress() const;
    std::vector<uint32_t> finished() const;
    std::vector<std::string> credentials() const;
    std::vector<std::string> found() const;
    int noNext() const;
    int errors() const;

private:
    mutable std::mutex mutex_;
    std::vector<uint32_t> headers_;
    std::vector<Progress> progress_;
    std::vector<uint32_t> finished_;
    std::vector<std::string> credentials_;
    std::vector<std::string> found_;
    int noNext_ = 0;
    int errors_ = 0;
};

// Answers the credential dialog from a script; an empty script cancels.
class ScriptedPrompts : public UserPrompts {
public:
    void Answer(const std::string& user, const std::string& password, bool save = false);
    int asked() const;

    bool AskResume(const std::string&) override { return false; }
    FileExists AskFileExists(const std::string&, bool&) override { return FileExists::Cancel; }
    bool AskSavePath(std::string&) override { return false; }
    CredentialAnswer AskCredentials(const std::string& site, const std::string& user,
                                    const std::string& password) override;
    bool AskYesNo(const std::string&) override { return false; }
    YesNoCancel AskYesNoCancel(const std::string&) override { return YesNoCancel::Cancel; }

private:
    mutable std::mutex mutex_;
    std::deque<CredentialAnswer> answers_;
    int asked_ = 0;
};

// An ASF file split into its header (with the data object's first 50
// bytes) and its packets.
struct AsfParts {
    std::string header;
    std::vector<std::string> packets;
    uint32_t packetSize = 0;
    uint32_t filePropertiesOffset = 0;
    uint32_t durationMs = 0;  // play duration without the preroll
    uint32_t preroll = 0;
};
AsfParts SplitAsf(const std::string& bytes);

// Requests as the server logged them, each with its blank line.
std::vector<std::string> SplitRequests(const std::string& log);
// The xClientGUID value of a request, or empty.
std::string ClientGuidOf(const std::string& request);
// The name the client puts in "Host:" for 127.0.0.1 (its reverse lookup).
std::string LoopbackName();

// The sample every test streams: a few seconds of video and audio with a
// fixed packet size; the short one keeps the many-connection tests quick.
std::string Sample();
std::string ShortSample();

// Runs ffmpeg's decoder over part of a file from a seek point; true when it
// says nothing and exits 0.
bool DecodesFrom(const std::string& path, double seconds, std::string* diagnostics);

}  // namespace mmshtest
