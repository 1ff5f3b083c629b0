#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text in list files and playlists saved on Windows systems is in code
// page 949; everything inside Brimcast is UTF-8. These helpers tell the two
// apart, convert the legacy bytes, and cut UTF-8 text to fit fixed-size
// fields without splitting a character.

// True when the bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF). Plain ASCII is valid UTF-8.
bool IsValidUtf8(std::string_view text);

// Converts code page 949 bytes to UTF-8. A byte sequence that is not valid
// CP949 becomes U+FFFD; an incomplete character at the very end (a field
// cut after a lead byte) is dropped.
std::string Cp949ToUtf8(std::string_view text);

// A CP949 converter kept open across many texts of one file (opening a
// converter costs more than converting a short field). Not shareable
// between threads: make one per reading.
class Cp949Decoder {
public:
    Cp949Decoder();
    ~Cp949Decoder();
    Cp949Decoder(const Cp949Decoder&) = delete;
    Cp949Decoder& operator=(const Cp949Decoder&) = delete;
    std::string Convert(std::string_view text);

private:
    void* cd_;  // iconv_t
};

// Valid UTF-8 is returned unchanged; anything else is taken as CP949.
std::string LegacyTextToUtf8(std::string_view text);

// The longest prefix of at most maxBytes bytes that does not end inside a
// UTF-8 character.
std::string_view CutUtf8(std::string_view text, size_t maxBytes);
