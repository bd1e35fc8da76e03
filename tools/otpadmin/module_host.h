// Loads velmo_otp.dll and holds it initialised for one command, exactly as
// the logon host does: InitLibrary after loading, CloseLibrary before freeing.
#pragma once

#include <windows.h>

namespace otpadmin {

class ModuleHost {
public:
    ModuleHost();
    ~ModuleHost();
    ModuleHost(const ModuleHost&) = delete;
    ModuleHost& operator=(const ModuleHost&) = delete;

    // False (with a message on stderr) when the DLL or an export is missing.
    bool Ready() const { return ready_; }
    void* InfoBlock() const { return infoBlock_; }

    template <typename Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll_, name)));
    }

private:
    HMODULE dll_ = nullptr;
    bool ready_ = false;
    void* infoBlock_ = nullptr;
};

// Export signatures as the host declares them.
using InitLibraryFn = void*(WINAPI*)();
using CloseLibraryFn = void(WINAPI*)();
using ReaderNameFn = char*(WINAPI*)();
using IntFn = int(WINAPI*)();

}  // namespace otpadmin
