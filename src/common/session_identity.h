// Who uses the session that the host process runs in, and the OS version.
#pragma once

#include <cstdint>

namespace velmo {

// Both callers pass buffers of this size.
constexpr uint32_t kSessionNameSize = 90;

// User (and domain, when `domain` is given) of the current process's session;
// the computer name stands in for a domain the session cannot tell. Texts may
// be empty. Writes one trace line.
void GetSessionUserName(char* user, char* domain, uint32_t size);

// True on the NT family from major version 6 (Vista) on.
bool IsVistaOrLater();

}  // namespace velmo
