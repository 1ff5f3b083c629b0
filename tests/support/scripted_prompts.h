#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/user_prompts.h"

// The user, answering from a script. Every question is recorded in `asked`
// (the message; "save as PATH" for the save dialog; "SITE USER:PASSWORD" the
// credential dialog started from). Answers: the file-exists buttons and the
// credentials in turn (none left: Cancel), the rest as set. A test may derive
// from it to answer one question differently (slowly, from another thread).
// Set up and read while no job runs; questions may come from any thread.
class ScriptedPrompts : public UserPrompts {
public:
    bool resume = false;
    std::deque<std::pair<FileExists, bool>> exists;  // the button and the "All" box
    std::string savePath;                            // "": the user cancels
    std::deque<CredentialAnswer> credentials;
    bool yes = false;
    YesNoCancel answer = YesNoCancel::Cancel;
    // Only the credential dialog may come up (the protocol clients ask
    // nothing else): any other question fails the test.
    bool credentialsOnly = false;
    std::vector<std::string> asked;

    void Answer(const std::string& user, const std::string& password, bool save = false)
    {
        credentials.push_back({true, user, password, save});
    }

    bool AskResume(const std::string& message, const CancelSignal&) override
    {
        return Note(message), resume;
    }
    FileExists AskFileExists(const std::string& message, bool& all, const CancelSignal&) override
    {
        Note(message);
        std::lock_guard lock(mutex_);
        auto a = exists.empty() ? std::pair{FileExists::Cancel, false} : exists.front();
        if (!exists.empty())
            exists.pop_front();
        all = a.second;
        return a.first;
    }
    bool AskSavePath(std::string& path, const CancelSignal&) override
    {
        Note("save as " + path);
        path = savePath;
        return !path.empty();
    }
    CredentialAnswer AskCredentials(const std::string& site, const std::string& user, const std::string& password,
                                    const CancelSignal&) override
    {
        std::lock_guard lock(mutex_);
        asked.push_back(site + " " + user + ":" + password);
        CredentialAnswer a;
        if (!credentials.empty()) {
            a = credentials.front();
            credentials.pop_front();
        }
        return a;
    }
    bool AskYesNo(const std::string& message, const CancelSignal&) override { return Note(message), yes; }
    YesNoCancel AskYesNoCancel(const std::string& message, const CancelSignal&) override
    {
        return Note(message), answer;
    }

private:
    void Note(const std::string& message)
    {
        EXPECT_FALSE(credentialsOnly) << "unexpected question: " << message;
        std::lock_guard lock(mutex_);
        asked.push_back(message);
    }

    std::mutex mutex_;
};
