#include "directory/discovery.h"

#include <windows.h>
#include <ole2.h>
#include <activeds.h>
#include <dsrole.h>
#include <ntsecapi.h>

#include <cwchar>
#include <memory>
#include <string>

#include "common/code_page.h"
#include "common/com_ptr.h"
#include "common/text.h"
#include "common/trace.h"
#include "directory/directory_state.h"
#include "directory/record_names.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr size_t kDomainRoom = 208;
constexpr size_t kDomainMax = 100;
constexpr size_t kDomainSettingMax = 90;
constexpr uint32_t kAdapIpRead = 100;  // "adap_ip" as the lookup's domain: at most 96 characters
constexpr size_t kFilterMax = 499;
constexpr size_t kObjectPathMax = 259;
constexpr size_t kPhoneMax = 79;   // a number of at most 79 bytes and its terminator
constexpr size_t kEmailMax = 89;   // an address of at most 89 bytes and its terminator
constexpr DWORD kPageSize = 100;
constexpr DWORD kTimeLimitSeconds = 120;
constexpr char16_t kFailureMark[] = u"0";
constexpr char kSkipCustomMark[] = "RoRudura";

char g_domainName[kDomainRoom];
std::u16string g_userDNResult;    // room of 500 characters
std::u16string g_userPathResult;  // "LDAP://" + domain + "/" + distinguished name
constexpr size_t kUserDnMax = 500;

struct DsRoleFree {
    void operator()(void* p) const { DsRoleFreeMemory(p); }
};
struct LsaFree {
    void operator()(void* p) const { LsaFreeMemory(p); }
};
struct LsaClose_ {
    void operator()(LSA_HANDLE h) const { LsaClose(h); }
};

// The text part of an automation value, as ANSI text of at most `max` bytes.
std::string VariantText(const VARIANT& value, size_t max) {
    if (value.vt != VT_BSTR || !value.bstrVal) return {};
    return ToAnsi(Utf16(value.bstrVal), max);
}

void SetDomain(std::string_view name, size_t max) { CopyText(g_domainName, sizeof g_domainName, name, max); }

void DomainFromSystemInfo(IADsADSystemInfo* info) {
    VARIANT trees;
    VariantInit(&trees);
    const HRESULT hr = info->GetTrees(&trees);
    if (FAILED(hr)) {
        TraceLog("GetDomainTree , GetTrees() err 2 %X", static_cast<unsigned>(hr));
    } else if (IsTreeList(trees)) {
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(trees.parray, 1, &lower);
        SafeArrayGetUBound(trees.parray, 1, &upper);
        for (LONG i = lower; i <= upper && g_domainName[0] == '\0'; ++i) {
            VARIANT element;
            VariantInit(&element);
            if (SUCCEEDED(SafeArrayGetElement(trees.parray, &i, &element)) && element.vt == VT_BSTR && element.bstrVal) {
                TraceLogW(L"domain %s", element.bstrVal);
                SetDomain(ToAnsi(Utf16(element.bstrVal)), kDomainMax);
            }
            VariantClear(&element);
        }
    }
    VariantClear(&trees);
    if (g_domainName[0] != '\0') return;
    BSTR text = nullptr;
    if (SUCCEEDED(info->get_DomainDNSName(&text)) && text) {
        TraceLogW(L"domain2 %s", text);
        SetDomain(ToAnsi(Utf16(text)), kDomainMax);
    } else if (SysFreeString(text), text = nullptr; SUCCEEDED(info->GetAnyDCName(&text)) && text) {
        TraceLogW(L"domain3 %s", text);
        SetDomain(ToAnsi(Utf16(text)), kDomainMax);
    }
    SysFreeString(text);
}

void DomainFromRole() {
    PDSROLE_PRIMARY_DOMAIN_INFO_BASIC raw = nullptr;
    if (DsRoleGetPrimaryDomainInformation(nullptr, DsRolePrimaryDomainInfoBasic, reinterpret_cast<PBYTE*>(&raw)) !=
            ERROR_SUCCESS ||
        !raw)
        return;
    const std::unique_ptr<void, DsRoleFree> owner(raw);
    if (raw->MachineRole == DsRole_RoleStandaloneWorkstation || raw->MachineRole == DsRole_RoleStandaloneServer ||
        !raw->DomainNameFlat)
        return;
    SetDomain(ToAnsi(Utf16(raw->DomainNameFlat)), kDomainSettingMax);
    if (g_domainName[0]) TraceLog("domain4 %s role:%d", g_domainName, static_cast<int>(raw->MachineRole));
}

void DomainFromLocalPolicy() {
    LSA_OBJECT_ATTRIBUTES attributes = {};
    LSA_HANDLE raw = nullptr;
    NTSTATUS status = LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &raw);
    if (status != 0) {
        TraceLog("IsComputerInDomain, LsaOpenPolicy failed, GLE %X", static_cast<unsigned>(LsaNtStatusToWinError(status)));
        return;
    }
    const std::unique_ptr<void, LsaClose_> policy(raw);
    PPOLICY_PRIMARY_DOMAIN_INFO info = nullptr;
    status = LsaQueryInformationPolicy(raw, PolicyPrimaryDomainInformation, reinterpret_cast<PVOID*>(&info));
    if (status != 0) {
        TraceLog("IsComputerInDomain, LsaQueryInformationPolicy failed, GLE %X",
                 static_cast<unsigned>(LsaNtStatusToWinError(status)));
        return;
    }
    const std::unique_ptr<void, LsaFree> owner(info);
    if (info && info->Sid && info->Name.Buffer) {
        const std::u16string_view name(reinterpret_cast<const char16_t*>(info->Name.Buffer), info->Name.Length / 2);
        SetDomain(ToAnsi(name), kDomainSettingMax);
    }
    if (g_domainName[0]) TraceLog("domain5 %s", g_domainName);
}

}  // namespace

bool IsTreeList(const VARIANT& trees) {
    VARTYPE element = VT_EMPTY;
    return trees.vt == (VT_ARRAY | VT_VARIANT) && trees.parray && SafeArrayGetDim(trees.parray) == 1 &&
           SUCCEEDED(SafeArrayGetVartype(trees.parray, &element)) && element == VT_VARIANT;
}

const wchar_t* ColumnDn(const ADS_SEARCH_COLUMN& column) {
    if (column.dwADsType != ADSTYPE_DN_STRING || column.dwNumValues == 0 || !column.pADsValues ||
        column.pADsValues[0].dwType != ADSTYPE_DN_STRING)
        return nullptr;
    return column.pADsValues[0].DNString;
}

const char* GetDomainTree() {
    g_domainName[0] = '\0';
    ReadRegText(RegRoot::LocalMachine, "Software\\Velmo", "DomainName", g_domainName, kDomainSettingMax);
    if (BoundedLength(g_domainName, 3) > 2) {
        TraceLog("GetDomainTree custom %s", g_domainName);
        return g_domainName;
    }
    g_domainName[0] = '\0';
    // COM calls return failures, they do not throw; what might (allocation in
    // a conversion) is caught here as the "GetDomainTree exception".
    try {
        const HRESULT initialised = CoInitialize(nullptr);
        if (FAILED(initialised)) TraceLog("GetDomainTree err 0 %X", static_cast<unsigned>(initialised));
        ComPtr<IADsADSystemInfo> info;
        const HRESULT created = CoCreateInstance(CLSID_ADSystemInfo, nullptr, CLSCTX_INPROC_SERVER,
                                                 IID_IADsADSystemInfo, info.put_void());
        if (FAILED(created))
            TraceLog("GetDomainTree err CoCreateInstance(CLSID_ADSystemInfo... %X", static_cast<unsigned>(created));
        else
            DomainFromSystemInfo(info.get());
        if (g_domainName[0] == '\0') DomainFromRole();
        if (g_domainName[0] == '\0') DomainFromLocalPolicy();
    } catch (...) {
        TraceLog("GetDomainTree exception");
    }
    return g_domainName;
}

const std::u16string& SearchUserDN(const std::u16string& gcPath, const std::u16string& filter) {
    static_cast<void>(gcPath);  // named in the callers' traces only
    g_userDNResult.clear();
    if (filter.empty()) return g_userDNResult;
    checkCustomLdapIPsettings();
    const DirectoryState& d = Directory();
    const std::string appName = ReadRegText(RegRoot::LocalMachine, "Software\\Velmo", "AppName", 110);
    bool serverCounts = false, accountCounts = false;
    if (Contains(appName, kSkipCustomMark)) {
        TraceLog("Skip ldap_ip");
    } else {
        serverCounts = HasDirectoryServer() && std::wcschr(d.directoryServer, L'\\') == nullptr;
        accountCounts = serverCounts && std::wcslen(d.customUser) > 1;
    }
    const wchar_t* account = accountCounts ? d.customUser : nullptr;
    const wchar_t* password = accountCounts ? d.customCredential.password : nullptr;
    const std::u16string server = serverCounts ? DirectoryServer() + u"/" : std::u16string();
    const std::u16string rootDse = Cut<char16_t>(u"LDAP://" + server + u"rootDSE", kObjectPathMax);

    ComPtr<IADs> root;
    HRESULT hr = ADsOpenObject(Wide(rootDse), account, password, ADS_SECURE_AUTHENTICATION, IID_IADs, root.put_void());
    if (FAILED(hr)) {
        TraceLogW(L"ADsOpenObject err %X %s", static_cast<unsigned>(hr), Wide(rootDse));
        hr = ADsOpenObject(Wide(rootDse), account, password, ADS_SECURE_AUTHENTICATION | ADS_USE_ENCRYPTION, IID_IADs,
                           root.put_void());
        if (FAILED(hr)) {
            TraceLog("ADsOpenObject err2 %X", static_cast<unsigned>(hr));
            return g_userDNResult = kFailureMark;
        }
    }
    VARIANT context;
    VariantInit(&context);
    BSTR property = SysAllocString(L"defaultNamingContext");
    hr = property ? root->Get(property, &context) : E_OUTOFMEMORY;
    SysFreeString(property);
    if (FAILED(hr) || context.vt != VT_BSTR || !context.bstrVal) {
        TraceLog("Get defaultNamingContext err %X", static_cast<unsigned>(hr));
        VariantClear(&context);
        return g_userDNResult = kFailureMark;
    }
    const std::u16string searchRoot = Cut<char16_t>(u"LDAP://" + server + std::u16string(Utf16(context.bstrVal)), kObjectPathMax);
    VariantClear(&context);
    TraceLogW(L"ADsOpenObject2 %s ... ", Wide(searchRoot));
    ComPtr<IDirectorySearch> search;
    hr = ADsOpenObject(Wide(searchRoot), account, password, ADS_SECURE_AUTHENTICATION, IID_IDirectorySearch,
                       search.put_void());
    if (FAILED(hr)) {
        TraceLogW(L"ADsOpenObject2 err %X, %s", static_cast<unsigned>(hr), Wide(searchRoot));
        return g_userDNResult = kFailureMark;
    }
    ADS_SEARCHPREF_INFO preferences[3] = {};
    preferences[0].dwSearchPref = ADS_SEARCHPREF_PAGESIZE;
    preferences[0].vValue.dwType = ADSTYPE_INTEGER;
    preferences[0].vValue.Integer = kPageSize;
    preferences[1].dwSearchPref = ADS_SEARCHPREF_SEARCH_SCOPE;
    preferences[1].vValue.dwType = ADSTYPE_INTEGER;
    preferences[1].vValue.Integer = ADS_SCOPE_SUBTREE;
    preferences[2].dwSearchPref = ADS_SEARCHPREF_TIME_LIMIT;
    preferences[2].vValue.dwType = ADSTYPE_INTEGER;
    preferences[2].vValue.Integer = kTimeLimitSeconds;
    hr = search->SetSearchPreference(preferences, 3);
    if (FAILED(hr)) {
        TraceLog("SetSearchPreference err %X", static_cast<unsigned>(hr));
        return g_userDNResult = kFailureMark;
    }
    LPWSTR columns[] = {const_cast<LPWSTR>(L"distinguishedName"), const_cast<LPWSTR>(L"memberOf")};
    std::u16string boundedFilter = Cut<char16_t>(filter, kFilterMax);
    ADS_SEARCH_HANDLE rows = nullptr;
    hr = search->ExecuteSearch(const_cast<LPWSTR>(Wide(boundedFilter)), columns, 2, &rows);
    if (FAILED(hr)) {
        TraceLogW(L"ExecuteSearch err %X %s", static_cast<unsigned>(hr), Wide(searchRoot));
        return g_userDNResult;
    }
    // With several matching users the last row wins.
    while (search->GetNextRow(rows) == S_OK) {
        ADS_SEARCH_COLUMN column;
        if (FAILED(search->GetColumn(rows, columns[0], &column))) continue;
        if (const wchar_t* dn = ColumnDn(column)) g_userDNResult = Cut<char16_t>(Utf16(dn), kObjectPathMax);
        search->FreeColumn(&column);
    }
    search->CloseSearchHandle(rows);
    if (g_userDNResult.size() > kUserDnMax) g_userDNResult.resize(kUserDnMax);
    return g_userDNResult;
}

const std::u16string& FindUserPath(const char* domain, const char* userName) {
    const std::u16string wideDomain = FromAnsi(View(domain));
    const std::u16string gcPath = Cut<char16_t>(u"GC://" + wideDomain, 260);
    g_userPathResult.clear();
    const char* filters[] = {"(&(objectClass=user)(objectcategory=person)(Name=%s))",
                             "(&(objectClass=user)(objectcategory=person)(sAMAccountName=%s))",
                             "(&(objectClass=user)(objectcategory=person)(userPrincipalName=%s))"};
    const wchar_t* found[] = {nullptr, L"search2: %s %s", L"search3: %s %s"};
    const wchar_t* failed[] = {L"search failed: %s %s", L"search2 failed: %s %s", L"search3 failed: %s %s"};
    std::u16string dn;
    for (size_t i = 0; i < 3; ++i) {
        const std::u16string filter = FromAnsi(Cut<char>(Format(filters[i], View(userName).data()), kFilterMax));
        dn = SearchUserDN(gcPath, filter);
        if (found[i]) TraceLogW(found[i], Wide(gcPath), Wide(filter));
        if (!dn.empty()) break;
        TraceLogW(failed[i], Wide(gcPath), Wide(filter));
    }
    if (dn == kFailureMark)
        g_userPathResult = kFailureMark;
    else if (!dn.empty())
        g_userPathResult = u"LDAP://" + wideDomain + u"/" + dn;
    return g_userPathResult;
}

std::string LookupDomain() {
    char domain[kAdapIpRead] = {};
    CopyText(domain, GetDomainTree(), kDomainSettingMax);
    if (domain[0] == '\0') {
        ReadRegText(RegRoot::LocalMachine, kVelmoKey, "adap_ip", domain, sizeof domain);
        if (domain[0] != '\0') checkCustomLdapIPsettings();
    }
    return domain;
}

int FindADUser_DomainGroup(const char* userName, char* destination, size_t destinationSize) {
    const std::string domain = LookupDomain();
    if (domain.empty()) {
        TraceLog("isFindUser: err. no AD detected.");
        return -1;
    }
    const std::u16string path = FindUserPath(domain.c_str(), userName ? userName : "");
    if (path.size() == 1) {
        TraceLog("FindADUser_DomainGroup failed %s", "");
        return -1;
    }
    if (path.empty()) return 0;
    TraceLogW(L"FindADUser_DomainGroup: %s", Wide(path));
    ComPtr<IADsUser> user;
    const std::u16string objectPath = Cut<char16_t>(path, kObjectPathMax);
    const HRESULT hr = ADsGetObject(Wide(objectPath), IID_IADsUser, user.put_void());
    if (FAILED(hr)) {
        TraceLog("ADsGetObject find user error %X", static_cast<unsigned>(hr));
        return 2;
    }
    TraceLog("Getting phone.. %X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(user.get())));
    std::string found;
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(user->get_TelephoneMobile(&value))) found = VariantText(value, kPhoneMax);
    VariantClear(&value);
    if (found.empty() && SUCCEEDED(user->get_TelephoneNumber(&value))) found = VariantText(value, kPhoneMax);
    VariantClear(&value);
    if (found.empty()) {
        BSTR mail = nullptr;
        if (SUCCEEDED(user->get_EmailAddress(&mail)) && mail) found = ToAnsi(Utf16(mail), kEmailMax);
        SysFreeString(mail);
    }
    CopyText(destination, destinationSize, found);
    TraceLog("Getting phone done %s", destination ? destination : "");
    return 1;
}

}  // namespace velmo
