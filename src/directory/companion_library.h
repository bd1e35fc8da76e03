// The product's companion libraries ship beside the module and are loaded
// from the module's own folder by full path, never through the search path,
// so that a planted copy in the current folder or on PATH never runs inside
// the logon.
#pragma once

#include <windows.h>

namespace velmo {

// The files tried, in this order, for each companion, and the entries the
// module takes from the public-key library.
inline constexpr const char* kAccessLibraryFiles[] = {"velmo_adap.dll", "velmo_adap64.dll"};
inline constexpr const char* kUiLibraryFiles[] = {"velmo_ui.dll", "velmo_ui_x64.dll"};
inline constexpr const char* kUiLibraryEntries[] = {"WlxEncryptPKI", "WlxCheckValueSignature"};

// `fileName` from the module's folder; null when it cannot be loaded (the
// system's last error then tells why).
HMODULE LoadCompanionLibrary(const char* fileName);

}  // namespace velmo
