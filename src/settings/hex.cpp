#include "settings/hex.h"

namespace velmo {

namespace {

uint8_t DigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    return 0;
}

constexpr char kUpperDigits[] = "0123456789ABCDEF";
constexpr int32_t kWholeLimit = static_cast<int32_t>((kHexEncodeBufferSize - 1) / 2);  // 1,249 bytes
constexpr int32_t kCutLength = kWholeLimit - 1;                                         // 1,248 bytes

char g_hexText[kHexEncodeBufferSize];

}  // namespace

size_t HexDecode(const char* text, uint8_t* out, size_t outSize) {
    if (!text || !out) return 0;
    size_t count = 0;
    for (const char* p = text; count < outSize && p[0] && p[1]; p += 2)
        out[count++] = static_cast<uint8_t>(DigitValue(p[0]) * 16 + DigitValue(p[1]));
    return count;
}

const char* HexEncode(const uint8_t* bytes, int32_t count) {
    g_hexText[0] = '\0';
    if (!bytes || count <= 0) return g_hexText;
    const bool cut = count > kWholeLimit;
    const size_t n = static_cast<size_t>(cut ? kCutLength : count);
    HexEncodeTo(bytes, n, g_hexText, sizeof g_hexText);
    if (cut) {
        g_hexText[2 * n] = '.';
        g_hexText[2 * n + 1] = '.';
        g_hexText[2 * n + 2] = '\0';
    }
    return g_hexText;
}

bool HexEncodeTo(const uint8_t* bytes, size_t count, char* out, size_t size) {
    if (!bytes || !out || size == 0 || count > (size - 1) / 2) return false;
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = kUpperDigits[bytes[i] >> 4];
        out[2 * i + 1] = kUpperDigits[bytes[i] & 15];
    }
    out[2 * count] = '\0';
    return true;
}

}  // namespace velmo
