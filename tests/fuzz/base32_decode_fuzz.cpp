// Base32Decode and ComputeCode on arbitrary secret text.
#include <cstdint>
#include <cstring>
#include <string>

#include "otp/base32.h"
#include "otp/otp_code.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // stops at an embedded NUL
    for (int32_t room : {0, 1, 3, 20, 100}) {
        uint8_t out[100];
        const int32_t n = velmo::Base32Decode(text.c_str(), out, room);
        if (n > room || n < -1) __builtin_trap();
    }
    const int32_t code = velmo::ComputeCode(text.c_str(), size > 0 ? data[0] * 7919u : 0);
    if (code < -1 || code > 999999) __builtin_trap();
    char encoded[200];
    const int32_t chars = velmo::Base32Encode(data, static_cast<int32_t>(size > 100 ? 100 : size), encoded, 200);
    if (chars < 0 || chars > 200) __builtin_trap();
    return 0;
}
