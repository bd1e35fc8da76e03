// otpadmin doctor in the test prefix: a healthy configuration gives no FAIL
// and exit 0; each row breaks one thing the way a machine can be broken and
// expects its FAIL line and an exit code that counts the FAIL lines. The
// output never holds a user's secret or code, and the self-test leaves no
// value behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <ctime>
#include <functional>
#include <regex>
#include <string>

#include "common/clock.h"
#include "loopback_http_server.h"
#include "otp/code_check.h"
#include "support/directory_fixture.h"
#include "support/otp_codes.h"
#include "support/windows_env.h"

using namespace velmo::test;

namespace {

constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
const std::string kFolder = "C:\\velmo-doctor\\";
const std::string kPowerShell = "C:\\windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe";

struct Outcome {
    DWORD exit;
    std::string output;
    size_t Fails() const {
        size_t n = 0;
        for (size_t at = output.find("\nFAIL "); at != std::string::npos; at = output.find("\nFAIL ", at + 1)) ++n;
        return n + (output.rfind("FAIL ", 0) == 0);
    }
};

Outcome RunDoctor(const std::string& args = "", const std::string& exe = "otpadmin.exe") {
    Outcome r;
    r.exit = RunProcess("\"" + exe + "\" doctor " + args, &r.output);
    return r;
}

std::string HttpDate(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", std::gmtime(&t));
    return text;
}

// Domain mode against the test directory, as the domain world sets it up.
void DomainMode() {
    auto d = DirectoryInstance("directory");
    PutDword(kVelmo, "VelmoADmode", 1);
    PutText("SOFTWARE\\Velmo\\Adap", "Server", d["host"] + (d["port"] == "389" ? "" : ":" + d["port"]));
    std::string key = ReadWholeFile("Z:" + std::string(getenv("VELMO_DIRECTORY_DIR")) + "/service.publickey");
    PutText(kVelmo, "serverPublicKey", key.substr(0, key.find_first_of("\r\n")));
    HMODULE library = LoadLibraryA("velmo_adap.dll");
    using ServiceAccountFn = void(__stdcall*)(HWND, HINSTANCE, wchar_t*, int);
    auto store =
        reinterpret_cast<ServiceAccountFn>(reinterpret_cast<void*>(GetProcAddress(library, "ServiceAccountW")));
    std::wstring line = L"\"" + std::wstring(d["service"].begin(), d["service"].end()) + L"\" " +
                        std::wstring(d["service_password"].begin(), d["service_password"].end());
    store(nullptr, nullptr, line.data(), 0);
}

// A host folder of its own without velmo_ui.dll.
std::string HostWithoutUiLibrary() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string bin(self, std::string_view(self).rfind('\\') + 1), folder = ScratchFilePath("bare") + ".host\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* file : {"otpadmin.exe", "velmo_otp.dll", "velmo_adap.dll"})
        CopyFileA((bin + file).c_str(), (folder + file).c_str(), FALSE);
    return folder + "otpadmin.exe";
}

class Doctor : public ::testing::Test {
protected:
    void SetUp() override {
        // Wine starts its desktop process for the first program that needs
        // one; started by a doctor run, it would keep that run's output pipe
        // open for good. Start it here.
        GetDesktopWindow();
        ResetVelmoRegistry();
        CreateDirectoryA(kFolder.c_str(), nullptr);
        DeleteFileA((kFolder + "otp_LogonUI.exe.log").c_str());
        PutText(kVelmo, "VelmoPath", kFolder);
        PutText(kOtpModule, "alice_key", kSecret);
        PutDword(kOtpModule, "alice#", 0);
    }
    void TearDown() override { ResetVelmoRegistry(); }
};

}  // namespace

TEST_F(Doctor, AHealthyPrefixHasNoFailAndShowsNoSecretOrCode) {
    for (const char* args : {"", "--json"}) {
        const Outcome r = RunDoctor(args);
        EXPECT_EQ(r.exit, 0u) << r.output;
        EXPECT_EQ(r.Fails(), 0u) << r.output;
        EXPECT_EQ(r.output.find(std::string(kSecret).substr(0, 8)), std::string::npos) << r.output;
        const uint32_t step = velmo::TimeStepNumber(velmo::UnixNow(), 30);
        for (uint32_t counter : {step - 1, step, step + 1})
            EXPECT_EQ(r.output.find(CodeText(kSecret, counter)), std::string::npos) << r.output;
    }
    EXPECT_NE(RunDoctor("--json").output.find("\"failures\": 0}"), std::string::npos);
}

TEST_F(Doctor, EachBrokenConditionGivesItsFailLine) {
    LoopbackHttpServer server;
    const struct {
        const char* what;
        std::function<void()> arrange;
        const char* failLine;  // a regular expression
        std::function<Outcome()> run = [] { return RunDoctor(); };
        std::function<void()> restore = [] {};
    } rows[] = {
        {"a damaged record", [] { PutText(kOtpModule, "dave_key", "NOT-BASE32!"); },
         R"(FAIL  records .*damaged: dave \(secret is not Base32\))"},
        {"a record key users may read",
         [] { ASSERT_TRUE(SetAccess(Secured::Key, kOtpModule, "D:(A;OICI;KR;;;BU)(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)")); },
         R"(FAIL  record key +HKLM\\Software\\Velmo\\OtpModule .* users may read it)"},
        {"a trace file users may read",
         [] {
             WriteWholeFile(kFolder + "otp_LogonUI.exe.log", "old\r\n");
             ASSERT_TRUE(SetAccess(Secured::File, kFolder + "otp_LogonUI.exe.log", "D:(A;;FR;;;WD)(A;;FA;;;SY)"));
         },
         R"(FAIL  trace files +otp_LogonUI.exe.log may be read by users)"},
        {"PowerShell missing for script delivery",
         [] {
             PutText(kOtpModule, "alice_sms", "+15550100");
             WriteWholeFile(kFolder + "OtpDeliveryScript.ps1", "# sends the code\r\n");
             ASSERT_TRUE(MoveFileA(kPowerShell.c_str(), (kPowerShell + ".away").c_str()));
         },
         R"(FAIL  powershell +not at .*powershell.exe, not in the product folder, not on the search path)",
         [] { return RunDoctor(); }, [] { MoveFileA((kPowerShell + ".away").c_str(), kPowerShell.c_str()); }},
        {"a server whose Date is five minutes behind",
         [&] {
             server.AnswerRaw("HTTP/1.0 200 OK\r\nDate: " + HttpDate(velmo::UnixNow() - 300) +
                              "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
             PutText(kOtpModule, "URL", server.Url("/verify?user=%user%&pass=%pass%"));
         },
         R"(FAIL  clock +this clock is 30\d s ahead of http://127.0.0.1:\d+/; a time step is 30 s)"},
        {"velmo_ui.dll missing in domain mode (the self-test stays local)", DomainMode,
         R"(FAIL  velmo_ui.dll +neither velmo_ui.dll nor velmo_ui_x64.dll loads)",
         [] {
             const Outcome r = RunDoctor("--selftest", HostWithoutUiLibrary());
             EXPECT_NE(r.output.find("the self-test stays on this machine"), std::string::npos) << r.output;
             return r;
         }},
        {"the directory down",
         [] {
             DomainMode();
             PutText("SOFTWARE\\Velmo\\Adap", "Server", "127.0.0.1:" + std::to_string(UnusedLoopbackPort()));
         },
         R"(FAIL  directory +127.0.0.1:\d+ as .*: DC=Velmo,DC=com cannot be opened: 0x8007203A)"},
    };
    for (const auto& row : rows) {
        SetUp();
        row.arrange();
        const Outcome r = row.run();
        row.restore();
        EXPECT_TRUE(std::regex_search(r.output, std::regex(row.failLine))) << row.what << ":\n" << r.output;
        EXPECT_GE(r.exit, 1u) << row.what;
        EXPECT_EQ(r.exit, r.Fails()) << row.what << ":\n" << r.output;
    }
    // The clock was read at the server's origin, never through the template.
    EXPECT_EQ(server.LastRequest().target, "/");
}

TEST_F(Doctor, TheSelfTestLogsATemporaryUserOnAndLeavesNoValueBehind) {
    RunDoctor();  // InitLibrary seeds the delivery settings once
    const auto before = AllValues(kOtpModule);
    const Outcome r = RunDoctor("--selftest");
    EXPECT_EQ(r.exit, 0u) << r.output;
    for (const char* step : {"VerifyPIN accepted the current code", "the same code again: refused",
                             "a wrong code: refused", "the temporary user's values are removed"})
        EXPECT_NE(r.output.find(step), std::string::npos) << step << "\n" << r.output;
    EXPECT_EQ(AllValues(kOtpModule), before);
}
