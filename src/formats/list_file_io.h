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

// Replaces the file's content as a whole: the bytes go to a temporary file
// beside it, which is then renamed over it, so a failed write keeps the old
// file. mode is the permission of a new file (before the umask). error
// receives the reason on failure.
bool ReplaceFile(const std::string& path, const std::string& bytes, mode_t mode,
                 std::string* error);
