// otpadmin init: what the module sets up when the host initialises it.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "module_host.h"
#include "settings/registry.h"

namespace otpadmin {

namespace {

std::string Setting(const char* path, const char* name) {
    return velmo::ReadRegText(velmo::RegRoot::LocalMachine, path, name, 400);
}

}  // namespace

int CommandInit(const Args&) {
    ModuleHost module;
    if (!module.Ready()) return 1;
    const auto* block = static_cast<const unsigned char*>(module.InfoBlock());
    bool zero = block != nullptr;
    for (size_t i = 0; zero && i < 1008; ++i) zero = block[i] == 0;
    const char* reader = module.Get<ReaderNameFn>("IsAnyReaderConnected")();

    std::printf("InitLibrary            -> %s block\n", block ? (zero ? "zero-filled" : "non-zero") : "null");
    std::printf("IsAnyReaderConnected   -> \"%s\"\n", reader ? reader : "(null)");
    std::printf("IsReaderInserted       -> %d\n", module.Get<IntFn>("IsReaderInserted")());
    std::printf("GetReaderSerialNumber  -> %d\n", module.Get<IntFn>("GetReaderSerialNumber")());
    std::printf("ChangePIN              -> %d\n", module.Get<IntFn>("ChangePIN")());
    std::printf("SMS-Gate               = \"%s\"\n", Setting(velmo::kOtpModuleKey, "SMS-Gate").c_str());
    std::printf("SMS-Gate-Success-Value = \"%s\"\n", Setting(velmo::kOtpModuleKey, "SMS-Gate-Success-Value").c_str());
    const std::string folder = Setting(velmo::kVelmoKey, "VelmoPath");
    std::printf("VelmoPath              = \"%s\"\n", folder.c_str());
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const char* name = std::strrchr(exe, '\\');
    std::printf("trace file             = %sotp_%s.log\n", folder.c_str(), name ? name + 1 : "");
    return 0;
}

}  // namespace otpadmin
