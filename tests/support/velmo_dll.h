// The real velmo_otp.dll, loaded with LoadLibrary the way the logon host
// loads it, with typed pointers to its exports.
#pragma once

#include <windows.h>

#include <string>

namespace velmo::test {

class VelmoDll {
public:
    using InitLibraryFn = void*(WINAPI*)();
    using CloseLibraryFn = void(WINAPI*)();
    using ReaderNameFn = char*(WINAPI*)();
    using IntFn = int(WINAPI*)();

    VelmoDll();  // loads velmo_otp.dll from the test's own folder
    ~VelmoDll();
    VelmoDll(const VelmoDll&) = delete;
    VelmoDll& operator=(const VelmoDll&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    FARPROC Export(const char* name) const;
    template <typename Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(Export(name)));
    }

    void* InitLibrary() const { return Get<InitLibraryFn>("InitLibrary")(); }
    void CloseLibrary() const { Get<CloseLibraryFn>("CloseLibrary")(); }

private:
    HMODULE module_ = nullptr;
};

}  // namespace velmo::test
