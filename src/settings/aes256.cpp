#include "settings/aes256.h"

#include "common/secure_wipe.h"

#include <array>
#include <cstring>

namespace velmo {

namespace {

constexpr uint8_t XTime(uint8_t x) { return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0)); }

constexpr uint8_t GfMultiply(uint8_t a, uint8_t b) {
    uint8_t p = 0;
    while (b) {
        if (b & 1) p ^= a;
        a = XTime(a);
        b >>= 1;
    }
    return p;
}

// The S-box of FIPS 197 section 5.1.1: multiplicative inverse in GF(2^8)
// followed by the affine transformation, computed at compile time.
constexpr std::array<uint8_t, 256> MakeSbox() {
    std::array<uint8_t, 256> box{};
    for (int x = 0; x < 256; ++x) {
        // x^254 is the inverse of x (and 0 for 0).
        uint8_t inverse = 1, power = static_cast<uint8_t>(x);
        for (int e = 254; e; e >>= 1) {
            if (e & 1) inverse = GfMultiply(inverse, power);
            power = GfMultiply(power, power);
        }
        uint8_t s = inverse;
        for (int r = 1; r <= 4; ++r) s ^= static_cast<uint8_t>((inverse << r) | (inverse >> (8 - r)));
        box[x] = static_cast<uint8_t>(s ^ 0x63);
    }
    return box;
}

constexpr std::array<uint8_t, 256> MakeInverse(const std::array<uint8_t, 256>& box) {
    std::array<uint8_t, 256> inv{};
    for (int x = 0; x < 256; ++x) inv[box[x]] = static_cast<uint8_t>(x);
    return inv;
}

constexpr std::array<uint8_t, 256> kSbox = MakeSbox();
constexpr std::array<uint8_t, 256> kInvSbox = MakeInverse(kSbox);
static_assert(kSbox[0x00] == 0x63 && kSbox[0x53] == 0xED, "FIPS 197 S-box");

void AddRoundKey(uint8_t s[16], const uint8_t* k) {
    for (int i = 0; i < 16; ++i) s[i] ^= k[i];
}

// State bytes are in input order: s[r + 4c] is row r, column c.
void ShiftRows(uint8_t s[16]) {
    uint8_t t[16];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) t[r + 4 * c] = s[r + 4 * ((c + r) % 4)];
    std::memcpy(s, t, 16);
}

void InvShiftRows(uint8_t s[16]) {
    uint8_t t[16];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) t[r + 4 * ((c + r) % 4)] = s[r + 4 * c];
    std::memcpy(s, t, 16);
}

void MixColumns(uint8_t s[16]) {
    for (int c = 0; c < 4; ++c) {
        uint8_t* col = s + 4 * c;
        const uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
        col[0] = static_cast<uint8_t>(XTime(a0) ^ (XTime(a1) ^ a1) ^ a2 ^ a3);
        col[1] = static_cast<uint8_t>(a0 ^ XTime(a1) ^ (XTime(a2) ^ a2) ^ a3);
        col[2] = static_cast<uint8_t>(a0 ^ a1 ^ XTime(a2) ^ (XTime(a3) ^ a3));
        col[3] = static_cast<uint8_t>((XTime(a0) ^ a0) ^ a1 ^ a2 ^ XTime(a3));
    }
}

void InvMixColumns(uint8_t s[16]) {
    for (int c = 0; c < 4; ++c) {
        uint8_t* col = s + 4 * c;
        const uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
        col[0] = GfMultiply(a0, 14) ^ GfMultiply(a1, 11) ^ GfMultiply(a2, 13) ^ GfMultiply(a3, 9);
        col[1] = GfMultiply(a0, 9) ^ GfMultiply(a1, 14) ^ GfMultiply(a2, 11) ^ GfMultiply(a3, 13);
        col[2] = GfMultiply(a0, 13) ^ GfMultiply(a1, 9) ^ GfMultiply(a2, 14) ^ GfMultiply(a3, 11);
        col[3] = GfMultiply(a0, 11) ^ GfMultiply(a1, 13) ^ GfMultiply(a2, 9) ^ GfMultiply(a3, 14);
    }
}

}  // namespace

Aes256::Aes256(const uint8_t key[kAes256KeySize]) {
    // Key expansion, FIPS 197 section 5.2, with Nk = 8 words.
    constexpr int kKeyWords = 8;
    constexpr int kTotalWords = 4 * (kRounds + 1);
    std::memcpy(roundKeys_, key, kAes256KeySize);
    uint8_t rcon = 1;
    uint8_t t[4];
    const WipeOnExit wipeWord(t, sizeof t);
    for (int i = kKeyWords; i < kTotalWords; ++i) {
        std::memcpy(t, roundKeys_ + 4 * (i - 1), 4);
        if (i % kKeyWords == 0) {
            const uint8_t first = t[0];
            t[0] = static_cast<uint8_t>(kSbox[t[1]] ^ rcon);
            t[1] = kSbox[t[2]];
            t[2] = kSbox[t[3]];
            t[3] = kSbox[first];
            rcon = XTime(rcon);
        } else if (i % kKeyWords == 4) {
            for (auto& b : t) b = kSbox[b];
        }
        for (int j = 0; j < 4; ++j) roundKeys_[4 * i + j] = roundKeys_[4 * (i - kKeyWords) + j] ^ t[j];
    }
}

Aes256::~Aes256() { SecureWipe(roundKeys_, sizeof roundKeys_); }

void Aes256::EncryptBlock(const uint8_t in[kAesBlockSize], uint8_t out[kAesBlockSize]) const {
    uint8_t s[16];
    std::memcpy(s, in, 16);
    AddRoundKey(s, roundKeys_);
    for (int round = 1; round <= kRounds; ++round) {
        for (auto& b : s) b = kSbox[b];
        ShiftRows(s);
        if (round != kRounds) MixColumns(s);
        AddRoundKey(s, roundKeys_ + 16 * round);
    }
    std::memcpy(out, s, 16);
}

void Aes256::DecryptBlock(const uint8_t in[kAesBlockSize], uint8_t out[kAesBlockSize]) const {
    uint8_t s[16];
    std::memcpy(s, in, 16);
    AddRoundKey(s, roundKeys_ + 16 * kRounds);
    for (int round = kRounds - 1; round >= 0; --round) {
        InvShiftRows(s);
        for (auto& b : s) b = kInvSbox[b];
        AddRoundKey(s, roundKeys_ + 16 * round);
        if (round != 0) InvMixColumns(s);
    }
    std::memcpy(out, s, 16);
    SecureWipe(s, sizeof s);  // plaintext
}

void Aes256::EncryptCbc(uint8_t* data, size_t length, uint8_t chain[kAesBlockSize]) const {
    for (size_t off = 0; off + kAesBlockSize <= length; off += kAesBlockSize) {
        for (size_t i = 0; i < kAesBlockSize; ++i) data[off + i] ^= chain[i];
        EncryptBlock(data + off, data + off);
        std::memcpy(chain, data + off, kAesBlockSize);
    }
}

void Aes256::DecryptCbc(uint8_t* data, size_t length, uint8_t chain[kAesBlockSize]) const {
    for (size_t off = 0; off + kAesBlockSize <= length; off += kAesBlockSize) {
        uint8_t cipher[kAesBlockSize];
        std::memcpy(cipher, data + off, kAesBlockSize);
        DecryptBlock(data + off, data + off);
        for (size_t i = 0; i < kAesBlockSize; ++i) data[off + i] ^= chain[i];
        std::memcpy(chain, cipher, kAesBlockSize);
    }
}

}  // namespace velmo
