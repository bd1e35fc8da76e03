// The host settings the shared services read, each at every use: the trace
// log's switch and the language files' folder and name. The shared services
// sit beside the registry adapter, not above it, so they name here what they
// read and the settings subsystem answers (settings/host_settings.cpp).
#pragma once

#include <cstdint>

namespace velmo {

enum class SettingsScope { Machine, CurrentUser };

// "DisableLog" under Software\Velmo of the machine or of the current user;
// 0 when it is missing or unusable.
uint32_t DisableLogSetting(SettingsScope scope);

// "VelmoPath" and "Language" under SOFTWARE\Velmo as text in `buffer` (room
// `size`: at most size - 4 characters are kept); empty when missing.
void ReadProductFolderSetting(char* buffer, uint32_t size);
void ReadLanguageSetting(char* buffer, uint32_t size);

}  // namespace velmo
