// The warnings ReadData's setting command shows, on the virtual display: a
// helper finds each box, records it and presses OK.
#include <gtest/gtest.h>

#include <string>

#include "support/message_box_watcher.h"
#include "support/module_trace.h"
#include "support/velmo_dll.h"
#include "support/windows_env.h"

using namespace velmo::test;

TEST(KeyDataWarnings, LengthErrorAndMissingGatewayAreShownAndDismissed) {
    ASSERT_TRUE(HaveDisplay());
    ResetVelmoRegistry();
    ModuleTrace trace;
    VelmoDll dll;
    dll.InitLibrary();
    MessageBoxWatcher watcher;

    auto set = [&](const std::string& command) {
        std::string buffer = command;
        buffer.resize(990, '\0');
        uint32_t length = 990;
        return dll.ReadData("wendy", 11, reinterpret_cast<uint8_t*>(buffer.data()), &length);
    };

    EXPECT_EQ(set("token-otp,ABCDEFGHIJKLMNOPQRST"), 0);
    PutText(kOtpModule, "SMS-Gate", "");
    EXPECT_EQ(set("sms-otp,+15550100"), 1);  // warned, and still stored
    EXPECT_EQ(GetRaw(kOtpModule, "wendy_sms")->Text(), "+15550100");

    const auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].caption, "Velmo");
    EXPECT_EQ(seen[0].text,
              "Secret Key length error. Enter uppercase base32 or HEX string, 16, 32 or 40 chars length. ");
    EXPECT_EQ(seen[1].caption, "Velmo");
    EXPECT_EQ(seen[1].text, "SMS gateway is not set. Please enter it in the OTP options");
    dll.CloseLibrary();
    ResetVelmoRegistry();
}
