// The module's directory store against the test directory, through the real
// access library: record writes and reads, the referral retry, the offline
// flag, the data-type retry, the custom server and account, and discovery.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <string>

#include "common/code_page.h"
#include "directory/directory_object.h"
#include "directory/directory_ops.h"
#include "directory/directory_state.h"
#include "directory/discovery.h"
#include "directory/record_layer.h"
#include "directory/record_names.h"
#include "otp/user_record.h"
#include "settings/registry.h"
#include "support/directory_fixture.h"
#include "support/service_key.h"
#include "support/trace_capture.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

constexpr char kVolatile[] = "SOFTWARE\\Velmo\\Volatile";
const std::u16string kKeyClass = u"kvSecretKey";

class Store : public ::testing::Test {
protected:
    void SetUp() override {
        if (directory["port"] != "389") GTEST_SKIP() << "the test directory is not on port 389";
        ResetVelmoRegistry();
        ResetDirectoryStateForTesting();
        ASSERT_TRUE(BindAccessLibrary());
        // The library's own identity and default server, as an administrator sets them.
        using ServiceAccountFn = void(__stdcall*)(HWND, HINSTANCE, wchar_t*, int);
        auto serviceAccount = reinterpret_cast<ServiceAccountFn>(
            reinterpret_cast<void*>(GetProcAddress(Directory().accessLibrary, "ServiceAccountW")));
        std::wstring line = L"\"" + Widen(directory["service"]) + L"\" " + Widen(directory["service_password"]);
        serviceAccount(nullptr, nullptr, line.data(), 0);
        PutText("SOFTWARE\\Velmo\\Adap", "Server", directory["host"]);
        trace.Clear();
    }
    void TearDown() override {
        ResetDirectoryStateForTesting();
        ResetVelmoRegistry();
    }
    static std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }
    static AttrsMap Read(const std::u16string& objectName, AttrsMap wanted, bool* found = nullptr) {
        const bool ok = _velmoAP_getAttrsMap(kSecretKeys, objectName.c_str(), nullptr, nullptr, nullptr, wanted);
        if (found) *found = ok;
        return wanted;
    }
    size_t Count(const std::string& prefix) const { return trace.StartingWith(prefix).size(); }

    std::map<std::string, std::string> directory = DirectoryInstance("directory");
    TraceCapture trace;
};

// Whether a static buffer of this program holds a session key (ten letters
// and 22 blanks) or its hexadecimal text.
bool StaticDataHoldsASessionKey() {
    const auto* base = reinterpret_cast<const char*>(GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + PIMAGE_DOS_HEADER(base)->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    const std::regex key("[a-z]{10} {22}|(20){22}");
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        const char* data = base + section->VirtualAddress;
        if ((section->Characteristics & IMAGE_SCN_MEM_WRITE) &&
            std::regex_search(data, data + section->Misc.VirtualSize, key))
            return true;
    }
    return false;
}

}  // namespace

TEST_F(Store, RecordsAreCreatedUpdatedFoundAndDeleted) {
    const std::u16string id = u"rec-" + FromAnsi(std::to_string(GetTickCount()));
    const std::u16string long300(300, u'h'), long299(299, u'h');
    ASSERT_TRUE(_velmoAP_addRecord(kSecretKeys, id, kKeyClass,
                                   {{u"kvUserName", u"m\u00fcller" + id}, {u"kvKeyType", u""}, {u"kvOathCounter", u"5"},
                                    {u"kvOathHistory", long300}, {u"kvOathSecret", long299}, {u"x", u"skipped"}}));
    // Values of 300 characters are traced by their length, shorter ones whole.
    EXPECT_EQ(Count("save attr kvOathHistory len:300"), 1u);
    EXPECT_EQ(Count("save attr kvOathSecret - " + std::string(299, 'h') + "."), 1u);
    EXPECT_TRUE(_velmoAP_addRecord(kSecretKeys, id, kKeyClass, {{u"kvOathCounter", u"6"}}));

    bool found = false;
    AttrsMap read = Read(u"CN=" + id, {{u"kvUserName", u"?"}, {u"kvKeyType", u"?"}, {u"kvOathCounter", u"?"},
                                       {u"kvOathHistory", u"?"}, {u"kvUserAttr1", u"unset"}}, &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(read, (AttrsMap{{u"kvUserName", u"m\u00fcller" + id}, {u"kvKeyType", u" "}, {u"kvOathCounter", u"6"},
                              {u"kvOathHistory", long300}, {u"kvUserAttr1", u"unset"}}));

    // Searches: by user name; a user holding "*" searches "kvUserAttr1"; two matches read the first.
    ASSERT_TRUE(_velmoAP_addRecord(kSecretKeys, id + u"-2", kKeyClass,
                                   {{u"kvUserName", u"m\u00fcller" + id}, {u"kvUserAttr1", u"+1555" + id}}));
    AttrsMap byUser = {{u"kvKeyID", u""}, {u"kvUserAttr1", u""}};
    const std::string user = ToAnsi(u"m\u00fcller" + id);
    EXPECT_TRUE(_velmoAP_getAttrsMap(kSecretKeys, nullptr, user.c_str(), nullptr, nullptr, byUser));
    AttrsMap byDestination = {{u"kvUserAttr1", u""}};
    const std::string pattern = ToAnsi(u"+1555" + id.substr(0, 5)) + "*";
    EXPECT_TRUE(_velmoAP_getAttrsMap(kSecretKeys, nullptr, pattern.c_str(), nullptr, nullptr, byDestination));
    EXPECT_EQ(byDestination[u"kvUserAttr1"], u"+1555" + id);
    EXPECT_FALSE(_velmoAP_getAttrsMap(kSecretKeys, nullptr, "nobody-at-all", nullptr, nullptr, byUser));

    for (const auto& record : {id, id + u"-2"}) EXPECT_TRUE(_velmoAP_deleteRecord(kSecretKeys, record));
    Read(u"CN=" + id, {}, &found);
    EXPECT_FALSE(found);
    // The partition's global settings object, read by name.
    AttrsMap settings = Read(u"LDAP://CN=lastSettingsUpdateTimeCounter,CN=GlobalSettings,DC=Velmo,DC=com",
                             {{u"kvGlobalSettingData", u""}});
    EXPECT_EQ(settings[u"kvGlobalSettingData"], u"1");
}

TEST_F(Store, AReferralIsFollowedOnceThroughTheLocatedController) {
    PutText("SOFTWARE\\Velmo\\Adap", "Server", DirectoryInstance("referral")["host"]);
    PutText(kVolatile, "ldapip", directory["host"]);
    AttrsMap settings = {{u"kvGlobalSettingData", u""}};
    EXPECT_TRUE(_velmoAP_getAttrsMap(kGlobalSettings, u"CN=lastSettingsUpdateTimeCounter", nullptr, nullptr, nullptr,
                                     settings));
    EXPECT_EQ(settings[u"kvGlobalSettingData"], u"1");
    EXPECT_EQ(Count(" LDAP_OpenObject to "), 2u);  // tried exactly twice
    EXPECT_EQ(Value(kVolatile, "AdapReturnedReference").Dword(), 1u);
    // A later process starts with that controller while the volatile key lasts.
    ResetDirectoryStateForTesting();
    checkCustomLdapIPsettings();
    EXPECT_EQ(ToAnsi(DirectoryServer()), directory["host"]);
}

TEST_F(Store, AnUnreachableDirectoryMarksTheProcessOfflineUntilAnOpenSucceeds) {
    ASSERT_TRUE(ChangeDirectoryInstance("directory", "suspend"));
    AttrsMap wanted = {{u"kvGlobalSettingData", u""}};
    EXPECT_FALSE(_velmoAP_getAttrsMap(kGlobalSettings, u"CN=lastSettingsUpdateTimeCounter", nullptr, nullptr, nullptr,
                                      wanted));
    EXPECT_EQ(IsDirectoryOffline(), 1);
    // A write falls back to a direct add, which cannot reach the server either.
    EXPECT_FALSE(_velmoAP_addRecord(kSecretKeys, u"offline-record", kKeyClass, {{u"kvUserName", u"x"}}));
    ASSERT_TRUE(ChangeDirectoryInstance("directory", "resume"));
    DirectoryObjectHandle object;
    EXPECT_TRUE(OpenDirectoryObject(object, ContainerPath(kSecretKeys)));
    EXPECT_EQ(IsDirectoryOffline(), 0);
}

TEST_F(Store, ASecurityDescriptorAnsweredWithoutAnObjectIsNoFailureStatus) {
    auto& entry = Directory().entries.LDAP_GetSecurityDescriptor;
    const auto library = entry;
    // What the library itself never answers: success, and no object.
    entry = [](uint32_t, IDispatch** descriptor) -> uint32_t { return *descriptor = nullptr, 0u; };
    EXPECT_FALSE(_velmoAP_addRecordSD(kSecretKeys, u"binary-attribute-record"));
    entry = library;
    EXPECT_EQ(trace.StartingWith("Can't LDAP_GetSecurityDescriptor").size(), 1u);
    EXPECT_TRUE(trace.StartingWith(" [ERROR]").empty());
}

TEST_F(Store, AValueTheLibraryCannotConvertIsTriedThroughTheControllerThenDirectly) {
    PutText(kVolatile, "ldapip", directory["host"]);
    AttrsMap wanted = {{u"kvTestBinary", u"unread"}, {u"kvUserName", u""}};
    const bool found = _velmoAP_getAttrsMap(kSecretKeys, u"CN=binary-attribute-record", nullptr, nullptr, nullptr,
                                            wanted);
    EXPECT_EQ(Count("Try again... 0 ldap_ip:" + directory["host"]), 1u);
    EXPECT_EQ(Count("Try again2... 1 ldap_ip:" + directory["host"]), 1u);
    EXPECT_EQ(Directory().useLdap, 1u);
    // Under Wine no direct bind as the process succeeds: the direct read
    // fails, so direct mode is not remembered for later processes.
    EXPECT_FALSE(found);
    EXPECT_FALSE(GetRaw(kVolatile, "AdapUseLdapDirect"));
}

TEST_F(Store, TheCustomServerAndAccount) {
    PutText("SOFTWARE\\Velmo\\Adap", "Server", "");
    WriteRegString(RegRoot::LocalMachine, kVelmoKey, "ADAP_ip", ("\\\\" + directory["host"]).c_str());
    WriteRegString(RegRoot::LocalMachine, kVelmoKey, "ADAP_Userxxx", directory["operator"].c_str());
    WriteRegString(RegRoot::LocalMachine, kVelmoKey, "ADAP_Pwdxxx", directory["operator_password"].c_str());
    bool found = false;
    Read(u"CN=binary-attribute-record", {{u"kvUserName", u""}}, &found);
    EXPECT_TRUE(found);
    for (const auto& line : trace.Lines()) EXPECT_EQ(line.find(directory["operator_password"]), std::string::npos);

    ResetDirectoryStateForTesting();
    WriteRegString(RegRoot::LocalMachine, kVelmoKey, "ADAP_Pwdxxx", "wrong");
    Read(u"CN=binary-attribute-record", {{u"kvUserName", u""}}, &found);
    EXPECT_FALSE(found);
}

TEST_F(Store, DiscoveryFailsCleanlyWhereNoDomainAnswers) {
    char destination[90] = "untouched";
    EXPECT_EQ(FindADUser_DomainGroup("alice", destination, sizeof destination), -1);
    EXPECT_EQ(Count("isFindUser: err. no AD detected."), 1u);
    EXPECT_STREQ(destination, "untouched");
    PutText(kVelmo, "adap_ip", std::string(120, 'd'));  // stands in for the domain: 96 characters of it
    EXPECT_EQ(LookupDomain(), std::string(96, 'd'));

    PutText("Software\\Velmo", "DomainName", "ab");  // two characters: looked for
    EXPECT_STRNE(GetDomainTree(), "ab");
    PutText("Software\\Velmo", "DomainName", "abc");  // used as given
    EXPECT_STREQ(GetDomainTree(), "abc");
}

TEST_F(Store, OtpRecordsGoUpToTheDirectoryAndComeBackDown) {
    const std::string user = "alice-" + std::to_string(GetTickCount());
    const char* u = user.c_str();
    auto local = [&](const char* suffix) { return Value(kOtpModule, RecordValueName(u, suffix)); };
    auto inDirectory = [&] {
        AttrsMap map = {{u"kvKeyID", u""}, {u"kvOathHistory", u""}, {u"kvOathDestination", u""},
                        {u"kvUserAttr1", u""}, {u"kvOathCounter", u""}, {u"kvKeyType", u""}};
        _velmoAP_getAttrsMap(kSecretKeys, nullptr, u, nullptr, nullptr, map);
        return map;
    };
    std::vector<uint8_t> history(1600);
    for (size_t i = 0; i < history.size(); ++i) history[i] = static_cast<uint8_t>(i);
    WriteRecordText(u, kKeySuffix, "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ");
    WriteRecordNumber(u, kSkewSuffix, 3);
    WriteRecordText(u, kDestinationSuffix, "+15550101");
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, RecordValueName(u, kHistorySuffix), REG_BINARY, history.data(),
           history.size());

    // Outside domain mode nothing goes anywhere.
    VelmoADAP_AddUserOtpInfo(u, "token-otp", "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ");
    EXPECT_EQ(inDirectory()[u"kvKeyID"], u"");
    PutDword(kVelmo, "VelmoADmode", 1);
    VelmoADAP_AddUserOtpInfo(u, "token-otp", "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ");
    AttrsMap up = inDirectory();
    EXPECT_EQ(up[u"kvKeyID"].size(), 36u);
    EXPECT_EQ(up[u"kvOathHistory"].size(), 800u);
    EXPECT_EQ(up[u"kvOathDestination"], u"3");
    EXPECT_EQ(up[u"kvUserAttr1"], u"+15550101");
    EXPECT_EQ(up[u"kvKeyType"], u"token-otp");
    VelmoADAP_AddUserOtpInfo(u, "totp", "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ");  // the same object again
    EXPECT_EQ(inDirectory()[u"kvKeyID"], up[u"kvKeyID"]);
    EXPECT_EQ(inDirectory()[u"kvKeyType"], u"totp");

    // Down: secret, skew, destination and the 400 history bytes; U# stays local.
    for (const char* suffix : {kKeySuffix, kSkewSuffix, kDestinationSuffix, kHistorySuffix})
        WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, RecordValueName(u, suffix).c_str(), nullptr);
    WriteRecordNumber(u, kCounterSuffix, 9);
    VelmoADAP_GetUserOtpInfo(u);
    EXPECT_EQ(local(kKeySuffix).Text(), "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ");
    EXPECT_EQ(local(kSkewSuffix).Dword(), 3u);
    EXPECT_EQ(local(kDestinationSuffix).Text(), "+15550101");
    EXPECT_EQ(local(kHistorySuffix).data, std::vector<uint8_t>(history.begin(), history.begin() + 400));
    EXPECT_EQ(LastOtpEntryNameLength(), 39u);
    // An update without a key type goes to the object last fetched when it is
    // this user's, whatever the case of the name (another user's: the domain test).
    std::string upper = user;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    VelmoADAP_AddUserOtpInfo(upper.c_str(), nullptr, nullptr);
    EXPECT_EQ(inDirectory()[u"kvOathCounter"], u"9");

    // A skew of "0" is what the upload writes for no learned skew: the local
    // one stays. A negative skew comes down in two's complement.
    _velmoAP_addRecord(kSecretKeys, up[u"kvKeyID"], u"kvSecretKey", {{u"kvOathDestination", u"0"}});
    WriteRecordNumber(u, kSkewSuffix, 7);
    VelmoADAP_GetUserOtpInfo(u);
    EXPECT_EQ(local(kSkewSuffix).Dword(), 7u);
    _velmoAP_addRecord(kSecretKeys, up[u"kvKeyID"], u"kvSecretKey", {{u"kvOathDestination", u"-2"}});
    VelmoADAP_GetUserOtpInfo(u);
    EXPECT_EQ(local(kSkewSuffix).Dword(), 0xFFFFFFFEu);

    // Nothing fetched: an update without key type finds no object.
    ResetLastOtpEntryName();
    trace.Clear();
    VelmoADAP_AddUserOtpInfo(u, nullptr, nullptr);
    EXPECT_TRUE(trace.Contains("VelmoADAP_AddUserOtpInfo erro open last entry  "));
    // A kvKeyID that is no identifier names nothing: nothing comes down.
    _velmoAP_addRecord(kSecretKeys, up[u"kvKeyID"], kKeyClass, {{u"kvKeyID", u"x,CN=GlobalSettings"}});
    VelmoADAP_GetUserOtpInfo(u);
    EXPECT_EQ(LastOtpEntryNameLength(), 1u);
}

TEST_F(Store, RepliesOfTwoCharactersAreNoneAndThreeGoToTheSignatureCheck) {
    PutText(kVelmo, "serverPublicKey", kServiceKey);
    const std::u16string signature = FromAnsi(kServiceSignatureOf123456);
    const struct {
        std::u16string token;
        const char* code;
        int result;
    } rows[] = {
        {u"ab", "123456", -1},
        {u"abc", "123456", 0},       // not a signature
        {signature, "123457", 0},    // the service's signature, over another code
        {signature, "123456", 1},
    };
    int n = 0;
    for (const auto& row : rows) {
        // A reply written by hand; its signal type keeps any service away.
        const std::u16string id = u"reply-" + FromAnsi(std::to_string(GetTickCount()) + "-" + std::to_string(++n));
        ASSERT_TRUE(_velmoAP_addRecord(kSelfEnrolls, id, u"kvSelfEnroll",
                                       {{u"kvKeyID", id}, {u"kvSignalType", u"test"}, {u"kvReplyToken", row.token}}));
        EXPECT_EQ(VelmoADAP_SelfEnroll_GetOTPReply(std::wstring(Wide(id)), row.code, "alice"), row.result) << row.code;
        // No reply leaves the request in place; a reply deletes it.
        AttrsMap left;
        EXPECT_EQ(_velmoAP_getAttrsMap(kSelfEnrolls, (u"CN=" + id).c_str(), nullptr, nullptr, nullptr, left),
                  row.result == -1);
    }
}

TEST_F(Store, NoStaticBufferKeepsTheSessionKeyOnceTheExchangeEnds) {
    const std::wstring request = VelmoADAP_SelfEnroll_PutOTP("nobody-here", "123456");
    ASSERT_FALSE(request.empty());
    EXPECT_TRUE(StaticDataHoldsASessionKey());  // from the post to the reply
    VelmoADAP_SelfEnroll_GetOTPReply(request, "123456", "nobody-here");
    EXPECT_FALSE(StaticDataHoldsASessionKey());
}

TEST(Discovery, AnswersOfAnotherTypeCountAsNotFound) {
    // A tree list is a one-dimensional array of variants; an array of
    // 16-byte decimals is not, though its bytes can look like text variants.
    for (const auto& [element, tagged] :
         {std::pair{VT_VARIANT, VT_VARIANT}, {VT_DECIMAL, VT_DECIMAL}, {VT_DECIMAL, VT_VARIANT}}) {
        VARIANT trees{};
        trees.vt = VT_ARRAY | tagged;
        trees.parray = SafeArrayCreateVector(element, 0, 1);
        EXPECT_EQ(IsTreeList(trees), element == VT_VARIANT) << element << " as " << tagged;
        SafeArrayDestroy(trees.parray);
    }
    wchar_t dn[] = L"CN=alice,CN=Users,DC=corp,DC=test";
    ADSVALUE value{.dwType = ADSTYPE_DN_STRING, .DNString = dn};
    ADS_SEARCH_COLUMN column{nullptr, ADSTYPE_DN_STRING, &value, 1, nullptr};
    EXPECT_EQ(ColumnDn(column), dn);
    value.dwType = column.dwADsType = ADSTYPE_CASE_IGNORE_STRING;  // the same bytes, another type
    EXPECT_EQ(ColumnDn(column), nullptr);
}
