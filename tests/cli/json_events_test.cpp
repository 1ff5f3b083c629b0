#include "cli/json_events.h"

#include <gtest/gtest.h>

// Texts from the network reach the JSON lines: they must stay one valid
// string whatever bytes they hold.
TEST(JsonEvents, StringsAreEscapedAndAlwaysValidUtf8)
{
    const std::pair<std::string, std::string> cases[] = {
        {"q\"b\\s/", "q\\\"b\\\\s/"},
        {std::string("a\nb\0x\x01\x7f", 7), "a\\nb\\u0000x\\u0001\\u007f"},
        {"\xEC\x99\x84\xF0\x9F\x98\x80", "\xEC\x99\x84\xF0\x9F\x98\x80"},
        // Broken sequences, overlong forms, surrogates and code points
        // above U+10FFFF are replaced byte by byte.
        {"\xEC\x99", "\\ufffd\\ufffd"},
        {"\xC0\xAF", "\\ufffd\\ufffd"},
        {"\xED\xA0\x80", "\\ufffd\\ufffd\\ufffd"},
        {"\xF4\x90\x80\x80", "\\ufffd\\ufffd\\ufffd\\ufffd"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(JsonString(in), "\"" + out + "\"");
}
