#include "otp/code_search.h"

#include <algorithm>
#include <array>

#include "otp/otp_code.h"

namespace velmo {

namespace {

// Candidates go to the generator in chunks: a few at a time are computed side
// by side, and the first match in chunk order is the first match overall.
constexpr size_t kChunk = 128;

template <typename NextCounter>
std::optional<uint64_t> FindFirst(const CodeGenerator& codes, uint64_t total, uint32_t typed, NextCounter next) {
    // No code reaches a million; an unusable secret matches nothing.
    if (!codes.Usable() || typed >= static_cast<uint32_t>(kCodeModulus)) return std::nullopt;
    std::array<uint32_t, kChunk> counters;
    for (uint64_t start = 0; start < total; start += kChunk) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, total - start));
        for (size_t k = 0; k < n; ++k) counters[k] = next(start + k);
        const size_t hit = codes.FindCode(counters.data(), n, static_cast<int32_t>(typed));
        if (hit < n) return start + hit;
    }
    return std::nullopt;
}

}  // namespace

std::optional<uint32_t> SearchWindow(const CodeGenerator& codes, uint32_t center, uint32_t w, uint32_t typed) {
    const uint32_t first = center - w;
    auto at = [first](uint64_t k) { return first + static_cast<uint32_t>(k); };
    if (auto k = FindFirst(codes, 2 * uint64_t{w} + 1, typed, at)) return at(*k);
    return std::nullopt;
}

std::optional<SkewMatch> SearchSkew(const CodeGenerator& codes, uint32_t base, uint32_t typed) {
    // Order: base, base - 1, base + 1, base - 2, base + 2, ... (below first).
    auto offset = [](uint64_t k) -> int32_t {
        const auto i = static_cast<int32_t>((k + 1) / 2);
        return (k % 2 == 1) ? -i : i;
    };
    auto at = [base, offset](uint64_t k) { return base + static_cast<uint32_t>(offset(k)); };
    const uint64_t total = 2 * uint64_t{kSkewSearchSteps} - 1;
    if (auto k = FindFirst(codes, total, typed, at)) {
        const int32_t s = offset(*k);
        return SkewMatch{at(*k), s, s < 0 ? -s : s};
    }
    return std::nullopt;
}

}  // namespace velmo
