// Where among the counters around a base a typed code lies: the verification
// window, and the wide search that learns a token's clock skew. Counters
// wrap modulo 2^32. Pure code.
#pragma once

#include <cstdint>
#include <optional>

#include "otp/code_generator.h"

namespace velmo {

// The wide search tries base - i and base + i for i = 0 .. 1,499.
constexpr int32_t kSkewSearchSteps = 1500;

// The lowest counter of center - w .. center + w whose code equals `typed`.
std::optional<uint32_t> SearchWindow(const CodeGenerator& codes, uint32_t center, uint32_t w, uint32_t typed);

struct SkewMatch {
    uint32_t counter;  // base + offset
    int32_t offset;    // -i or +i
    int32_t i;
};

// The nearest counter to `base` (base - i before base + i) whose code equals
// `typed`.
std::optional<SkewMatch> SearchSkew(const CodeGenerator& codes, uint32_t base, uint32_t typed);

}  // namespace velmo
