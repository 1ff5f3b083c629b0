// The texts both front ends show for recordings and checks.

#include "base/display_text.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(DisplayText, TheColumnsTexts)
{
    EXPECT_EQ(DurationText(3723000), "1:02:03");
    EXPECT_EQ(DurationText(0), "0:00:00");
    EXPECT_EQ(DurationText(4294967295u), "1193:02:47");
    EXPECT_EQ(ProgressText(65000, 2500), "1:5(25 %)");
    EXPECT_EQ(ProgressText(3725000, 2500), "1:2:5(25 %)");
    EXPECT_EQ(ProgressText(999, 10000), "0:0(100 %)");
    EXPECT_EQ(KilobyteText(1536), "1K");
    // Past 4 GiB the size is still right (a day of a 1 Mbit/s stream).
    EXPECT_EQ(KilobyteText(10'800'000'000ull), "10546875K");
    EXPECT_EQ(ListSizeText(1023), "1023B");
    EXPECT_EQ(ListSizeText(1024), "1K");
    EXPECT_EQ(ListSizeText(1048576), "1M");
    EXPECT_EQ(ListSizeText(6ull << 32), "24576M");
}

TEST(DisplayText, TheResultWordsFollowTheMessagesLocale)
{
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        DisplayLanguage expected;
    } cases[] = {
        {nullptr, nullptr, nullptr, DisplayLanguage::English},
        {nullptr, nullptr, "ko_KR.UTF-8", DisplayLanguage::Korean},
        {nullptr, "ko_KR.eucKR", "en_US.UTF-8", DisplayLanguage::Korean},
        {nullptr, "C", "ko_KR.UTF-8", DisplayLanguage::English},  // LC_MESSAGES decides before LANG
        {"en_GB.UTF-8", "ko_KR.UTF-8", "ko_KR.UTF-8", DisplayLanguage::English},  // LC_ALL before both
        {"", "", "ko", DisplayLanguage::Korean},  // empty values do not count
        {nullptr, nullptr, "ko_KR", DisplayLanguage::Korean},
        {nullptr, nullptr, "ko.UTF-8", DisplayLanguage::Korean},
        {nullptr, nullptr, "kok_IN", DisplayLanguage::English},  // Konkani
    };
    for (const Case& c : cases) {
        auto set = [](const char* name, const char* value) {
            value ? ::setenv(name, value, 1) : ::unsetenv(name);
        };
        set("LC_ALL", c.lcAll);
        set("LC_MESSAGES", c.lcMessages);
        set("LANG", c.lang);
        EXPECT_EQ(DisplayLanguageFromEnvironment(), c.expected) << (c.lang ? c.lang : "-");
    }
    SetDisplayLanguage(DisplayLanguage::Korean);
    EXPECT_STREQ(CompletedText(), CompletedText(DisplayLanguage::Korean));
    EXPECT_STRNE(CompletedText(), CompletedText(DisplayLanguage::English));
    SetDisplayLanguage(DisplayLanguage::English);
}

}  // namespace
