// The waits of script delivery: 12 s for the process, then 8 s more for a
// script that has not answered yet. These cost real time (about 28 s).
#include <gtest/gtest.h>

#include <string>

#include "delivery/delivery.h"
#include "script_test_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

class ScriptWaits : public ScriptDeliveryTest {};

}  // namespace

TEST_F(ScriptWaits, ASlowScriptIsLeftRunningAndItsLateAnswerIsReadAfterEightSeconds) {
    // The script answers after 18 s: after the 12 s process wait, before the
    // second read at 20 s. Waiting for the process would read it at 18 s.
    PowerShellDouble::SetDelayMs(18000);
    char status[990];
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(SendOtpCode("+49170", "alice", "123456", status, sizeof status), kDeliveryRan);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_STREQ(status, "Code 123456 sent to +49170 OK");
    EXPECT_GE(elapsed, 19500u);
    EXPECT_LT(elapsed, 40000u);  // a hang guard only
    EXPECT_TRUE(trace.Contains("CreateProcess wait done"));
}

TEST_F(ScriptWaits, AScriptThatNeverAnswersLeavesTheBlankAfterEightSeconds) {
    PutText(kVelmo, "PSStatus", "stale answer OK");
    PowerShellDouble::SetSilent();
    char status[990];
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(SendOtpCode("+49170", "alice", "123456", status, sizeof status), kDeliveryRan);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_STREQ(status, " ");
    EXPECT_EQ(PsStatus(), " ");
    EXPECT_GE(elapsed, 7500u);
    EXPECT_LT(elapsed, 30000u);  // a hang guard only
    EXPECT_EQ(PowerShellDouble::Runs(), 1u);
    EXPECT_TRUE(trace.Contains("SriptRet: OtpDeliveryScript.ps1 ret:  [cmd alice 123456 +49170]"));
}
