// The warnings ReadData's setting command shows, on the virtual display: a
// helper finds each box, records it and presses OK.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/message_box_watcher.h"
#include "support/velmo_dll.h"
#include "support/windows_env.h"

using namespace velmo::test;

TEST(KeyDataWarnings, LengthErrorAndMissingGatewayAreShownAndDismissed) {
    ASSERT_TRUE(HaveDisplay());
    ResetVelmoRegistry();
    VelmoDll dll;
    dll.InitLibrary();
    MessageBoxWatcher watcher;

    auto set = [&](const std::string& command) { return dll.Read("wendy", 11, command, 990).result; };

    EXPECT_EQ(set("token-otp,ABCDEFGHIJKLMNOPQRST"), 0);
    PutText(kOtpModule, "SMS-Gate", "");
    EXPECT_EQ(set("sms-otp,+15550100"), 1);  // warned, and still stored
    EXPECT_EQ(Value(kOtpModule, "wendy_sms").Text(), "+15550100");

    EXPECT_EQ(watcher.Seen(),
              (std::vector<std::string>{"Secret Key length error. Enter uppercase base32 or HEX string, 16, 32 or 40 "
                                        "chars length. ",
                                        "SMS gateway is not set. Please enter it in the OTP options"}));
    dll.CloseLibrary();
    ResetVelmoRegistry();
}
