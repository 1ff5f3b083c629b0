#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The ".qsd" list of another program: INI text. Section "Info" holds the
// integer "Files"; entry i is section "Folder i" with the strings "Title",
// "Path", "Url" and "Name", of which only "Url" and "Title" matter. Names
// of sections and keys compare without regard to case, the first of two
// equal names wins, values are trimmed and lose one pair of enclosing
// quotes, and only the first 199 bytes of a value count, as the programs
// that write these files read them.
namespace qsd {

constexpr size_t kMaxValue = 199;

struct Entry {
    int index = 0;  // i of "Folder i"
    std::string title;
    std::string url;
};

struct File {
    bool hasFiles = false;  // "Files" is present in "Info"
    int files = 0;          // its value (0 when missing or not a number)
    // The "Folder i" sections with 0 <= i < files, in order of i. Sections
    // missing from the file are simply absent (they would add nothing).
    std::vector<Entry> entries;
};

// Texts come out as UTF-8, each value decided alone: valid UTF-8 is taken as
// it is, anything else was written on Windows and is read as CP949.
File Parse(std::string_view bytes);

// The integer reading of a profile value: leading blanks, an optional sign,
// decimal digits up to the first other character; 0 when there are none;
// clamped to the int range.
int ParseProfileInt(std::string_view text);

}  // namespace qsd
