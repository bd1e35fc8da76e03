// The real velmo_otp.dll, loaded with LoadLibrary the way the logon host
// loads it, with typed pointers to its exports.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/win_handles.h"
#include "module/velmo_exports.h"

namespace velmo::test {

class VelmoDll {
public:
    using InitLibraryFn = exports::InitLibraryFn;
    using CloseLibraryFn = exports::CloseLibraryFn;
    using ReaderNameFn = exports::ReaderNameFn;
    using IntFn = exports::IntFn;
    using VerifyPinFn = exports::VerifyPinFn;
    using ReadDataFn = exports::ReadDataFn;
    using WriteDataFn = exports::WriteDataFn;
    using DeleteDataFn = exports::DeleteDataFn;
    using DisplaySettingsDialogFn = exports::DisplaySettingsDialogFn;

    VelmoDll();  // loads velmo_otp.dll from the test's own folder
    VelmoDll(const VelmoDll&) = delete;
    VelmoDll& operator=(const VelmoDll&) = delete;

    bool Loaded() const { return static_cast<bool>(module_); }
    FARPROC Export(const char* name) const;
    template <typename Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(Export(name)));
    }

    void* InitLibrary() const { return Get<InitLibraryFn>("InitLibrary")(); }
    void CloseLibrary() const { Get<CloseLibraryFn>("CloseLibrary")(); }
    // The code goes through a writable copy with room to spare, as a host's
    // buffer would; `seen` receives it as the module left it.
    int VerifyPIN(const char* user, const std::string& code, std::string* seen = nullptr) const;
    int ReadData(const char* user, uint32_t block, uint8_t* data, uint32_t* length) const {
        return Get<ReadDataFn>("ReadData")(user, block, data, length);
    }
    int WriteData(const char* user, uint32_t block, const uint8_t* data, const uint32_t* length) const {
        return Get<WriteDataFn>("WriteData")(user, block, data, length);
    }
    int DeleteData(const char* user, uint32_t block) const { return Get<DeleteDataFn>("DeleteData")(user, block); }
    INT_PTR DisplaySettingsDialog(HWND parent) const {
        return Get<DisplaySettingsDialogFn>("DisplaySettingsDialog")(nullptr, parent);
    }

private:
    UniqueModule module_;
};

}  // namespace velmo::test
