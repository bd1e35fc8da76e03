// Codes of one secret for many counters. The verification window and the
// wide skew search try up to ~3,000 counters per typed code, so the secret is
// decoded and the HMAC key state derived once, leaving two SHA-1 block
// compressions per counter. Results equal ComputeCode for every counter.
// Pure code.
#pragma once

#include <cstdint>

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

private:
    uint32_t inner_[5] = {};  // SHA-1 state after the key XOR ipad block
    uint32_t outer_[5] = {};  // SHA-1 state after the key XOR opad block
    bool usable_ = false;
};

}  // namespace velmo
