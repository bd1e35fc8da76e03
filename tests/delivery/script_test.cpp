// Script delivery through the PowerShell stand-in (tools/powershell_double),
// installed over Wine's stub and steered and read through its registry key.
// The waits of a slow or silent script (ScriptWaits) have their own entry.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "delivery/delivery.h"
#include "delivery/script_runner.h"
#include "support/trace_capture.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

constexpr char kScript[] = "OtpDeliveryScript.ps1";
constexpr char kDoubleKey[] = "Software\\VelmoTestDoubles\\PowerShell";

std::string Recorded(const char* name) {
    const auto value = GetRaw(HKEY_CURRENT_USER, View::Wow64, kDoubleKey, name);
    return !value ? "" : value->type == REG_DWORD ? std::to_string(value->Dword()) : value->Text();
}
void Steer(const char* name, const std::string& text) {
    PutRaw(HKEY_CURRENT_USER, View::Wow64, kDoubleKey, name, REG_SZ, text.c_str(), text.size() + 1);
}
void Steer(const char* name, DWORD number) {
    PutRaw(HKEY_CURRENT_USER, View::Wow64, kDoubleKey, name, REG_DWORD, &number, sizeof number);
}
std::string SystemPowerShell() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\WindowsPowerShell\\v1.0\\powershell.exe";
}

class ScriptDelivery : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        RegDeleteTreeA(HKEY_CURRENT_USER, kDoubleKey);
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "velmo_product\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteWholeFile(folder + kScript, "# delivery script\r\n");
        PutText(kVelmo, "VelmoPath", folder);
        PutText(kOtpModule, "SMS-Gate", kScript);
    }
    void TearDown() override { ResetVelmoRegistry(); }
    int Send() { return SendOtpCode("+49170", "alice", "123456", status, sizeof status); }
    std::string Command() const { return "-file \"" + folder + kScript + "\" alice 123456 +49170"; }

    std::string folder;  // with a trailing backslash
    char status[990] = {};
    TraceCapture trace;
};

class ScriptWaits : public ScriptDelivery {};

}  // namespace

TEST_F(ScriptDelivery, RunsTheSystemsPowerShellHiddenInTheProductFolderAndReadsPSStatus) {
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_STREQ(status, "Code 123456 sent to +49170 OK");
    EXPECT_EQ(Recorded("CommandLine"), SystemPowerShell() + " " + Command());
    EXPECT_EQ(Recorded("ShowWindow"), std::to_string(SW_HIDE));
    EXPECT_EQ(lstrcmpiA((Recorded("CurrentDirectory") + "\\").c_str(), folder.c_str()), 0) << Recorded("CurrentDirectory");
    EXPECT_EQ(Recorded("Runs"), "1");
    // The program is not in the product folder: the first attempt is traced
    // with the error the file check left.
    const auto first = trace.StartingWith("Create process failed  " + SystemPowerShell() + " " + Command() + " ");
    ASSERT_EQ(first.size(), 1u) << ::testing::PrintToString(trace.Lines());
    EXPECT_NE(first[0].back(), '0');

    Steer("Answer", "SMTP Error 550: mailbox {destination} unavailable");
    EXPECT_EQ(Send(), kDeliveryFailed);
    EXPECT_STREQ(status, "SMTP Error 550: mailbox +49170 unavailable");
}

TEST_F(ScriptDelivery, StartsAProgramFromTheProductFolderThenFromTheSearchPath) {
    EXPECT_FALSE(StartProcessAndWait(SystemPowerShell().c_str(), ""));
    EXPECT_EQ(Recorded("Runs"), "");

    const std::string helper = folder + "velmo_helper.exe";
    ASSERT_TRUE(CopyFileA(SystemPowerShell().c_str(), helper.c_str(), FALSE));
    EXPECT_TRUE(StartProcessAndWait("velmo_helper.exe", "one two"));
    EXPECT_EQ(Recorded("CommandLine"), "\"" + helper + "\" one two");
    DeleteFileA(helper.c_str());

    // Only the search path finds PowerShell: a folder on PATH holds it, and a
    // directory takes its system place (for a missing file Wine would start
    // its own stub).
    char temp[MAX_PATH] = {}, path[8192] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string onPath = std::string(temp) + "velmo_search_path";
    CreateDirectoryA(onPath.c_str(), nullptr);
    GetEnvironmentVariableA("PATH", path, sizeof path);
    SetEnvironmentVariableA("PATH", (onPath + ";" + path).c_str());
    const bool moved = MoveFileA(SystemPowerShell().c_str(), (onPath + "\\powershell.exe").c_str()) &&
                       CreateDirectoryA(SystemPowerShell().c_str(), nullptr);
    EXPECT_TRUE(moved);
    EXPECT_EQ(Send(), kDeliveryRan);
    RemoveDirectoryA(SystemPowerShell().c_str());
    MoveFileA((onPath + "\\powershell.exe").c_str(), SystemPowerShell().c_str());
    SetEnvironmentVariableA("PATH", path);
    EXPECT_STREQ(status, "Code 123456 sent to +49170 OK");
    EXPECT_EQ(Recorded("CommandLine"), "powershell.exe " + Command());
}

TEST_F(ScriptWaits, ASlowScriptIsLeftRunningAndItsLateAnswerIsReadAfterEightSeconds) {
    // Answers after 18 s: after the 12 s process wait, before the second
    // read at 20 s. Waiting for the process would read it at 18 s.
    Steer("DelayMs", 18000);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_STREQ(status, "Code 123456 sent to +49170 OK");
    EXPECT_GE(GetTickCount64() - start, 19500u);
}

TEST_F(ScriptWaits, AScriptThatNeverAnswersLeavesTheBlankAfterEightSeconds) {
    PutText(kVelmo, "PSStatus", "stale answer OK");
    Steer("Silent", 1);
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_STREQ(status, " ");
    EXPECT_EQ(Recorded("Runs"), "1");
}
