#include "otp/base32.h"

namespace velmo {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
constexpr int32_t kMaxEncodeLength = 1 << 28;

// Value of one secret character: 0-31, -1 to skip, -2 for an invalid one.
int Base32Value(char c) {
    switch (c) {
        case ' ': case '\t': case '\r': case '\n': case '-': return -1;
        case '0': c = 'O'; break;
        case '1': c = 'L'; break;
        case '8': c = 'B'; break;
        default: break;
    }
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a';
    if (c >= '2' && c <= '7') return c - '2' + 26;
    return -2;
}

}  // namespace

int32_t Base32Decode(const char* text, uint8_t* out, int32_t outSize) {
    if (!out || outSize <= 0) return 0;
    uint32_t buffer = 0;
    int bits = 0;
    int32_t count = 0;
    for (const char* p = text ? text : ""; count < outSize && *p; ++p) {
        const int value = Base32Value(*p);
        if (value == -1) continue;
        if (value == -2) return -1;
        buffer = (buffer << 5) | static_cast<uint32_t>(value);
        bits += 5;
        if (bits >= 8) {
            out[count++] = static_cast<uint8_t>(buffer >> (bits - 8));
            bits -= 8;
        }
    }
    if (count < outSize) out[count] = 0;
    return count;
}

int32_t Base32Encode(const uint8_t* bytes, int32_t length, char* out, int32_t outSize) {
    if (length < 0 || length > kMaxEncodeLength) return -1;
    if (!out || outSize <= 0) return 0;
    int32_t count = 0;
    if (length > 0 && bytes) {
        uint32_t buffer = bytes[0];
        int32_t next = 1;
        int bits = 8;
        while (count < outSize && (bits > 0 || next < length)) {
            if (bits < 5) {
                if (next < length) {
                    buffer = (buffer << 8) | bytes[next++];
                    bits += 8;
                } else {
                    buffer <<= 5 - bits;
                    bits = 5;
                }
            }
            out[count++] = kAlphabet[(buffer >> (bits - 5)) & 31];
            bits -= 5;
        }
    }
    if (count < outSize) out[count] = '\0';
    return count;
}

}  // namespace velmo
