#pragma once

// What the HTTP and streaming client tests share: the hooks, prompts that
// answer the credential dialog from a script, and a reader of request logs.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scripted_prompts.h"
#include "protocols/client_hooks.h"
#include "stream_recorder.h"

namespace clienttest {

using RecordingHooks = asfstream::RecordingHooks;

// The clients ask only for credentials.
struct ScriptedPrompts : ::ScriptedPrompts {
    ScriptedPrompts() { credentialsOnly = true; }
};

// Compares bytes without printing them: a failure names sizes and the first difference.
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
