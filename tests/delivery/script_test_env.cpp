#include "script_test_env.h"

namespace velmo::test {

namespace {

constexpr char kDoubleKey[] = "Software\\VelmoTestDoubles\\PowerShell";

void PutUserValue(const char* name, DWORD type, const void* data, size_t size) {
    PutRaw(HKEY_CURRENT_USER, View::Wow64, kDoubleKey, name, type, data, size);
}

}  // namespace

void PowerShellDouble::Reset() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VelmoTestDoubles", 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteTreeA(key, "PowerShell");
        RegCloseKey(key);
    }
}

void PowerShellDouble::SetAnswer(const std::string& text) {
    PutUserValue("Answer", REG_SZ, text.c_str(), text.size() + 1);
}

void PowerShellDouble::SetDelayMs(uint32_t ms) { PutUserValue("DelayMs", REG_DWORD, &ms, sizeof ms); }

void PowerShellDouble::SetSilent() {
    const DWORD one = 1;
    PutUserValue("Silent", REG_DWORD, &one, sizeof one);
}

std::string PowerShellDouble::Recorded(const char* name) {
    const auto value = GetRaw(HKEY_CURRENT_USER, View::Wow64, kDoubleKey, name);
    return value ? value->Text() : "";
}

uint32_t PowerShellDouble::Runs() {
    const auto value = GetRaw(HKEY_CURRENT_USER, View::Wow64, kDoubleKey, "Runs");
    return value ? value->Dword() : 0;
}

void ScriptDeliveryTest::SetUp() {
    ResetVelmoRegistry();
    PowerShellDouble::Reset();
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    folder = std::string(temp) + "velmo_product\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteWholeFile(folder + kScriptName, "# delivery script\r\n");
    PutText(kVelmo, "VelmoPath", folder);
    PutText(kOtpModule, "SMS-Gate", kScriptName);
}

void ScriptDeliveryTest::TearDown() {
    ResetVelmoRegistry();
    PowerShellDouble::Reset();
}

std::string ScriptDeliveryTest::PsStatus() const {
    const auto value = GetRaw(kVelmo, "PSStatus");
    return value ? value->Text() : "<missing>";
}

}  // namespace velmo::test
