#include "otp/code_search.h"

namespace velmo {

namespace {

// An unusable secret (-1) matches no typed value.
bool Matches(const CodeGenerator& codes, uint32_t counter, uint32_t typed) {
    const int32_t code = codes.CodeAt(counter);
    return code >= 0 && static_cast<uint32_t>(code) == typed;
}

}  // namespace

std::optional<uint32_t> SearchWindow(const CodeGenerator& codes, uint32_t center, uint32_t w, uint32_t typed) {
    const uint32_t first = center - w;
    for (uint32_t k = 0; k <= 2 * w; ++k) {
        const uint32_t counter = first + k;
        if (Matches(codes, counter, typed)) return counter;
    }
    return std::nullopt;
}

std::optional<SkewMatch> SearchSkew(const CodeGenerator& codes, uint32_t base, uint32_t typed) {
    for (int32_t i = 0; i < kSkewSearchSteps; ++i) {
        const uint32_t below = base - static_cast<uint32_t>(i);
        if (Matches(codes, below, typed)) return SkewMatch{below, -i, i};
        if (i == 0) continue;  // base + 0 is the same counter
        const uint32_t above = base + static_cast<uint32_t>(i);
        if (Matches(codes, above, typed)) return SkewMatch{above, i, i};
    }
    return std::nullopt;
}

}  // namespace velmo
