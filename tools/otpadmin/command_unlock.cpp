// otpadmin unlock USER: lifts USER's lock of the failure limit and forgets
// the count of rejected codes; the record itself stays as it is.
#include <cstdio>

#include "commands.h"
#include "otp/lockout.h"

namespace otpadmin {

int CommandUnlock(const Args& args) {
    if (args.size() != 1) return UsageError("unlock USER");
    const char* name = args[0].c_str();
    const velmo::UserLock before = velmo::PeekLock(name, velmo::ReadFailureLimit());
    velmo::ClearFailureCount(name);
    if (before.remainingSeconds != 0)
        std::printf("%s: lock lifted (%u s were left after %u rejected codes)\n", name, before.remainingSeconds,
                    before.failures);
    else
        std::printf("%s: not locked; the count of rejected codes starts again\n", name);
    return 0;
}

}  // namespace otpadmin
