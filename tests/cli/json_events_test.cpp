#include "cli/json_events.h"

#include <gtest/gtest.h>

#include "cli/console.h"

TEST(JsonEvents, StringsAreEscapedAndAlwaysValidUtf8)
{
    const std::pair<std::string, std::string> cases[] = {
        {"q\"b\\s/", "q\\\"b\\\\s/"},
        {"a\nb\r\t\b\f", "a\\nb\\r\\t\\b\\f"},
        {std::string("nul\0x\x01\x7f", 7), "nul\\u0000x\\u0001\\u007f"},
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
    JsonObject o;
    o.Add("event", "progress").Add("bytes", int64_t{4294967295}).AddBool("live", true);
    EXPECT_EQ(o.Text(), "{\"event\":\"progress\",\"bytes\":4294967295,\"live\":true}");
}

TEST(ProgressLine, ShowsPercentTimeSizeAndRate)
{
    EXPECT_EQ(ProgressLine(2500, 3725000, 1536000, 10.0), " 25%  1:02:05  1.54 MB  154 kB/s");
    EXPECT_EQ(ProgressLine(0, 65000, 999, 0.1), "live  0:01:05  999 B");
    EXPECT_EQ(HumanSize(4000000000ull), "4.00 GB");
}
