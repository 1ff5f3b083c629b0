#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

// Whole-file reading with a ceiling, and whole-file replacement, for list
// files and playlists.

enum class ReadStatus { Ok, CannotOpen, TooLarge };

// Reads a regular file of at most maxBytes bytes. TooLarge when it holds
// more (checked on the size and again while reading, so a growing file
// cannot run on). error receives the reason for anything but Ok.
ReadStatus ReadFileBounded(const std::string& path, uint64_t maxBytes, std::string* out,
                           std::string* error, uint64_t* size = nullptr);

// Playlists: the largest file read as one, and how deep playlists inside
// playlists are followed (by the media list, the job driver and the
// streaming client alike).
constexpr uint64_t kMaxPlaylistBytes = 102399;
constexpr int kMaxPlaylistDepth = 8;

// Reads a local playlist file: a regular file of at most kMaxPlaylistBytes.
ReadStatus LoadPlaylistFile(const std::string& path, std::string* text, std::string* error = nullptr);

// Writes a list file: replaced in one step (see ReplaceFile) where its
// folder takes a new file; in a folder we may not create files in, the file
// is written in place instead. mode as for ReplaceFile. error receives the
// reason on failure.
bool WriteListFile(const std::string& path, const std::string& bytes, mode_t mode, std::string* error);
