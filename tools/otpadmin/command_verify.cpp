// otpadmin verify USER CODE: the logon check, through VerifyPIN.
#include <chrono>
#include <cstdio>

#include "commands.h"
#include "module_host.h"

namespace otpadmin {

int CommandVerify(const Args& args) {
    if (args.size() < 2) return UsageError("verify needs a user name and a code");
    ModuleHost module;
    if (!module.Ready()) return 1;
    const auto start = std::chrono::steady_clock::now();
    const int result = module.VerifyPIN(args[0], args[1]);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("%s: code %s %s (%lld ms)\n", args[0].c_str(), args[1].c_str(), result == 1 ? "accepted" : "refused",
                static_cast<long long>(ms.count()));
    return result == 1 ? 0 : 1;
}

}  // namespace otpadmin
