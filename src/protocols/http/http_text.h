#pragma once

#include <string>
#include <string_view>

// Form encoding as the referrer of a download carries it: letters, digits,
// ".", "-" and "_" stay; white space becomes "+"; every other byte becomes
// "%" and two upper-case hexadecimal digits. The result can be three times
// as long as the text.
std::string FormEncode(std::string_view text);

// The first "mms://" address in a page, up to (not including) the next
// double quote; empty when there is none or it is not closed. The page ends
// at its first NUL byte, as the text of a C string would.
std::string FindMmsUrl(std::string_view page);
