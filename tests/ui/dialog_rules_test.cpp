// What the settings dialog stores from what the administrator typed.
#include <gtest/gtest.h>

#include "ui/dialog_rules.h"

using namespace velmo;

TEST(DialogRules, ValidityTimeoutAndWindow) {
    EXPECT_EQ(TimeoutForWindow(6), 180u);
    for (auto [seconds, window] : {std::pair<uint32_t, uint32_t>{200, 6}, {100, 3}, {31, 1}, {18999, 633}})
        EXPECT_EQ(WindowForTimeout(seconds), std::optional<uint32_t>(window)) << seconds;
    for (uint32_t seconds : {0u, 30u, 19000u, 0xFFFFFFFFu}) EXPECT_FALSE(WindowForTimeout(seconds)) << seconds;
}

TEST(DialogRules, GatewayUrlsWithoutTheText) {
    EXPECT_TRUE(GatewayLacksText("https://sms.example.test/send?to=%phone%"));
    EXPECT_TRUE(GatewayLacksText("HTTP://x/%TEXT"));
    EXPECT_FALSE(GatewayLacksText("https://x/?m=%TeXt%"));
    EXPECT_FALSE(GatewayLacksText("OtpDeliveryScript.ps1"));
}
