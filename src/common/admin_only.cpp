#include "common/admin_only.h"

#include <sddl.h>

#include <memory>

namespace velmo {

namespace {

// SYSTEM and Builtin Administrators, full access; a protected list. The key's
// entries are inherited by any subkey.
constexpr char kFileSddl[] = "D:P(A;;FA;;;SY)(A;;FA;;;BA)";
constexpr char kKeySddl[] = "D:P(A;OICI;KA;;;SY)(A;OICI;KA;;;BA)";

struct LocalFree_ {
    void operator()(void* p) const { LocalFree(p); }
};

struct Descriptor {
    std::unique_ptr<void, LocalFree_> sd;
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    explicit Descriptor(const char* sddl) {
        PSECURITY_DESCRIPTOR raw = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &raw, nullptr)) sd.reset(raw);
        attributes.lpSecurityDescriptor = sd.get();
    }
};

// Groups whose read access makes a secret visible to ordinary users.
bool IsWideGroup(PSID sid) {
    static const WELL_KNOWN_SID_TYPE kWide[] = {WinBuiltinUsersSid, WinAuthenticatedUserSid, WinWorldSid,
                                                WinInteractiveSid, WinBuiltinGuestsSid};
    for (WELL_KNOWN_SID_TYPE type : kWide) {
        BYTE known[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof known;
        if (CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known)) return true;
    }
    return false;
}

constexpr ACCESS_MASK kReadBits = GENERIC_READ | GENERIC_ALL | 0x0001;  // FILE_READ_DATA and KEY_QUERY_VALUE

bool DaclLetsUsersRead(PACL dacl, bool present) {
    if (!present || !dacl) return true;  // no access list: everyone may do everything
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&header)) || header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        if (header->AceFlags & INHERIT_ONLY_ACE) continue;
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        if ((ace->Mask & kReadBits) && IsWideGroup(&ace->SidStart)) return true;
    }
    return false;
}

}  // namespace

SECURITY_ATTRIBUTES* AdminOnlyFile() {
    static Descriptor d(kFileSddl);
    return d.sd ? &d.attributes : nullptr;
}

SECURITY_ATTRIBUTES* AdminOnlyKey() {
    static Descriptor d(kKeySddl);
    return d.sd ? &d.attributes : nullptr;
}

std::optional<bool> ReadableByUsers(HANDLE object, SE_OBJECT_TYPE type) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetSecurityInfo(object, type, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &raw) !=
        ERROR_SUCCESS)
        return std::nullopt;
    const std::unique_ptr<void, LocalFree_> owner(raw);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(raw, &present, &dacl, &defaulted)) return std::nullopt;
    return DaclLetsUsersRead(dacl, present);
}

namespace {

// Anything the check cannot read counts as private here.
bool Readable(HANDLE object, SE_OBJECT_TYPE type) { return ReadableByUsers(object, type).value_or(false); }

}  // namespace

Tightening TightenIfReadableByUsers(HANDLE object, SE_OBJECT_TYPE type) {
    if (!Readable(object, type)) return Tightening::NotNeeded;
    const SECURITY_ATTRIBUTES* wanted = type == SE_REGISTRY_KEY ? AdminOnlyKey() : AdminOnlyFile();
    if (!wanted) return Tightening::Failed;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(wanted->lpSecurityDescriptor, &present, &dacl, &defaulted);
    SetSecurityInfo(object, type, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                    dacl, nullptr);
    // Read back: a platform may accept the call and keep the old access.
    return Readable(object, type) ? Tightening::Failed : Tightening::Tightened;
}

}  // namespace velmo
