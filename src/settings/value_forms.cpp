#include "settings/value_forms.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "common/text.h"
#include "settings/hex.h"
#include "settings/registry.h"  // limits only

namespace velmo {

uint32_t NumberFromValue(uint32_t kind, const uint8_t* data, size_t size, uint32_t defaultValue) {
    if (!data) return defaultValue;
    uint32_t number = 0;
    switch (kind) {
        case kRegKindDword:
        case kRegKindBinary:
            std::memcpy(&number, data, std::min(size, sizeof number));
            return number;
        case kRegKindText: {
            const char* text = reinterpret_cast<const char*>(data);
            const std::string_view digits(text, BoundedLength(text, size));
            if (!digits.empty() && digits[0] == '0') return 0;
            const int32_t parsed = ParseSignedDecimal(digits);
            if (digits.empty() || parsed == 0 || Contains(digits, ".")) return defaultValue;
            return static_cast<uint32_t>(parsed);
        }
        default:
            return defaultValue;
    }
}

uint32_t BytesFromHexValue(uint8_t* buffer, uint32_t size) {
    if (!buffer) return 0;
    const char* chars = reinterpret_cast<const char*>(buffer);
    const std::string text(chars, BoundedLength(chars, size));
    uint8_t work[kHexValueWorkSize];
    const size_t decoded = HexDecode(text.c_str(), work, std::min<size_t>(sizeof work, size));
    std::memcpy(buffer, work, decoded);
    std::memset(buffer + decoded, 0, size - decoded);  // no digit stays behind the bytes
    return static_cast<uint32_t>(decoded);
}

}  // namespace velmo
