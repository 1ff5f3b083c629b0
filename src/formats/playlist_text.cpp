#include "formats/playlist_text.h"

#include <string_view>

#include "formats/ascii.h"

bool LooksLikePlaylist(const uint8_t* body, size_t length)
{
    size_t i = 0;
    while (i < length && (body[i] == ' ' || body[i] == '\t' || body[i] == '\r' || body[i] == '\n'))
        ++i;
    std::string_view text(reinterpret_cast<const char*>(body) + i, length - i);
    static constexpr std::string_view kStarts[] = {"<ASX",    "< ASX",   "ASF ",    "ASF\t",
                                                   "http://", "mms://",  "mmst://", "mmsu://",
                                                   "[Reference]"};
    for (std::string_view s : kStarts) {
        if (ascii::StartsWithNoCase(text, s))
            return true;
    }
    return false;
}

bool IsPlaylistText(const uint8_t* text, size_t length)
{
    if (length == 0)
        return false;
    for (size_t i = 0; i < length; ++i) {
        uint8_t c = text[i];
        if (c < 32 && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}
