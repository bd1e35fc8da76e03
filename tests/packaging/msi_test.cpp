// The installer package through the prefix's msiexec, one step after the
// other: installs with and without properties, a second run, an upgrade from
// an older package, a refused downgrade, a repair and uninstalls, each
// checked for the product installed, its files, the settings it wrote or left
// alone, a user's record, and otpadmin working from the install folder.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "support/otp_codes.h"
#include "support/windows_env.h"

using namespace velmo::test;

namespace {

constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
constexpr char kAbsent[] = "<absent>";
constexpr char kEditedScript[] = "# the site's mail server\r\n";
const std::string kFolder = "C:\\Program Files\\Velmo Tést\\";  // a space and a letter of the ANSI code page
const std::string kDefaultFolder = "C:\\Program Files\\Velmo\\";
const std::string kLongGate = "https://sms.example/send?to=%phone%&text=%text%&key=" + std::string(948, 'k');
const std::string kUrl = "https://otp.example/verify?u=%user%&p=%pass%";

// Host settings and module values the package may write, in this order.
const std::pair<const char*, const char*> kSettings[] = {
    {kVelmo, "VelmoPath"}, {kVelmo, "VelmoADmode"}, {kOtpModule, "SMS-Gate"},
    {kOtpModule, "SMS-Gate-Success-Value"}, {kOtpModule, "URL"}};
// The opt-in protections, given at the first install and kept from then on.
const std::pair<const char*, const char*> kProtections[] = {
    {kVelmo, "MaxFailedCodes"}, {kVelmo, "FailureLockSeconds"}, {kVelmo, "TraceMasking"}};
const char* const kProtectionsGiven[] = {"dword:5", "dword:600", "dword:1"};

std::string Package(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return "\"" + path + "\" /qn";
}

// The text the ANSI functions (the module's, otpadmin's, the helpers') see.
std::string Ansi(const std::string& utf8) {
    wchar_t wide[2048];
    char ansi[2048];
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide, 2048);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, nullptr);
    return ansi;
}

std::string Setting(const char* key, const char* name) {
    const auto raw = GetRaw(key, name);
    if (!raw) return kAbsent;
    return raw->type == REG_DWORD ? "dword:" + std::to_string(raw->Dword()) : raw->Text();
}

std::vector<std::string> InstalledVersions() {
    std::vector<std::string> versions;
    char product[39];
    for (DWORD i = 0; MsiEnumRelatedProductsA(VELMO_UPGRADE_CODE, 0, i, product) == ERROR_SUCCESS; ++i) {
        char version[32] = {};
        DWORD size = sizeof version;
        MsiGetProductInfoA(product, INSTALLPROPERTY_VERSIONSTRING, version, &size);
        versions.push_back(version);
    }
    return versions;
}

struct Step {
    const char* what;
    std::function<void()> before;  // what an administrator changes first
    std::string command;           // msiexec's arguments
    DWORD exitCode;
    std::vector<std::string> versions;  // installed afterwards
    std::string folder;                 // the install folder afterwards, empty when none
    std::vector<std::string> settings;  // as kSettings
    bool logon = false;                 // alice logs on with the installed module
    bool protections = true;            // kProtections hold kProtectionsGiven
};

}  // namespace

TEST(MsiPackage, InstallUpgradeRepairAndUninstallKeepSettingsAndRecords) {
    ResetVelmoRegistry();
    PutText(kOtpModule, "alice_key", kSecret);
    const std::string current = Package(VELMO_MSI), previous = Package(VELMO_MSI_PREVIOUS);
    const std::string properties =
        " SMSGATE=" + kLongGate + " SMSGATESUCCESS=\" queued \" VERIFYURL=" + kUrl + " DOMAINMODE=0" +
        " MAXFAILEDCODES=5 FAILURELOCKSECONDS=600 TRACEMASKING=1";
    const std::string gate = "OtpDeliveryScript.ps1";  // as the administrator sets it later
    const auto administratorReconfigures = [&] {
        PutText(kOtpModule, "SMS-Gate", gate);
        PutText(kOtpModule, "URL", "");
        WriteWholeFile(Ansi(kFolder + "OtpDeliveryScript.ps1"), kEditedScript);
    };
    const Step steps[] = {
        {"a DOMAINMODE other than 0 or 1 is refused", {}, "/i " + current + " DOMAINMODE=yes", 1603, {}, "",
         {kAbsent, kAbsent, kAbsent, kAbsent, kAbsent}, false, false},
        {"an install with properties", {}, "/i " + current + properties, 0, {VELMO_MSI_VERSION}, kDefaultFolder,
         {kDefaultFolder, "dword:0", kLongGate, " queued ", kUrl}},
        {"the same again", {}, "/i " + current + properties, 0, {VELMO_MSI_VERSION}, kDefaultFolder,
         {kDefaultFolder, "dword:0", kLongGate, " queued ", kUrl}},
        {"its uninstall", {}, "/x " + current, 0, {}, "", {kAbsent, "dword:0", kLongGate, " queued ", kUrl}},
        {"the older version, elsewhere", {}, "/i " + previous + " INSTALLDIR=\"" + kFolder + "\"", 0,
         {VELMO_MSI_PREVIOUS_VERSION}, kFolder, {kFolder, "dword:0", kLongGate, " queued ", kUrl}},
        {"the upgrade", administratorReconfigures, "/i " + current, 0, {VELMO_MSI_VERSION}, kFolder,
         {kFolder, "dword:0", gate, " queued ", ""}, true},
        {"a downgrade is refused", {}, "/i " + previous, 1603, {VELMO_MSI_VERSION}, kFolder,
         {kFolder, "dword:0", gate, " queued ", ""}},
        {"a repair with a property", {}, "/i " + current + " REINSTALL=ALL REINSTALLMODE=omus SMSGATESUCCESS=sent", 0,
         {VELMO_MSI_VERSION}, kFolder, {kFolder, "dword:0", gate, "sent", ""}},
        {"the uninstall", {}, "/x " + current, 0, {}, "", {kAbsent, "dword:0", gate, "sent", ""}},
    };

    std::string lastFolder;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.before) step.before();
        EXPECT_EQ(RunProcess("msiexec " + step.command), step.exitCode);
        EXPECT_EQ(InstalledVersions(), step.versions);
        for (size_t i = 0; i < std::size(kSettings); ++i)
            EXPECT_EQ(Setting(kSettings[i].first, kSettings[i].second), Ansi(step.settings[i])) << kSettings[i].second;
        for (size_t i = 0; i < std::size(kProtections); ++i)
            EXPECT_EQ(Setting(kProtections[i].first, kProtections[i].second),
                      step.protections ? kProtectionsGiven[i] : kAbsent)
                << kProtections[i].second;
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, View::Wow64, kVelmo));
        ASSERT_EQ(Setting(kOtpModule, "alice_key"), kSecret);

        const std::string folder = Ansi(step.folder.empty() ? lastFolder : step.folder);
        if (!folder.empty()) {
            for (const char* file : {"velmo_otp.dll", "otpadmin.exe", "Directory\\velmo-schema.ldif"})
                EXPECT_EQ(FileExists(folder + file), !step.folder.empty()) << file;
        }
        if (step.folder.empty()) continue;
        lastFolder = step.folder;
        EXPECT_TRUE(FileExists(folder + "OtpDeliveryScript.ps1"));
        std::string output;
        EXPECT_EQ(RunProcess("\"" + step.folder + "otpadmin.exe\" init", &output), 0u);
        EXPECT_NE(output.find("VelmoPath              = \"" + folder + "\""), std::string::npos) << output;
        if (step.logon) {
            const std::string code = CodeText(kSecret, static_cast<uint32_t>(velmo::UnixNow() / 30));
            EXPECT_EQ(RunProcess("\"" + step.folder + "otpadmin.exe\" verify alice " + code, &output), 0u) << output;
        }
    }
    // The administrator's delivery script outlived the upgrade, the repair
    // and the uninstall.
    EXPECT_EQ(ReadWholeFile(Ansi(kFolder + "OtpDeliveryScript.ps1")), kEditedScript);
}
