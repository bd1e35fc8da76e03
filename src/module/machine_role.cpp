#include "module/machine_role.h"

#include <windows.h>
#include <dsrole.h>

#include <memory>

#include "settings/registry.h"

namespace velmo {

namespace {

struct DsRoleFree {
    void operator()(DSROLE_PRIMARY_DOMAIN_INFO_BASIC* info) const { DsRoleFreeMemory(info); }
};

int32_t RoleFromPlatform() {
    PBYTE raw = nullptr;
    const DWORD rc = DsRoleGetPrimaryDomainInformation(nullptr, DsRolePrimaryDomainInfoBasic, &raw);
    std::unique_ptr<DSROLE_PRIMARY_DOMAIN_INFO_BASIC, DsRoleFree> info(
        reinterpret_cast<DSROLE_PRIMARY_DOMAIN_INFO_BASIC*>(raw));
    if (rc != ERROR_SUCCESS) return static_cast<int32_t>(rc);
    if (!info) return 0;
    if (info->MachineRole == DsRole_RoleStandaloneWorkstation || info->MachineRole == DsRole_RoleStandaloneServer)
        return 0;
    if (!info->DomainNameFlat || !info->DomainNameFlat[0]) return 0;
    return static_cast<int32_t>(info->MachineRole);
}

}  // namespace

int32_t ComputeMachineRole() {
    int32_t role = RoleFromPlatform();
    if (ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "OtpModeAD", 0) == 1) role = 1;
    return role;
}

}  // namespace velmo
