#include "common/clock.h"

#include <ctime>

namespace velmo {

namespace {
int64_t (*g_testClock)() = nullptr;
}

int64_t UnixNow() { return g_testClock ? g_testClock() : static_cast<int64_t>(std::time(nullptr)); }

void SetClockForTesting(int64_t (*now)()) { g_testClock = now; }

}  // namespace velmo
