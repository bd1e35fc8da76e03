// The one clock that verification and code delivery read. Tests that link
// the module code may replace it; the DLL always uses the real clock.
#pragma once

#include <cstdint>

namespace velmo {

// Seconds since 1970-01-01 UTC.
int64_t UnixNow();

// Replaces the clock (null restores the real one). For tests only.
void SetClockForTesting(int64_t (*now)());

}  // namespace velmo
