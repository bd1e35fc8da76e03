// Who may read the module's secrets on disk. The trace file carries the
// code valid at each attempt and the record key holds every user's secret:
// both are for SYSTEM (the logon) and Administrators only.
#pragma once

#include <windows.h>
#include <aclapi.h>

#include <optional>

namespace velmo {

// Security attributes that give SYSTEM and Administrators full access and
// nobody else any (a protected list: nothing is inherited from the parent).
// The descriptor is built once and lives with the process.
SECURITY_ATTRIBUTES* AdminOnlyFile();
SECURITY_ATTRIBUTES* AdminOnlyKey();

// Replaces the access list of an existing file or key with the
// administrators-only one when Users (or any wider group) may read it.
// Anything the check cannot read is left as it is. Failed: the access still
// lets users read after the attempt (the handle needs READ_CONTROL and
// WRITE_DAC).
// Whether the access list of an open file or key (READ_CONTROL) lets Users,
// Authenticated Users, Interactive users, Guests or Everyone read; nullopt
// when the list cannot be read.
std::optional<bool> ReadableByUsers(HANDLE object, SE_OBJECT_TYPE type);

enum class Tightening { NotNeeded, Tightened, Failed };
Tightening TightenIfReadableByUsers(HANDLE object, SE_OBJECT_TYPE type);

}  // namespace velmo
