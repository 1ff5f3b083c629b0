#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mmsh {

// One address of a run of the streaming client.
struct Target {
    std::string address;  // stream address or local playlist path
    uint16_t port = 80;   // default port for the address
    int group = -1;       // alternates group; -1 = none
};

// A run holds at most this many addresses; later ones are ignored.
constexpr size_t kMaxTargets = 99;

// Builds a run from words: the first word is the program word and is never
// read; "-e" starts a new alternates group, "-p N" sets the port of the
// addresses after it; every other word is an address. Options are named by
// their second character without regard to case. A word that begins with
// "/" is an option only when it has exactly two characters, so that an
// absolute local path stays an address.
std::vector<Target> BuildTargetList(const std::vector<std::string>& words);

}  // namespace mmsh
