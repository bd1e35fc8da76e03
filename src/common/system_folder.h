// Full paths of the system's own programs: started by name, a program of
// that name in the current folder or earlier on the search path would run
// instead.
#pragma once

#include <string>

namespace velmo {

// "<system folder>\<relativePath>", e.g. "C:\Windows\system32\reg.exe".
std::string SystemProgramPath(const char* relativePath);

}  // namespace velmo
