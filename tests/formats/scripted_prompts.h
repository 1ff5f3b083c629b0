#pragma once

#include <string>
#include <vector>

#include "base/user_prompts.h"

// Answers the yes/no questions of the playlist and list-file writers from a
// script, and records each one; every other question is cancelled.
class ScriptedPrompts final : public UserPrompts {
public:
    bool yes = false;
    YesNoCancel answer = YesNoCancel::Cancel;
    std::vector<std::string> asked;

    bool AskResume(const std::string&, const CancelSignal&) override { return false; }
    FileExists AskFileExists(const std::string&, bool&, const CancelSignal&) override { return FileExists::Cancel; }
    CredentialAnswer AskCredentials(const std::string&, const std::string&, const std::string&,
                                    const CancelSignal&) override
    {
        return {};
    }
    bool AskSavePath(std::string&, const CancelSignal&) override { return false; }
    bool AskYesNo(const std::string& message, const CancelSignal&) override
    {
        return asked.push_back(message), yes;
    }
    YesNoCancel AskYesNoCancel(const std::string& message, const CancelSignal&) override
    {
        return asked.push_back(message), answer;
    }
};
