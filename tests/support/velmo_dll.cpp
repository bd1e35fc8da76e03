#include "support/velmo_dll.h"

namespace velmo::test {

int VelmoDll::VerifyPIN(const char* user, const std::string& code, std::string* seen) const {
    std::string buffer = code;
    buffer.resize(code.size() + 16, '\0');
    const int result = Get<exports::VerifyPinFn>("VerifyPIN")(user, buffer.data());
    if (seen) *seen = buffer.c_str();
    return result;
}

VelmoDll::Answer VelmoDll::Read(const char* user, uint32_t block, const std::string& input, uint32_t room) const {
    std::string buffer(990, '\xEE');
    buffer.replace(0, input.size() + 1, input.c_str(), input.size() + 1);
    const int result = ReadData(user, block, reinterpret_cast<uint8_t*>(buffer.data()), &room);
    return {result, buffer, room};
}

}  // namespace velmo::test
