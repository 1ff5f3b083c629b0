#include "cli/json_events.h"
#include "cli/terminal_text.h"

#include <gtest/gtest.h>

// Texts from the network reach the JSON lines: they must stay one valid
// string whatever bytes they hold.
TEST(JsonEvents, StringsAreEscapedAndAlwaysValidUtf8)
{
    const std::pair<std::string, std::string> cases[] = {
        {"q\"b\\s/", "q\\\"b\\\\s/"},
        {std::string("a\nb\0x\x01\x7f", 7), "a\\nb\\u0000x\\u0001\\u007f"},
        {"\xEC\x99\x84\xF0\x9F\x98\x80", "\xEC\x99\x84\xF0\x9F\x98\x80"},
        // C1 controls (U+009B starts a control sequence on many terminals).
        {"a\xC2\x80\xC2\x9B"
         "2J\xC2\x9F\xC2\xA0",
         "a\\u0080\\u009b2J\\u009f\xC2\xA0"},
        // Broken sequences, overlong forms, surrogates and code points
        // above U+10FFFF are replaced byte by byte.
        {"\xEC\x99", "\\ufffd\\ufffd"},
        {"\xED\xA0\x80", "\\ufffd\\ufffd\\ufffd"},
        {"\xF4\x90\x80\x80", "\\ufffd\\ufffd\\ufffd\\ufffd"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(JsonString(in), "\"" + out + "\"");
}

// What reaches a terminal: no control character of either set, however it
// is encoded, and every other character as it is.
TEST(TerminalText, ControlsAndStrayBytesAreEscapedAndTextIsKept)
{
    const std::pair<std::string, std::string> cases[] = {
        {"\xEC\xA0\x80\xEB\x85\x81 news \xE2\x80\x94 caf\xC3\xA9 \xF0\x9F\x98\x80 c:\\temp",
         "\xEC\xA0\x80\xEB\x85\x81 news \xE2\x80\x94 caf\xC3\xA9 \xF0\x9F\x98\x80 c:\\temp"},
        {std::string("a\tb\nc\rd\0e\x1B[2J\x7F", 14), "a\\tb\\nc\\rd\\x00e\\x1B[2J\\x7F"},
        // C1 as UTF-8, and the last character before and the first after.
        {"\xC2\x80\xC2\x9B"
         "31m\xC2\x9F\xC2\xA0\x7E",
         "\\u0080\\u009B31m\\u009F\xC2\xA0~"},
        // Bytes that are not UTF-8, C1 values among them, one escape each.
        {"\x9B"
         "31m\x85\xC2",
         "\\x9B31m\\x85\\xC2"},
        {"\xC0\x9B\xED\xA0\x80\xF4\x90\x80\x80", "\\xC0\\x9B\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(TerminalText(in), out);
}
