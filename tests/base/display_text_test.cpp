// The texts both front ends show for recordings and checks.

#include "base/display_text.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(DisplayText, TheColumnsTexts)
{
    // Past 4 GiB a size is still right (a day of a 1 Mbit/s stream is 10.8 GB).
    EXPECT_EQ(DurationText(3723000) + " " + DurationText(4294967295u) + " " + ProgressText(65000, 2500) + " " +
                  ProgressText(3725000, 2500) + " " + ProgressText(999, 10000) + " " + KilobyteText(10'800'000'000ull) +
                  " " + ListSizeText(1023) + " " + ListSizeText(1024) + " " + ListSizeText(1048576) + " " +
                  ListSizeText(6ull << 32),
              "1:02:03 1193:02:47 1:5(25 %) 1:2:5(25 %) 0:0(100 %) 10546875K 1023B 1K 1M 24576M");
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
        {nullptr, "C", "ko_KR.UTF-8", DisplayLanguage::English},  // LC_MESSAGES decides before LANG
        {"en_GB.UTF-8", "ko_KR.UTF-8", "ko_KR.UTF-8", DisplayLanguage::English},  // LC_ALL before both
        {"", "", "ko", DisplayLanguage::Korean},  // empty values do not count
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
