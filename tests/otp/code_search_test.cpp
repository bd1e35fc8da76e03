// The window and the wide skew search over a known secret's codes.
#include <gtest/gtest.h>

#include <map>

#include "otp/code_search.h"
#include "otp/otp_code.h"

using namespace velmo;

namespace {

constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";

uint32_t CodeOf(uint32_t counter) { return static_cast<uint32_t>(ComputeCode(kSecret, counter)); }

}  // namespace

TEST(CodeSearch, WindowFindsTheLowestMatchingCounterAndWraps) {
    const CodeGenerator codes(kSecret);
    const uint32_t center = 1000;
    EXPECT_EQ(SearchWindow(codes, center, 6, CodeOf(center + 4)), std::optional<uint32_t>(center + 4));
    EXPECT_EQ(SearchWindow(codes, center, 6, CodeOf(center - 6)), std::optional<uint32_t>(center - 6));
    EXPECT_FALSE(SearchWindow(codes, center, 6, CodeOf(center + 7)).has_value());
    // Around counter 0 the window wraps to the top of the 32-bit range.
    EXPECT_EQ(SearchWindow(codes, 1, 6, CodeOf(0xFFFFFFFCu)), std::optional<uint32_t>(0xFFFFFFFCu));
    EXPECT_FALSE(SearchWindow(codes, center, 6, 1000000).has_value());  // no code is that large
}

TEST(CodeSearch, SkewSearchTriesBelowBeforeAboveUpTo1499Steps) {
    const CodeGenerator codes(kSecret);
    const uint32_t base = 50000038;  // base - 727 and base + 727 share a code
    for (int32_t offset : {0, 40, -40, 1499, -1499}) {
        const uint32_t counter = base + static_cast<uint32_t>(offset);
        const auto found = SearchSkew(codes, base, CodeOf(counter));
        ASSERT_TRUE(found.has_value()) << offset;
        // A code that repeats nearer to the base is found there instead; the
        // found counter always carries the typed code and the offset agrees.
        EXPECT_EQ(CodeOf(found->counter), CodeOf(counter));
        EXPECT_EQ(found->counter, base + static_cast<uint32_t>(found->offset));
        EXPECT_LE(std::abs(found->offset), std::abs(offset));
    }
    EXPECT_FALSE(SearchSkew(codes, base, 1000000).has_value());

    // Whichever of base - i and base + i shares a code, below wins at equal i.
    std::map<uint32_t, int32_t> firstOffset;
    for (int32_t i = 0; i < kSkewSearchSteps; ++i) {
        firstOffset.emplace(CodeOf(base - static_cast<uint32_t>(i)), -i);
        firstOffset.emplace(CodeOf(base + static_cast<uint32_t>(i)), i);
    }
    for (const auto& [code, offset] : firstOffset) {
        const auto found = SearchSkew(codes, base, code);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->offset, offset) << code;
    }
}

TEST(CodeSearch, AnUnusableSecretMatchesNothing) {
    const CodeGenerator codes("not base32 !");
    EXPECT_FALSE(SearchWindow(codes, 100, 6, 0xFFFFFFFFu).has_value());
    EXPECT_FALSE(SearchSkew(codes, 100, 0xFFFFFFFFu).has_value());
}
