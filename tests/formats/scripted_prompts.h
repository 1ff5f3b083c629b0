#pragma once

#include <string>
#include <vector>

#include "record/user_prompts.h"

// Answers the questions of the playlist and list-file writers from a
// script, and records each one.
class ScriptedPrompts final : public UserPrompts {
public:
    bool yes = false;
    YesNoCancel answer = YesNoCancel::Cancel;
    std::string savePath;  // empty: the save dialog is cancelled
    std::vector<std::string> asked;

    bool AskResume(const std::string&) override { return false; }
    FileExists AskFileExists(const std::string&, bool&) override { return FileExists::Cancel; }
    CredentialAnswer AskCredentials(const std::string&, const std::string&, const std::string&) override
    {
        return {};
    }
    bool AskSavePath(std::string& path) override
    {
        asked.push_back("save " + path);
        if (!savePath.empty())
            path = savePath;
        return !savePath.empty();
    }
    bool AskYesNo(const std::string& message) override { return asked.push_back(message), yes; }
    YesNoCancel AskYesNoCancel(const std::string& message) override
    {
        return asked.push_back(message), answer;
    }
};
