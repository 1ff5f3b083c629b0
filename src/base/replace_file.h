#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

// Replaces the file at a path with new contents in one step, for every file
// the program rewrites (lists, settings of other programs, unit files).
//
// The bytes go into a new file beside the old one (a unique name, created
// exclusively, so never through a link), are written whole and flushed to
// disk, and the new file is renamed over the path: a reader sees the old
// contents or the new ones, never a part, and a crash leaves the old file.
// Permissions: a new file gets `mode` less the umask; a replaced regular file
// keeps its own permission bits as far as `mode` allows (a list rewritten
// with a password in it, mode 0600, is closed to others whatever it was). A
// link at the path is replaced by the file, its target is left alone.
// On failure nothing changed: the old file is as it was, the new one gone.
struct ReplaceResult {
    enum class Step { Done, Create, Write, Rename };
    Step step = Step::Done;  // where it failed
    int error = 0;           // errno of that step

    explicit operator bool() const { return step == Step::Done; }
    std::string Text() const;  // strerror of error; empty when done
};

ReplaceResult ReplaceFile(const std::string& path, std::string_view bytes, mode_t mode);
