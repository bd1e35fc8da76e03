#include "module_host.h"

#include "module/key_data.h"

#include <cstdio>
#include <algorithm>
#include <vector>

namespace otpadmin {

ModuleHost::ModuleHost() : dll_(LoadLibraryA("velmo_otp.dll")) {
    if (!dll_) {
        loadError_ = GetLastError();
        std::fprintf(stderr, "otpadmin: cannot load velmo_otp.dll (error %lu)\n", loadError_);
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

// CloseLibrary runs before the member frees the DLL.
ModuleHost::~ModuleHost() {
    if (ready_) Get<CloseLibraryFn>("CloseLibrary")();
}

int ModuleHost::VerifyPIN(const std::string& user, const std::string& code) const {
    // The module may cut the code in place: give it a writable host buffer.
    std::vector<char> buffer(code.begin(), code.end());
    buffer.resize(code.size() + 16, '\0');
    return Get<VerifyPinFn>("VerifyPIN")(user.c_str(), buffer.data());
}

int ModuleHost::ReadData(const std::string& user, uint32_t block, std::string& text, uint32_t room) const {
    std::vector<uint8_t> buffer(room + 1, 0);
    uint32_t length = room;
    const int result = Get<ReadDataFn>("ReadData")(user.c_str(), block, buffer.data(), &length);
    text.assign(reinterpret_cast<const char*>(buffer.data()));
    return result;
}

int ModuleHost::ApplySetting(const std::string& user, const std::string& command) const {
    std::vector<uint8_t> data(kReadDataRoom, 0);
    std::copy_n(command.begin(), std::min<size_t>(command.size(), kReadDataRoom - 1), data.begin());
    uint32_t length = static_cast<uint32_t>(command.size() + 1);
    return Get<ReadDataFn>("ReadData")(user.c_str(), velmo::kOtpSettingBlock, data.data(), &length);
}

int ModuleHost::DeleteData(const std::string& user, uint32_t block) const {
    return Get<DeleteDataFn>("DeleteData")(user.c_str(), block);
}

}  // namespace otpadmin
