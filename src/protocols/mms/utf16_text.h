#pragma once

#include <cstddef>
#include <string>

namespace mms {

// UTF-8 text as UTF-16 code units (what the command protocol carries).
// A byte that does not start a valid UTF-8 sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);

// At most maxUnits code units of text, never ending inside a surrogate pair.
std::u16string CutUnits(const std::u16string& text, size_t maxUnits);

}  // namespace mms
