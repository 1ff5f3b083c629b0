#pragma once

// What the HTTP and streaming client tests share: the hooks, prompts that
// answer the credential dialog from a script, and a reader of request logs.

#include <gtest/gtest.h>

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

// The requests in a server's log, each with its blank line.
inline std::vector<std::string> SplitHeads(const std::string& log)
{
    std::vector<std::string> heads;
    for (size_t start = 0, end; (end = log.find("\r\n\r\n", start)) != std::string::npos; start = end + 4)
        heads.push_back(log.substr(start, end + 4 - start));
    return heads;
}

}  // namespace clienttest
