// HexDecode and HexEncode on arbitrary text and bytes.
#include <cstdint>
#include <cstring>
#include <string>

#include "settings/hex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (size_t room : {size_t{0}, size_t{1}, size_t{7}, size_t{1008}}) {
        uint8_t out[1008];
        const size_t n = velmo::HexDecode(text.c_str(), out, room);
        if (n > room || n > (std::strlen(text.c_str()) / 2)) __builtin_trap();
    }
    const char* hex = velmo::HexEncode(data, static_cast<int32_t>(size));
    if (std::strlen(hex) >= velmo::kHexEncodeBufferSize) __builtin_trap();
    return 0;
}
