#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Length of the well-formed UTF-8 sequence that starts at text[at], with its
// code point in *codePoint; 0 when the bytes there are not one (a stray
// continuation byte, a cut sequence, an overlong form, a surrogate, a value
// above U+10FFFF).
size_t Utf8SequenceAt(std::string_view text, size_t at, char32_t* codePoint);

// A text that came from a file, a server or the command line, made safe to
// print on a terminal as part of one line. Control characters would
// otherwise reach the terminal as commands (ESC and U+009B both start a
// control sequence; many terminals read the C1 range as controls whether it
// comes as one raw byte or as UTF-8), so they are shown as escapes:
//   tab, LF, CR         \t \n \r
//   other C0, DEL       \x1B, \x7F
//   C1 U+0080..U+009F   \u009B
//   not UTF-8           \xNN for each such byte
// Everything else, Korean and all other text included, passes unchanged. A
// backslash is not escaped: paths written on Windows keep their look.
std::string TerminalText(std::string_view text);
