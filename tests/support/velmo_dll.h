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
    VelmoDll() : module_(LoadLibraryA("velmo_otp.dll")) {}  // from the test's own folder
    VelmoDll(const VelmoDll&) = delete;
    VelmoDll& operator=(const VelmoDll&) = delete;

    bool Loaded() const { return static_cast<bool>(module_); }
    FARPROC Export(const char* name) const { return module_ ? GetProcAddress(module_.get(), name) : nullptr; }
    template <typename Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(Export(name)));
    }

    void* InitLibrary() const { return Get<exports::InitLibraryFn>("InitLibrary")(); }
    void CloseLibrary() const { Get<exports::CloseLibraryFn>("CloseLibrary")(); }
    // The code goes through a writable copy with room to spare, as a host's
    // buffer would; `seen` receives it as the module left it.
    int VerifyPIN(const char* user, const std::string& code, std::string* seen = nullptr) const;
    // ReadData as a host calls it: a 990-byte buffer holding `input`, and
    // `room` in the length; what the call left in both.
    struct Answer {
        int result;
        std::string bytes;
        uint32_t length;
        std::string Text() const { return bytes.c_str(); }
    };
    static constexpr uint32_t kUntouched = 0xA5A5A5A5;
    Answer Read(const char* user, uint32_t block, const std::string& input = "", uint32_t room = kUntouched) const;
    int ReadData(const char* user, uint32_t block, uint8_t* data, uint32_t* length) const {
        return Get<exports::ReadDataFn>("ReadData")(user, block, data, length);
    }
    int WriteData(const char* user, uint32_t block, const uint8_t* data, const uint32_t* length) const {
        return Get<exports::WriteDataFn>("WriteData")(user, block, data, length);
    }
    int DeleteData(const char* user, uint32_t block) const {
        return Get<exports::DeleteDataFn>("DeleteData")(user, block);
    }
    INT_PTR DisplaySettingsDialog(HWND parent) const {
        return Get<exports::DisplaySettingsDialogFn>("DisplaySettingsDialog")(nullptr, parent);
    }

private:
    UniqueModule module_;
};

}  // namespace velmo::test
