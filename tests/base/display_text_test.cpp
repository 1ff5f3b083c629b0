// The texts both front ends show for recordings and checks.

#include "base/display_text.h"

#include <gtest/gtest.h>

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
}  // namespace
