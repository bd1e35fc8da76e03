#include "settings/base64.h"

namespace velmo {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

bool Base64Encode(const uint8_t* bytes, char* out, size_t outSize, int32_t& length) {
    if (length < 0 || !out) return false;
    const size_t n = static_cast<size_t>(length);
    if (n > 0 && !bytes) return false;
    if (outSize < Base64EncodedSize(n)) return false;
    size_t o = 0;
    for (size_t i = 0; i < n; i += 3) {
        const uint32_t b0 = bytes[i];
        const uint32_t b1 = i + 1 < n ? bytes[i + 1] : 0;
        const uint32_t b2 = i + 2 < n ? bytes[i + 2] : 0;
        const uint32_t group = (b0 << 16) | (b1 << 8) | b2;
        out[o++] = kAlphabet[(group >> 18) & 63];
        out[o++] = kAlphabet[(group >> 12) & 63];
        out[o++] = i + 1 < n ? kAlphabet[(group >> 6) & 63] : '=';
        out[o++] = i + 2 < n ? kAlphabet[group & 63] : '=';
    }
    out[o++] = '\r';
    out[o++] = '\n';
    out[o] = '\0';
    length = static_cast<int32_t>(o);
    return true;
}

}  // namespace velmo
