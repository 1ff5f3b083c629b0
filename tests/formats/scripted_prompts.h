#pragma once

#include <string>
#include <vector>

#include "record/user_prompts.h"

// Answers the yes/no questions of the playlist and list-file writers from a
// script, and records each one; every other question is cancelled.
class ScriptedPrompts final : public UserPrompts {
public:
    bool yes = false;
    YesNoCancel answer = YesNoCancel::Cancel;
    std::vector<std::string> asked;

    bool AskResume(const std::string&) override { return false; }
    FileExists AskFileExists(const std::string&, bool&) override { return FileExists::Cancel; }
    CredentialAnswer AskCredentials(const std::string&, const std::string&, const std::string&) override
    {
        return {};
    }
    bool AskSavePath(std::string&) override { return false; }
    bool AskYesNo(const std::string& message) override { return asked.push_back(message), yes; }
    YesNoCancel AskYesNoCancel(const std::string& message) override
    {
        return asked.push_back(message), answer;
    }
};
