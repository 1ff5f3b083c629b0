#pragma once

#include <cstddef>
#include <cstdint>

// A text (a reply's body, a downloaded file) is a playlist when, after
// leading blanks, tabs, CR and LF, it begins like one ("<ASX", "[Reference]", a stream address, ...).
bool LooksLikePlaylist(const uint8_t* body, size_t length);

// The playlist text test: not empty, and no NUL or control byte other than
// tab, CR and LF. Bytes above 127 are accepted (titles in national scripts).
bool IsPlaylistText(const uint8_t* text, size_t length);
