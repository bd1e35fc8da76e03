// Script delivery through the PowerShell stand-in: command lines, the hidden
// window, the search-path fallback and the handling of "PSStatus".
#include <gtest/gtest.h>

#include <string>

#include "delivery/delivery.h"
#include "delivery/script_runner.h"
#include "script_test_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

class ScriptDelivery : public ScriptDeliveryTest {
protected:
    int Send(const char* user = "alice", const char* code = "123456", const char* destination = "+4917012345") {
        status.assign(990, 'x');
        return SendOtpCode(destination, user, code, status.data(), status.size());
    }
    std::string Status() const { return status.c_str(); }
    std::string status;
};

std::string WithoutTrailingBackslash(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

bool SameText(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// Moves the stand-in from the fixed PowerShell path to a folder on PATH for
// one test, where only the search path finds it. A directory takes its place:
// for a missing file Wine starts its own built-in PowerShell stub, and it
// does the same for a copy in system32.
class PowerShellOnSearchPath {
public:
    PowerShellOnSearchPath() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "velmo_search_path";
        copy_ = folder_ + "\\powershell.exe";
        CreateDirectoryA(folder_.c_str(), nullptr);
        char path[8192] = {};
        GetEnvironmentVariableA("PATH", path, sizeof path);
        oldPath_ = path;
        SetEnvironmentVariableA("PATH", (folder_ + ";" + oldPath_).c_str());
        moved_ = MoveFileA(kFixedPowerShell, copy_.c_str()) != FALSE && CreateDirectoryA(kFixedPowerShell, nullptr);
    }
    ~PowerShellOnSearchPath() {
        RemoveDirectoryA(kFixedPowerShell);
        MoveFileA(copy_.c_str(), kFixedPowerShell);
        RemoveDirectoryA(folder_.c_str());
        SetEnvironmentVariableA("PATH", oldPath_.c_str());
    }
    bool Moved() const { return moved_; }

private:
    std::string folder_, copy_, oldPath_;
    bool moved_ = false;
};

}  // namespace

TEST_F(ScriptDelivery, RunsTheScriptThroughTheFixedPowerShellInAHiddenWindow) {
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(Status(), "Code 123456 sent to +4917012345 OK");
    EXPECT_EQ(PowerShellDouble::Runs(), 1u);

    const std::string arguments = "-file \"" + folder + kScriptName + "\" alice 123456 +4917012345";
    EXPECT_EQ(PowerShellDouble::Recorded("CommandLine"), std::string(kFixedPowerShell) + " " + arguments);
    EXPECT_EQ(PowerShellDouble::Recorded("ShowWindow"), "");  // stored as a number
    EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, View::Wow64, "Software\\VelmoTestDoubles\\PowerShell", "ShowWindow")->Dword(),
              static_cast<uint32_t>(SW_HIDE));
    EXPECT_TRUE(SameText(PowerShellDouble::Recorded("CurrentDirectory"), WithoutTrailingBackslash(folder)))
        << PowerShellDouble::Recorded("CurrentDirectory");

    // No program file in the product folder: no first attempt; the error is
    // the one the file check left.
    EXPECT_EQ(trace.StartingWith(std::string("Create process failed  ") + kFixedPowerShell + " " + arguments + " 0").size(), 0u);
    EXPECT_EQ(trace.StartingWith(std::string("Create process failed  ") + kFixedPowerShell + " " + arguments + " ").size(), 1u);
    EXPECT_TRUE(trace.Contains("CreateProcess wait done"));
    EXPECT_TRUE(trace.Contains("SriptRet: OtpDeliveryScript.ps1 ret:Code 123456 sent to +4917012345 OK "
                               "[cmd alice 123456 +4917012345]"));
    EXPECT_TRUE(trace.StartingWith("CreateProcess2 failed").empty());
}

TEST_F(ScriptDelivery, TheScriptsAnswerDecidesAndIsCutAt190Characters) {
    PowerShellDouble::SetAnswer("SMTP Error 550: mailbox {destination} unavailable");
    EXPECT_EQ(Send(), kDeliveryFailed);
    EXPECT_EQ(Status(), "SMTP Error 550: mailbox +4917012345 unavailable");

    // Only "Error" with a capital E fails; any other text ran (the caller
    // then looks for its success marker).
    PowerShellDouble::SetAnswer("error: not sent");
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(Status(), "error: not sent");

    PowerShellDouble::SetAnswer(std::string(250, 's'));
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(Status(), std::string(190, 's'));
    EXPECT_EQ(PsStatus(), std::string(250, 's'));
}

TEST_F(ScriptDelivery, ArgumentsAreJoinedWithBlanksUnquotedAndCutAt199Characters) {
    EXPECT_EQ(Send("two words", "1&2", "a\"b"), kDeliveryRan);
    EXPECT_EQ(PowerShellDouble::Recorded("Arguments"), "two words 1&2 a\"b");

    const std::string user(150, 'u');
    const std::string destination(100, 'd');
    EXPECT_EQ(Send(user.c_str(), "123456", destination.c_str()), kDeliveryRan);
    const std::string sent = user + " 123456 " + destination;
    EXPECT_EQ(PowerShellDouble::Recorded("Arguments"), sent.substr(0, 199));
}

TEST_F(ScriptDelivery, TheProductFolderIsAPlainPrefix) {
    // Without arguments: "-file \"...\"" and no trailing blank.
    EXPECT_TRUE(RunPowerShellScript(kScriptName, nullptr));
    EXPECT_EQ(PowerShellDouble::Recorded("CommandLine"),
              std::string(kFixedPowerShell) + " -file \"" + folder + kScriptName + "\"");

    // A folder without its trailing backslash is joined as it stands.
    const std::string bare = WithoutTrailingBackslash(folder);
    PutText(kVelmo, "VelmoPath", bare);
    WriteWholeFile(bare + kScriptName, "# next to the folder\r\n");
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(PowerShellDouble::Recorded("Script"), bare + kScriptName);
    DeleteFileA((bare + kScriptName).c_str());
}

TEST_F(ScriptDelivery, StartProcessAndWaitPrefersAProgramInTheProductFolder) {
    EXPECT_FALSE(StartProcessAndWait(kFixedPowerShell, ""));
    EXPECT_FALSE(StartProcessAndWait(kFixedPowerShell, nullptr));
    EXPECT_EQ(PowerShellDouble::Runs(), 0u);

    const std::string helper = folder + "velmo_helper.exe";
    ASSERT_TRUE(CopyFileA(kFixedPowerShell, helper.c_str(), FALSE));
    EXPECT_TRUE(StartProcessAndWait("velmo_helper.exe", "one two"));
    EXPECT_EQ(PowerShellDouble::Recorded("CommandLine"), "\"" + helper + "\" one two");
    EXPECT_TRUE(trace.StartingWith("Create process failed").empty());
    DeleteFileA(helper.c_str());

    trace.Clear();
    EXPECT_FALSE(StartProcessAndWait("velmo_no_such_program.exe", "x"));
    EXPECT_TRUE(trace.Contains("Create process failed  velmo_no_such_program.exe x 2"));
    EXPECT_TRUE(trace.Contains("CreateProcess2 failed  velmo_no_such_program.exe x 2"));
}

TEST_F(ScriptDelivery, FallsBackToPowerShellOnTheSearchPath) {
    PowerShellOnSearchPath relocated;
    ASSERT_TRUE(relocated.Moved());
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(Status(), "Code 123456 sent to +4917012345 OK");
    const std::string arguments = "-file \"" + folder + kScriptName + "\" alice 123456 +4917012345";
    EXPECT_EQ(PowerShellDouble::Recorded("CommandLine"), "powershell.exe " + arguments)
        << ::testing::PrintToString(trace.Lines());
    EXPECT_TRUE(trace.Contains(std::string("CreateProcess2 failed  ") + kFixedPowerShell + " " + arguments + " 2"));
    EXPECT_TRUE(trace.Contains("Create process failed  powershell.exe " + arguments + " 2"));
}
