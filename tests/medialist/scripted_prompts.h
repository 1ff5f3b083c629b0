#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "record/user_prompts.h"

// Answers the Yes/No/Cancel question from a script and records what was
// asked; every other question is unexpected in these tests.
class ScriptedPrompts final : public UserPrompts {
public:
    explicit ScriptedPrompts(YesNoCancel answer) : answer_(answer) {}

    bool AskResume(const std::string&) override { return Unexpected("resume"), false; }
    FileExists AskFileExists(const std::string&, bool&) override
    {
        return Unexpected("file exists"), FileExists::Cancel;
    }
    bool AskSavePath(std::string&) override { return Unexpected("save path"), false; }
    CredentialAnswer AskCredentials(const std::string&, const std::string&, const std::string&) override
    {
        return Unexpected("credentials"), CredentialAnswer{};
    }
    bool AskYesNo(const std::string&) override { return Unexpected("yes/no"), false; }
    YesNoCancel AskYesNoCancel(const std::string& message) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        asked_.push_back(message);
        return answer_;
    }

    std::vector<std::string> asked() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return asked_;
    }

private:
    void Unexpected(const char* what)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        asked_.push_back(std::string("unexpected: ") + what);
    }

    YesNoCancel answer_;
    mutable std::mutex mutex_;
    std::vector<std::string> asked_;
};
