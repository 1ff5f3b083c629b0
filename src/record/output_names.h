#pragma once

#include <functional>
#include <string>

// The names of a recording's output files.

// A file name safe to put in the base folder: "/" and NUL become "_", and
// an over-long name is cut (at a character boundary, keeping its
// extension). "." and ".." come back empty: the caller refuses them.
std::string SafeFileName(const std::string& name);

// The output path of a recording: base folder + title (with the address's
// extension) or the address's own file name. A name that comes out empty,
// "." or ".." is replaced by the host name + ".asf".
std::string MakeOutputPath(const std::string& baseDir, const std::string& address,
                           const std::string& title);
// The first of path(0).ext, path(1).ext, ... that does not exist (the stem
// shortened so that the numbered name is a valid file name); empty when
// none of the first kMaxNumberedNames is free.
constexpr int kMaxNumberedNames = 10000;
std::string MakeUniqueName(const std::string& path);
// The same with another test of "taken".
std::string MakeUniqueName(const std::string& path,
                           const std::function<bool(const std::string&)>& taken);

// The text after the last "/", or, when there is none, after the last "\".
std::string LastComponent(const std::string& text);
// baseDir + "/" + file (no doubled "/"; file alone for an empty baseDir).
std::string JoinBase(const std::string& baseDir, const std::string& file);
// A name for a file whose own name was empty or refused: the address's host
// name (or "recording") with the extension.
std::string HostFileName(const std::string& address, const char* extension);
// True when something (a file, a folder, a dangling link) is at the path.
bool PathExists(const std::string& path);
// When something other than a regular file (a symbolic link, a FIFO, a
// folder, a device, a socket) is at the path: what it is ("a symbolic
// link", ...). Empty for a regular file or nothing.
std::string NotRegularFile(const std::string& path);
// The error of an output name that holds something other than a regular
// file: "PATH is a FIFO, not a regular file: nothing is written to it".
std::string NotRegularFileText(const std::string& path, const std::string& what);
