#include "cli/json_events.h"

#include <gtest/gtest.h>

#include "cli/console.h"

TEST(JsonEvents, StringsAreEscapedAndAlwaysValidUtf8)
{
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("q\"b\\s/"), "\"q\\\"b\\\\s/\"");
    EXPECT_EQ(JsonString("a\nb\r\t\b\f"), "\"a\\nb\\r\\t\\b\\f\"");
    EXPECT_EQ(JsonString(std::string("nul\0x\x01\x7f", 7)), "\"nul\\u0000x\\u0001\\u007f\"");
    // Korean text passes; broken sequences, overlong forms and surrogates
    // do not.
    EXPECT_EQ(JsonString("\xEC\x99\x84\xEB\xA3\x8C"), "\"\xEC\x99\x84\xEB\xA3\x8C\"");
    EXPECT_EQ(JsonString("\xEC\x99"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xC0\xAF"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xF0\x9F\x98\x80"), "\"\xF0\x9F\x98\x80\"");
    EXPECT_EQ(JsonString("\xF4\x90\x80\x80"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");

    JsonObject o;
    o.Add("event", "progress").Add("bytes", int64_t{4294967295}).AddBool("live", true);
    EXPECT_EQ(o.Text(), "{\"event\":\"progress\",\"bytes\":4294967295,\"live\":true}");
}

TEST(ProgressLine, ShowsPercentTimeSizeAndRate)
{
    EXPECT_EQ(ProgressLine(2500, 3725000, 1536000, 10.0), " 25%  1:02:05  1.54 MB  154 kB/s");
    EXPECT_EQ(ProgressLine(0, 65000, 999, 0.1), "live  0:01:05  999 B");
    EXPECT_EQ(HumanSize(12345678), "12.3 MB");
    EXPECT_EQ(HumanSize(4000000000ull), "4.00 GB");
}
