#include "support/velmo_dll.h"

namespace velmo::test {

VelmoDll::VelmoDll() { module_ = LoadLibraryA("velmo_otp.dll"); }

VelmoDll::~VelmoDll() {
    if (module_) FreeLibrary(module_);
}

FARPROC VelmoDll::Export(const char* name) const { return module_ ? GetProcAddress(module_, name) : nullptr; }

}  // namespace velmo::test
