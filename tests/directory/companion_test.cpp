// velmo_adap.dll, loaded with LoadLibrary as the module loads it, against
// the test directory: slapd instances that CTest starts on the loopback
// (tools/directory/slapd.sh).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "common/win_handles.h"
#include "support/directory_fixture.h"
#include "support/windows_env.h"
#include "velmo_adap.h"

using namespace velmo;
using namespace velmo::test;

namespace {

constexpr char kAdapKey[] = "SOFTWARE\\Velmo\\Adap";
constexpr wchar_t kSecretKeys[] = L"CN=SecretKeys,DC=Velmo,DC=com";

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class Companion : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        ASSERT_TRUE(module_) << "velmo_adap.dll: " << GetLastError();
        ASSERT_FALSE(directory["host"].empty()) << "no test directory";
        // Only as root does it listen on the standard ports that paths without one reach.
        if (directory["port"] != "389") GTEST_SKIP() << "the test directory is not on port 389";
    }
    void TearDown() override { ResetVelmoRegistry(); }

    // The library's own identity and default server, as an administrator sets them.
    void UseServiceAccount(const std::string& server = "") {
        std::wstring line = L"\"" + Wide(directory["service"]) + L"\" " + Wide(directory["service_password"]);
        ServiceAccountW(nullptr, nullptr, line.data(), 0);
        if (!server.empty()) PutText(kAdapKey, "Server", server);
    }
    uint32_t Open(const std::wstring& path, const std::string& account = "", const std::wstring& password = L"",
                  uint16_t flags = 0, uint32_t* handle = nullptr) {
        std::vector<uint16_t> credential{flags};
        credential.insert(credential.end(), password.begin(), password.end());
        credential.push_back(0);
        const std::wstring name = Wide(account);
        uint32_t opened = 0;
        const uint32_t status = LDAP_OpenObject(&opened, path.c_str(), account.empty() ? nullptr : name.c_str(),
                                                account.empty() ? nullptr : credential.data());
        if (handle) *handle = opened;
        else if (opened) LDAP_CloseObject(opened);
        return status;
    }
    std::wstring Get(uint32_t handle, const wchar_t* name, uint32_t& status) {
        wchar_t* value = nullptr;
        status = LDAP_GetAttr(handle, name, &value);
        std::wstring text = value ? value : L"";
        LDAP_FreeBuffer(value);
        return text;
    }
    // The child paths as handed out, checked for the list form on the way.
    std::vector<std::wstring> Children(uint32_t handle, const std::wstring& filter, uint32_t& status) {
        wchar_t* list = nullptr;
        uint64_t length = 0;
        status = LDAP_SearchChildren(handle, filter.c_str(), &list, &length);
        std::vector<std::wstring> paths;
        if (status != 0) return paths;
        const std::wstring raw(list, length);
        LDAP_FreeBuffer(list);
        EXPECT_TRUE(raw.ends_with(std::wstring(raw.size() > 1 ? 2 : 1, L'\0'))) << length;
        for (size_t at = 0; at < raw.size() && raw[at]; at = raw.find(L'\0', at) + 1)
            paths.push_back(raw.substr(at, raw.find(L'\0', at) - at));
        return paths;
    }

    UniqueModule module_{LoadLibraryA("velmo_adap.dll")};
    template <typename Fn>
    Fn Entry(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    }
#define ADAP_ENTRY(name) decltype(&::name) name = Entry<decltype(&::name)>(#name)
    ADAP_ENTRY(LDAP_OpenObject);
    ADAP_ENTRY(LDAP_CreateObject);
    ADAP_ENTRY(LDAP_CloseObject);
    ADAP_ENTRY(LDAP_SetAttr);
    ADAP_ENTRY(LDAP_GetAttr);
    ADAP_ENTRY(LDAP_FlushObject);
    ADAP_ENTRY(LDAP_SearchChildren);
    ADAP_ENTRY(LDAP_DeleteObject);
    ADAP_ENTRY(LDAP_FreeBuffer);
    ADAP_ENTRY(LDAP_GetStatusDescription);
    ADAP_ENTRY(LDAP_SetLogLevel);
    ADAP_ENTRY(LDAP_SetLogFile);
    ADAP_ENTRY(ServiceAccountW);
#undef ADAP_ENTRY

    std::map<std::string, std::string> directory = DirectoryInstance("directory");
};

}  // namespace

TEST_F(Companion, BindsAsTheCallerOrItsOwnIdentityAndNeverSendsAPasswordInClear) {
    const std::string log = ScratchFilePath("adap_log");
    ASSERT_EQ(LDAP_SetLogFile(Wide(log).c_str()), 0u);
    ASSERT_EQ(LDAP_SetLogLevel(1), 0u);
    const std::wstring at = L"LDAP://" + Wide(directory["host"]) + L"/";
    const std::wstring referral = L"LDAP://" + Wide(DirectoryInstance("referral")["host"]) + L"/";
    const std::wstring plain = L"LDAP://" + Wide(DirectoryInstance("plain")["host"]) + L"/";
    const std::string op = directory["operator"];
    const std::wstring opPassword = Wide(directory["operator_password"]);
    enum Identity { Own, Service, ServiceByDefault, ServiceLdaps, ServicePlainAllowed };
    struct Row {
        const char* what;
        Identity identity;
        std::wstring path;
        std::string account;
        std::wstring password;
        uint16_t flags;
        uint32_t status;
    } rows[] = {
        {"service account", Service, at + kSecretKeys, "", L"", 0, 0},
        {"service account, default server", ServiceByDefault, L"LDAP://" + std::wstring(kSecretKeys), "", L"", 0, 0},
        {"no server anywhere", Service, L"LDAP://" + std::wstring(kSecretKeys), "", L"", 0, 0x8007054B},
        {"service account over LDAPS", ServiceLdaps, at + kSecretKeys, "", L"", 0, 0},
        {"custom account", Own, at + kSecretKeys, op, opPassword, 0, 0},
        {"custom account, wrong password", Own, at + kSecretKeys, op, L"wrong", 0, 0x8007052E},
        {"custom account, no password", Own, at + kSecretKeys, op, L"", 0, 0x8007052E},
        {"custom account over LDAPS", Own, at + kSecretKeys, op, opPassword, 0x0002, 0},
        {"referral", Service, referral + kSecretKeys, "", L"", 0, 0x8007202B},
        {"no TLS: no password in clear", Service, plain + kSecretKeys, "", L"", 0, 0x8007202D},
        {"no TLS, clear text allowed", ServicePlainAllowed, plain + kSecretKeys, "", L"", 0, 0},
        {"server down", Service, L"LDAP://127.0.0.1:1/" + std::wstring(kSecretKeys), "", L"", 0, 0x8007203A},
        {"bad port", Service, L"LDAP://127.0.0.1:0/" + std::wstring(kSecretKeys), "", L"", 0, 0x80005000},
    };
    for (const auto& row : rows) {
        ResetVelmoRegistry();
        if (row.identity != Own) UseServiceAccount(row.identity == ServiceByDefault ? directory["host"] : "");
        if (row.identity == ServiceLdaps) PutDword(kAdapKey, "Ldaps", 1);
        if (row.identity == ServicePlainAllowed) PutDword(kAdapKey, "AllowPlainBind", 1);
        const uint32_t status = Open(row.path, row.account, row.password, row.flags);
        EXPECT_EQ(status, row.status) << row.what << std::hex << " 0x" << status;
    }

    uint32_t handle = 0, status = 0;
    ASSERT_EQ(Open(at + L"rootDSE", "", L"", 0, &handle), 0u);
    EXPECT_EQ(Get(handle, L"defaultNamingContext", status), L"dc=corp,dc=test");
    LDAP_CloseObject(handle);
    wchar_t* text = nullptr;
    ASSERT_EQ(LDAP_GetStatusDescription(0x8007203A, &text), 0u);
    EXPECT_STREQ(text, L"The server is not operational.");
    LDAP_FreeBuffer(text);
    // Failures are logged with their paths; successes and passwords never.
    const std::string lines = ReadWholeFile(log);
    EXPECT_NE(lines.find("LDAP_OpenObject LDAP://" + DirectoryInstance("referral")["host"] + "/CN=SecretKeys,DC=Velmo,DC=com "
                         "0x8007202B"),
              std::string::npos)
        << lines;
    EXPECT_EQ(lines.find(" 0x00000000"), std::string::npos);
    EXPECT_EQ(lines.find(directory["operator_password"]), std::string::npos);
    LDAP_SetLogLevel(0);
}

TEST_F(Companion, TheServicePasswordsKeyIsForSystemAndAdministratorsOnly) {
    UseServiceAccount();
    EXPECT_FALSE(WideGroupMayRead(Access(Secured::Key, kAdapKey))) << Access(Secured::Key, kAdapKey);
    // A key users may read, as an older version left it, is tightened.
    ASSERT_TRUE(SetAccess(Secured::Key, kAdapKey, "D:(A;OICI;KR;;;BU)(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)"));
    UseServiceAccount();
    EXPECT_FALSE(WideGroupMayRead(Access(Secured::Key, kAdapKey))) << Access(Secured::Key, kAdapKey);
}

TEST_F(Companion, WritesReadsSearchesAndDeletesRecords) {
    UseServiceAccount(directory["host"]);
    const std::wstring user = L"Zoë Ünïcødé " + std::to_wstring(GetTickCount());
    const std::wstring first = L"CN=" + user + L" 1," + kSecretKeys, second = L"CN=" + user + L" 2," + kSecretKeys;
    const std::wstring history(800, L'A');
    for (const auto& name : {first, second}) {
        uint32_t handle = 0;
        ASSERT_EQ(LDAP_CreateObject(&handle, (L"LDAP://" + name).c_str(), L"kvSecretKey", nullptr, nullptr), 0u);
        for (const auto& [attribute, value] : std::map<std::wstring, std::wstring>{
                 {L"kvUserName", user}, {L"kvOathSecret", L"S1"}, {L"kvOathHistory", history},
                 {L"kvUserAttr1", L" "}, {L"kvKeyType", L""}})
            EXPECT_EQ(LDAP_SetAttr(handle, attribute.c_str(), value.c_str()), 0u) << attribute;
        EXPECT_EQ(LDAP_SetAttr(handle, L"kvOathCounter", std::wstring(65537, L'1').c_str()), 0x80070057u);
        EXPECT_EQ(LDAP_SetAttr(handle, L"kvTestBinary", L"text"), 0x8000500Cu);
        EXPECT_EQ(LDAP_FlushObject(handle), 0u);
        EXPECT_EQ(LDAP_CloseObject(handle), 0u);
    }

    // What each step leaves: an update replaces only what it sets, and an
    // empty value removes the attribute.
    struct Read {
        const wchar_t* attribute;
        uint32_t status;
        std::wstring value;
    };
    const std::vector<Read> created = {{L"kvUserName", 0, user},         {L"kvOathSecret", 0, L"S1"},
                                       {L"kvOathHistory", 0, history},    {L"kvUserAttr1", 0, L" "},
                                       {L"kvKeyType", 0x8000500D, L""},   {L"kvUserKeySerial", 0x8000500D, L""}};
    const std::vector<Read> updated = {{L"kvUserName", 0, user}, {L"kvOathSecret", 0, L"S2"},
                                       {L"kvUserAttr1", 0x8000500D, L""}};
    uint32_t handle = 0, status = 0;
    ASSERT_EQ(LDAP_CreateObject(&handle, (L"LDAP://" + first).c_str(), L"kvSecretKey", nullptr, nullptr), 0u);
    EXPECT_EQ(LDAP_FlushObject(handle), 0x80071392u);  // it exists
    LDAP_CloseObject(handle);
    for (const auto* reads : {&created, &updated}) {
        ASSERT_EQ(Open(L"LDAP://" + first, "", L"", 0, &handle), 0u);
        for (const auto& read : *reads) {
            EXPECT_EQ(Get(handle, read.attribute, status), read.value) << read.attribute;
            EXPECT_EQ(status, read.status) << read.attribute;
        }
        EXPECT_EQ(LDAP_SetAttr(handle, L"kvOathSecret", L"S2"), 0u);
        EXPECT_EQ(LDAP_SetAttr(handle, L"kvUserAttr1", L""), 0u);
        EXPECT_EQ(LDAP_FlushObject(handle), 0u);
        LDAP_CloseObject(handle);
    }
    EXPECT_EQ(Get(handle, L"kvUserName", status), L"");  // closed
    EXPECT_EQ(status, 0x80070006u);

    ASSERT_EQ(Open(L"LDAP://" + std::wstring(kSecretKeys), "", L"", 0, &handle), 0u);
    auto paths = Children(handle, L"(kvUserName=" + user + L")", status);
    EXPECT_EQ(status, 0u);
    std::sort(paths.begin(), paths.end());
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(CompareStringOrdinal(paths[0].c_str(), -1, (L"LDAP://" + first).c_str(), -1, TRUE), CSTR_EQUAL);
    EXPECT_EQ(Open(paths[1]), 0u);
    EXPECT_EQ(Children(handle, L"(kvUserName=Zoë Ünïcødé *)", status).size(), 2u);
    EXPECT_EQ(Children(handle, L"(kvUserName=nobody)", status).size(), 0u);
    EXPECT_EQ(status, 0u);
    Children(handle, L"(kvUserName=", status);
    EXPECT_EQ(status, 0x80005014u);
    LDAP_CloseObject(handle);

    for (const auto& name : {first, second}) EXPECT_EQ(LDAP_DeleteObject((L"LDAP://" + name).c_str(), nullptr, nullptr), 0u);
    EXPECT_EQ(Open(L"LDAP://" + first), 0x80072030u);
    EXPECT_EQ(LDAP_DeleteObject((L"LDAP://" + first).c_str(), nullptr, nullptr), 0x80072030u);
    wchar_t foreign[] = L"not ours";
    EXPECT_EQ(LDAP_FreeBuffer(foreign), 0x80070057u);
}

TEST_F(Companion, AServerThatGoesAwayEndsItsSessionUntilItIsBack) {
    UseServiceAccount(directory["host"]);
    const std::wstring path = L"LDAP://CN=lastSettingsUpdateTimeCounter,CN=GlobalSettings,DC=Velmo,DC=com";
    uint32_t handle = 0, status = 0;
    ASSERT_EQ(Open(path, "", L"", 0, &handle), 0u);
    EXPECT_EQ(Get(handle, L"kvGlobalSettingData", status), L"1");

    ASSERT_TRUE(ChangeDirectoryInstance("directory", "suspend"));
    Get(handle, L"kvGlobalSettingData", status);
    EXPECT_EQ(status, 0x8007203Au);
    EXPECT_EQ(LDAP_SetAttr(handle, L"kvGlobalSettingData", L"2"), 0u);
    EXPECT_EQ(LDAP_FlushObject(handle), 0x8007203Au);
    EXPECT_EQ(Open(path), 0x8007203Au);

    ASSERT_TRUE(ChangeDirectoryInstance("directory", "resume"));
    EXPECT_EQ(LDAP_FlushObject(handle), 0x8007203Au);  // its session has ended
    EXPECT_EQ(LDAP_CloseObject(handle), 0u);
    ASSERT_EQ(Open(path, "", L"", 0, &handle), 0u);
    EXPECT_EQ(Get(handle, L"kvGlobalSettingData", status), L"1");
    LDAP_CloseObject(handle);
}
