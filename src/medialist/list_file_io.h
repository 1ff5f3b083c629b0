#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

// Whole-file reading with a ceiling, and whole-file replacement, for list
// files and playlists.

enum class ReadStatus { Ok, CannotOpen, TooLarge };

// Reads at most maxBytes bytes. TooLarge when the file holds more (checked
// on the size and again while reading, so a device or a growing file
// cannot run on). error receives the reason for anything but Ok.
ReadStatus ReadFileBounded(const std::string& path, uint64_t maxBytes, std::string* out,
                           std::string* error, uint64_t* size = nullptr);

// Replaces the file's content as a whole: the bytes go to a temporary file
// beside it, which is then renamed over it, so a failed write keeps the old
// file. mode is the permission of a new file (before the umask). error
// receives the reason on failure.
bool ReplaceFile(const std::string& path, const std::string& bytes, mode_t mode,
                 std::string* error);
