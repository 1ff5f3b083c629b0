#pragma once

// Stand-ins for the front end shared by the HTTP and streaming client
// tests: the shared recording hooks, prompts that answer the credential
// dialog from a script, and a reader of request logs.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "base/user_prompts.h"
#include "protocols/client_hooks.h"
#include "stream_recorder.h"

namespace clienttest {

using RecordingHooks = asfstream::RecordingHooks;

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
