// Loads velmo_otp.dll and holds it initialised for one command, exactly as
// the logon host does: InitLibrary after loading, CloseLibrary before freeing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/win_handles.h"
#include "module/velmo_exports.h"

namespace otpadmin {

using namespace velmo::exports;

class ModuleHost {
public:
    ModuleHost();
    ~ModuleHost();
    ModuleHost(const ModuleHost&) = delete;
    ModuleHost& operator=(const ModuleHost&) = delete;

    // False (with a message on stderr) when the DLL or an export is missing.
    bool Ready() const { return ready_; }
    void* InfoBlock() const { return infoBlock_; }
    HMODULE Handle() const { return dll_.get(); }
    DWORD LoadError() const { return loadError_; }  // when velmo_otp.dll could not be loaded

    template <typename Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll_.get(), name)));
    }

    int VerifyPIN(const std::string& user, const std::string& code) const;
    // ReadData into a host-sized buffer; `text` receives what it wrote as text.
    int ReadData(const std::string& user, uint32_t block, std::string& text, uint32_t room = kReadDataRoom) const;
    int DeleteData(const std::string& user, uint32_t block) const;
    // An OTP setting command ("totp", "token-otp,SECRET", ...) through ReadData.
    int ApplySetting(const std::string& user, const std::string& command) const;

private:
    velmo::UniqueModule dll_;
    bool ready_ = false;
    void* infoBlock_ = nullptr;
    DWORD loadError_ = 0;
};

}  // namespace otpadmin
