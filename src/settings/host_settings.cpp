// The registry's answers to what the shared services read (common/host_settings.h).
#include "common/host_settings.h"

#include "settings/registry.h"

namespace velmo {

namespace {

constexpr char kDisableLogKey[] = "Software\\Velmo";

}  // namespace

uint32_t DisableLogSetting(SettingsScope scope) {
    const RegRoot root = scope == SettingsScope::CurrentUser ? RegRoot::CurrentUser : RegRoot::LocalMachine;
    return ReadRegDword(root, kDisableLogKey, "DisableLog", 0);
}

void ReadProductFolderSetting(char* buffer, uint32_t size) {
    ReadRegText(RegRoot::LocalMachine, kVelmoKey, "VelmoPath", buffer, size);
}

void ReadLanguageSetting(char* buffer, uint32_t size) {
    ReadRegText(RegRoot::LocalMachine, kVelmoKey, "Language", buffer, size);
}

}  // namespace velmo
