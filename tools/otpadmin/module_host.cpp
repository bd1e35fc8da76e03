#include "module_host.h"

#include <cstdio>

namespace otpadmin {

ModuleHost::ModuleHost() : dll_(LoadLibraryA("velmo_otp.dll")) {
    if (!dll_) {
        std::fprintf(stderr, "otpadmin: cannot load velmo_otp.dll (error %lu)\n", GetLastError());
        return;
    }
    auto init = Get<InitLibraryFn>("InitLibrary");
    if (!init || !Get<CloseLibraryFn>("CloseLibrary")) {
        std::fprintf(stderr, "otpadmin: velmo_otp.dll lacks InitLibrary/CloseLibrary\n");
        return;
    }
    infoBlock_ = init();
    ready_ = true;
}

ModuleHost::~ModuleHost() {
    if (ready_) Get<CloseLibraryFn>("CloseLibrary")();
    if (dll_) FreeLibrary(dll_);
}

}  // namespace otpadmin
