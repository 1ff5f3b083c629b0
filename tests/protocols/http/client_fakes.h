#pragma once

// Stand-ins for the front end shared by the HTTP and streaming client
// tests: hooks that remember what a client reported, prompts that answer
// the credential dialog from a script, and a reader of request logs.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "base/user_prompts.h"
#include "protocols/client_hooks.h"

namespace clienttest {

// Read them after Record returned (only lastProgress while it runs).
struct RecordingHooks : ClientHooks {
    void OnHeaderReceived(const std::string&, uint32_t ms) override { durations.push_back(ms); }
    void OnProgress(uint64_t bytes, uint32_t, uint32_t) override { lastProgress = bytes; }
    void OnFinished(uint64_t bytes) override { finished.push_back(bytes); }
    void ReportError(const std::string& text) override { errors.push_back(text); }
    void OnCredentials(const std::string& user, const std::string& password) override
    {
        credentials.push_back(user + ":" + password);
    }
    void OnNoNext() override { ++noNext; }
    void OnResumeRefused() override { ++resumeRefused; }
    void OnStreamUrlFound(const std::string& url) override { found.push_back(url); }
    void OnStreamEnd(StreamEnd how, uint64_t packets) override { ends.emplace_back(how, packets); }

    std::vector<std::string> errors, credentials, found;
    std::vector<uint32_t> durations;
    std::vector<uint64_t> finished;
    std::vector<std::pair<StreamEnd, uint64_t>> ends;
    std::atomic<uint64_t> lastProgress{0};
    int noNext = 0;
    int resumeRefused = 0;
};

// Answers the credential dialog from a script; with no answer left it is
// cancelled. Every other question is one the clients never ask.
struct ScriptedPrompts : UserPrompts {
    void Answer(const std::string& user, const std::string& password, bool save = false)
    {
        answers.push_back({true, user, password, save});
    }
    CredentialAnswer AskCredentials(const std::string& site, const std::string& user,
                                    const std::string& password, const CancelSignal&) override
    {
        asked.push_back(site + " " + user + ":" + password);
        if (answers.empty())
            return {};
        CredentialAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool AskResume(const std::string&, const CancelSignal&) override { return Unexpected(); }
    FileExists AskFileExists(const std::string&, bool&, const CancelSignal&) override
    {
        return Unexpected(), FileExists::Cancel;
    }
    bool AskSavePath(std::string&, const CancelSignal&) override { return Unexpected(); }
    bool AskYesNo(const std::string&, const CancelSignal&) override { return Unexpected(); }
    YesNoCancel AskYesNoCancel(const std::string&, const CancelSignal&) override
    {
        return Unexpected(), YesNoCancel::Cancel;
    }
    static bool Unexpected() { return ADD_FAILURE() << "a client asked a question it never needs", false; }

    std::deque<CredentialAnswer> answers;
    std::vector<std::string> asked;  // "site user:password" the dialog started from
};

// Compares recorded bytes without printing them: a failure names the sizes
// and the first offset that differs.
inline ::testing::AssertionResult SameBytes(const std::string& got, const std::string& want)
{
    if (got == want)
        return ::testing::AssertionSuccess();
    const size_t common = std::min(got.size(), want.size());
    const size_t at = std::mismatch(got.begin(), got.begin() + common, want.begin()).first - got.begin();
    return ::testing::AssertionFailure() << got.size() << " bytes instead of " << want.size()
                                         << ", the first difference at " << at;
}

// The requests in a server's log, each with its blank line.
inline std::vector<std::string> SplitHeads(const std::string& log)
{
    std::vector<std::string> heads;
    for (size_t start = 0, end; (end = log.find("\r\n\r\n", start)) != std::string::npos; start = end + 4)
        heads.push_back(log.substr(start, end + 4 - start));
    return heads;
}

}  // namespace clienttest
