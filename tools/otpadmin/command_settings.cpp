// otpadmin settings: opens the OTP settings dialog through its export, as the
// host does from its own settings.
#include <cstdio>

#include "commands.h"
#include "module_host.h"

namespace otpadmin {

int CommandSettings(const Args&) {
    ModuleHost module;
    if (!module.Ready()) return 1;
    auto display = module.Get<DisplaySettingsDialogFn>("DisplaySettingsDialog");
    if (!display) {
        std::fprintf(stderr, "otpadmin: velmo_otp.dll lacks DisplaySettingsDialog\n");
        return 1;
    }
    const INT_PTR result = display(nullptr, GetConsoleWindow());
    std::printf("settings dialog closed with %s\n", result == 1 ? "OK" : result == 0 ? "Cancel" : "an error");
    return result == 1 || result == 0 ? 0 : 1;
}

}  // namespace otpadmin
