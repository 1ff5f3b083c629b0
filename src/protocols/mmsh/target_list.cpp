#include "protocols/mmsh/target_list.h"

#include "protocols/mmsh/stream_url.h"

namespace mmsh {

namespace {

bool IsOption(const std::string& word)
{
    if (word.size() < 2)
        return false;
    return word[0] == '-' || (word[0] == '/' && word.size() == 2);
}

}  // namespace

std::vector<Target> BuildTargetList(const std::vector<std::string>& words)
{
    std::vector<Target> targets;
    int group = -1;
    uint16_t port = 80;
    for (size_t i = 1; i < words.size() && targets.size() < kMaxTargets; ++i) {
        const std::string& word = words[i];
        if (!IsOption(word)) {
            targets.push_back({word, port, group});
            continue;
        }
        char option = static_cast<char>(word[1] | 0x20);
        if (option == 'e') {
            ++group;
        } else if (option == 'p' && i + 1 < words.size()) {
            port = ParsePortNumber(words[++i]);
        }
    }
    return targets;
}

}  // namespace mmsh
