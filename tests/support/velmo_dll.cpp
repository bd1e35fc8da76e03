#include "support/velmo_dll.h"

namespace velmo::test {

VelmoDll::VelmoDll() : module_(LoadLibraryA("velmo_otp.dll")) {}

int VelmoDll::VerifyPIN(const char* user, const std::string& code, std::string* seen) const {
    std::string buffer = code;
    buffer.resize(code.size() + 16, '\0');
    const int result = Get<VerifyPinFn>("VerifyPIN")(user, buffer.data());
    if (seen) *seen = buffer.c_str();
    return result;
}

FARPROC VelmoDll::Export(const char* name) const { return module_ ? GetProcAddress(module_.get(), name) : nullptr; }

}  // namespace velmo::test
