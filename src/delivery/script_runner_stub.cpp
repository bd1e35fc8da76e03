// Placeholder until script delivery lands: no process is started.
#include "delivery/script_runner.h"

namespace velmo {

bool RunPowerShellScript(const char*, const char*) { return true; }
bool StartProcessAndWait(const char*, const char*) { return false; }

}  // namespace velmo
