#pragma once

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
// The first of path(0).ext ... path(99).ext that does not exist; (99) when
// every one does.
std::string MakeUniqueName(const std::string& path);

// The text after the last "/", or, when there is none, after the last "\".
std::string LastComponent(const std::string& text);
// baseDir + "/" + file (no doubled "/"; file alone for an empty baseDir).
std::string JoinBase(const std::string& baseDir, const std::string& file);
// A name for a file whose own name was empty or refused: the address's host
// name (or "recording") with the extension.
std::string HostFileName(const std::string& address, const char* extension);
// True when something (a file, a folder, a dangling link) is at the path.
bool PathExists(const std::string& path);
