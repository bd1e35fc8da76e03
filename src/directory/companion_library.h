// The product's companion libraries ship beside the module and are loaded
// from the module's own folder by full path, never through the search path,
// so that a planted copy in the current folder or on PATH never runs inside
// the logon.
#pragma once

#include <windows.h>

namespace velmo {

// `fileName` from the module's folder; null when it cannot be loaded (the
// system's last error then tells why).
HMODULE LoadCompanionLibrary(const char* fileName);

}  // namespace velmo
