#pragma once

// Scripted stand-ins for the front end: hooks that remember what a client
// reported and prompts that answer the credential dialog from a script.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "protocols/client_hooks.h"
#include "record/user_prompts.h"

namespace httptest {

class RecordingHooks : public ClientHooks {
public:
    void OnConnecting(const std::string& url, int port) override
    {
        connecting.push_back(url);
        connectingPorts.push_back(port);
    }
    void OnHeaderReceived(const std::string& url, uint32_t durationMs) override
    {
        headers.push_back(url);
        durations.push_back(durationMs);
    }
    void OnProgress(uint32_t bytes, uint32_t progress, uint32_t timeMs) override
    {
        this->progress.push_back(bytes);
        if (progress != 0 || timeMs != 0)
            ++nonZeroProgressFields;
        lastProgress.store(bytes);
    }
    void ReportError(const std::string& text) override { errors.push_back(text); }
    void OnCredentials(const std::string& user, const std::string& password) override
    {
        credentials.push_back(user + ":" + password);
    }
    void OnNoNext() override { ++noNext; }
    void OnStreamUrlFound(const std::string& url) override { found.push_back(url); }

    std::vector<std::string> connecting;
    std::vector<int> connectingPorts;
    std::vector<std::string> headers;
    std::vector<uint32_t> durations;
    std::vector<uint32_t> progress;
    int nonZeroProgressFields = 0;
    std::atomic<uint32_t> lastProgress{0};  // read by a stopping thread
    std::vector<std::string> errors;
    std::vector<std::string> credentials;
    int noNext = 0;
    std::vector<std::string> found;
};

class ScriptedPrompts : public UserPrompts {
public:
    struct Asked {
        std::string site;
        std::string user;
        std::string password;
    };

    // The next answers of the credential dialog; when none is left the
    // dialog is cancelled.
    void Answer(const std::string& user, const std::string& password, bool save = false)
    {
        answers.push_back({true, user, password, save});
    }

    CredentialAnswer AskCredentials(const std::string& site, const std::string& user,
                                    const std::string& password) override
    {
        asked.push_back({site, user, password});
        if (answers.empty())
            return {};
        CredentialAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool AskResume(const std::string&) override { return Unexpected(); }
    FileExists AskFileExists(const std::string&, bool&) override
    {
        Unexpected();
        return FileExists::Cancel;
    }
    bool AskSavePath(std::string&) override { return Unexpected(); }
    bool AskYesNo(const std::string&) override { return Unexpected(); }
    YesNoCancel AskYesNoCancel(const std::string&) override
    {
        Unexpected();
        return YesNoCancel::Cancel;
    }

    std::deque<CredentialAnswer> answers;
    std::vector<Asked> asked;

private:
    static bool Unexpected()
    {
        ADD_FAILURE() << "the HTTP client asked a question it never needs";
        return false;
    }
};

// The bytes the fake server generates for /size/N and friends.
inline std::string Generated(size_t n, size_t from = 0)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((from + i) % 251);
    return s;
}

// The heads in a request log: each ends with an empty line.
inline std::vector<std::string> SplitHeads(const std::string& log)
{
    std::vector<std::string> heads;
    size_t start = 0;
    for (;;) {
        size_t end = log.find("\r\n\r\n", start);
        if (end == std::string::npos)
            break;
        heads.push_back(log.substr(start, end + 4 - start));
        start = end + 4;
    }
    return heads;
}

// Unsets the proxy variables libcurl honours, so that loopback requests
// go straight to the fake server. Call before any thread starts.
inline void ClearProxyEnvironment()
{
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
        unsetenv(name);
}

}  // namespace httptest
