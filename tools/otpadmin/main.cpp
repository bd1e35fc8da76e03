// otpadmin: a host program for velmo_otp.dll.
//
// It loads the DLL with LoadLibrary and calls its exports exactly as the
// logon product does: InitLibrary first, CloseLibrary last.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "otp/otp_code.h"
#include "settings/registry.h"

namespace {

using InitLibraryFn = void*(WINAPI*)();
using CloseLibraryFn = void(WINAPI*)();
using ReaderNameFn = char*(WINAPI*)();
using IntFn = int(WINAPI*)();

constexpr char kUsage[] =
    "usage: otpadmin <command> [arguments]\n"
    "  init                                  load the module, initialise it and print what it set up\n"
    "  code --secret BASE32 --counter N      the code an HOTP token shows for counter N\n"
    "  code --secret BASE32 [--time T] [--step S]\n"
    "                                        the code an authenticator app shows at Unix time T\n"
    "                                        (default now, step 30 s)\n";

class Module {
public:
    Module() : dll_(LoadLibraryA("velmo_otp.dll")) {
        if (!dll_) return;
        init_ = reinterpret_cast<InitLibraryFn>(reinterpret_cast<void*>(GetProcAddress(dll_, "InitLibrary")));
        close_ = reinterpret_cast<CloseLibraryFn>(reinterpret_cast<void*>(GetProcAddress(dll_, "CloseLibrary")));
        if (init_ && close_) block_ = init_();
    }
    ~Module() {
        if (init_ && close_) close_();
        if (dll_) FreeLibrary(dll_);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    bool Ready() const { return dll_ && init_ && close_; }
    void* Block() const { return block_; }
    template <typename Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll_, name)));
    }

private:
    HMODULE dll_;
    InitLibraryFn init_ = nullptr;
    CloseLibraryFn close_ = nullptr;
    void* block_ = nullptr;
};

const char* Option(const std::vector<std::string>& args, const char* name) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == name) return args[i + 1].c_str();
    return nullptr;
}

int Fail(const char* message) {
    std::fprintf(stderr, "otpadmin: %s\n", message);
    return 2;
}

std::string Registry(const char* path, const char* name) {
    char text[400];
    return velmo::ReadRegText(velmo::RegRoot::LocalMachine, path, name, text, sizeof text);
}

int CommandInit() {
    Module module;
    if (!module.Ready()) return Fail("cannot load velmo_otp.dll or its exports");
    const auto* block = static_cast<const unsigned char*>(module.Block());
    bool zero = block != nullptr;
    for (size_t i = 0; zero && i < 1008; ++i) zero = block[i] == 0;
    char* reader = module.Get<ReaderNameFn>("IsAnyReaderConnected")();

    std::printf("InitLibrary            -> %s block\n", block ? (zero ? "zero-filled" : "non-zero") : "null");
    std::printf("IsAnyReaderConnected   -> \"%s\"\n", reader ? reader : "(null)");
    std::printf("IsReaderInserted       -> %d\n", module.Get<IntFn>("IsReaderInserted")());
    std::printf("GetReaderSerialNumber  -> %d\n", module.Get<IntFn>("GetReaderSerialNumber")());
    std::printf("ChangePIN              -> %d\n", module.Get<IntFn>("ChangePIN")());
    std::printf("SMS-Gate               = \"%s\"\n", Registry(velmo::kOtpModuleKey, "SMS-Gate").c_str());
    std::printf("SMS-Gate-Success-Value = \"%s\"\n", Registry(velmo::kOtpModuleKey, "SMS-Gate-Success-Value").c_str());
    std::printf("VelmoPath              = \"%s\"\n", Registry(velmo::kVelmoKey, "VelmoPath").c_str());
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const char* name = std::strrchr(exe, '\\');
    std::printf("trace file             = %sotp_%s.log\n", Registry(velmo::kVelmoKey, "VelmoPath").c_str(),
                name ? name + 1 : "");
    return 0;
}

int CommandCode(const std::vector<std::string>& args) {
    const char* secret = Option(args, "--secret");
    if (!secret) return Fail("code needs --secret BASE32");
    uint32_t counter = 0;
    if (const char* c = Option(args, "--counter")) {
        counter = static_cast<uint32_t>(std::strtoull(c, nullptr, 10));
    } else {
        const char* t = Option(args, "--time");
        const char* s = Option(args, "--step");
        const long long now = t ? std::strtoll(t, nullptr, 10) : static_cast<long long>(std::time(nullptr));
        const long long step = s ? std::strtoll(s, nullptr, 10) : 30;
        if (step <= 0) return Fail("--step must be a positive number of seconds");
        counter = static_cast<uint32_t>(now / step);
    }
    const int32_t code = velmo::ComputeCode(secret, counter);
    if (code < 0) return Fail("the secret is not usable Base32 text");
    std::printf("%06d\n", code);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string command = args[0];
    if (command == "init") return CommandInit();
    if (command == "code") return CommandCode(args);
    std::fputs(kUsage, stderr);
    return 2;
}
