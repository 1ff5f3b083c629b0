// What the "Select Adapter" dialog shows beside the adapters: their
// addresses, and whether this process has the rights to capture.
#include "capture/capture_rights.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "capture/packet_capture.h"

namespace {

TEST(CaptureRightsTest, RootOrBothNetworkCapabilities)
{
    // Bits 12 (CAP_NET_ADMIN) and 13 (CAP_NET_RAW).
    EXPECT_TRUE(CaptureRightsIn(0, ""));
    EXPECT_TRUE(CaptureRightsIn(1000, "0000000000003000"));
    EXPECT_TRUE(CaptureRightsIn(1000, "000001fffeffffff"));
    EXPECT_FALSE(CaptureRightsIn(1000, "0000000000002000"));  // raw alone
    EXPECT_FALSE(CaptureRightsIn(1000, "0000000000001000"));  // admin alone
    EXPECT_FALSE(CaptureRightsIn(1000, "0000000000000000"));
    EXPECT_TRUE(CaptureRightsIn(1000, "3000"));
    for (const char* bad : {"", "30 00", "x3000", "00000000000000003000"})
        EXPECT_FALSE(CaptureRightsIn(1000, bad)) << bad;
}

TEST(CaptureRightsTest, TheCommandNamesTheProgram)
{
    EXPECT_EQ(CaptureRightsCommand("/usr/bin/brimcast"),
              "sudo setcap cap_net_raw,cap_net_admin+eip /usr/bin/brimcast");
    EXPECT_EQ(CaptureRightsCommand("/opt/my apps/it's/brimcast"),
              "sudo setcap cap_net_raw,cap_net_admin+eip '/opt/my apps/it'\\''s/brimcast'");
}

TEST(CaptureRightsTest, AdaptersComeWithTheirAddresses)
{
    std::vector<CaptureAdapter> adapters;
    std::string error;
    ASSERT_TRUE(ListCaptureAdapters(&adapters, &error)) << error;
    const auto lo = std::find_if(adapters.begin(), adapters.end(),
                                 [](const CaptureAdapter& a) { return a.name == "lo"; });
    if (lo == adapters.end())
        GTEST_SKIP() << "no loopback adapter here";
    EXPECT_NE(std::find(lo->addresses.begin(), lo->addresses.end(), "127.0.0.1"), lo->addresses.end());
    for (const CaptureAdapter& a : adapters)
        for (const std::string& address : a.addresses)
            EXPECT_FALSE(address.empty()) << a.name;
}

}  // namespace
