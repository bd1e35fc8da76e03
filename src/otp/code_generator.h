// Codes of one secret for many counters. The verification window and the
// wide skew search try up to ~3,000 counters per typed code, so the secret is
// decoded and the HMAC key state derived once, leaving two SHA-1 block
// compressions per counter (with AVX-512 or the CPU's SHA extensions where
// present, several counters at a time). Results equal ComputeCode for every counter.
// Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "otp/hotp_kernels.h"

namespace velmo {

class CodeGenerator {
public:
    explicit CodeGenerator(const char* secret);
    ~CodeGenerator();
    CodeGenerator(const CodeGenerator&) = delete;
    CodeGenerator& operator=(const CodeGenerator&) = delete;

    // False when the secret does not decode (every code is then -1).
    bool Usable() const { return usable_; }
    // ComputeCode(secret, counter): 0 to 999,999, or -1.
    int32_t CodeAt(uint32_t counter) const;
    // codes[i] = CodeAt(counters[i]) for i < count.
    void CodesAt(const uint32_t* counters, int32_t* codes, size_t count) const;
    // The first i < count with CodeAt(counters[i]) == code, or count when
    // there is none. Counters are tried in order, a few at a time.
    size_t FindCode(const uint32_t* counters, size_t count, int32_t code) const;

private:
    HmacSha1KeyState key_ = {};
    bool usable_ = false;
};

}  // namespace velmo
