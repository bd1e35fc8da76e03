// The failure limit's rule: counting, locks that double up to a day, the end
// of a lock, the clock going back, off; and its stored form.
#include <gtest/gtest.h>

#include <vector>

#include "otp/failure_limit.h"

using namespace velmo;

namespace {

// One attempt at `at`: a rejected code (when not locked), or a check only.
struct Step {
    int64_t at;
    bool rejected;
    uint32_t remainingAfter;  // what a check right after the step says
};

}  // namespace

TEST(FailureLimit, CountsLocksDoublesEndsAndNeverOutlastsItsLength) {
    const FailureLimit three = MakeFailureLimit(3, 100), big = MakeFailureLimit(1, 50'000);
    const struct {
        const char* what;
        FailureLimit limit;
        std::vector<Step> steps;
    } rows[] = {
        {"off: nothing ever locks", MakeFailureLimit(0, 100), {{10, true, 0}, {11, true, 0}, {12, true, 0}}},
        {"the third rejection locks for the first length",
         three, {{10, true, 0}, {11, true, 0}, {12, true, 100}, {111, false, 1}, {112, false, 0}}},
        {"attempts during a lock neither count nor extend it",
         three, {{10, true, 0}, {11, true, 0}, {12, true, 100}, {50, true, 62}, {60, true, 52}, {112, false, 0}}},
        {"after a lock the count starts again and the next lock is twice as long",
         three, {{1, true, 0}, {2, true, 0}, {3, true, 100}, {200, true, 0}, {201, true, 0}, {202, true, 200},
                 {402, false, 0}, {500, true, 0}, {501, true, 0}, {502, true, 400}}},
        {"locks grow up to a day", big, {{1, true, 50'000}, {60'000, true, 86'400}, {200'000, true, 86'400}}},
        {"a first lock of 0 is the default", MakeFailureLimit(1, 0), {{1000, true, 300}}},
        {"a clock set back: the lock counts from now", three,
         {{5000, true, 0}, {5001, true, 0}, {5002, true, 100}, {100, false, 100}, {150, false, 50}, {200, false, 0}}},
    };
    for (const auto& row : rows) {
        FailureCount count;
        for (const Step& step : row.steps) {
            LockCheck check = CheckLock(count, row.limit, step.at);
            count = check.count;
            if (step.rejected && check.remainingSeconds == 0) count = AfterRejection(count, row.limit, step.at);
            check = CheckLock(count, row.limit, step.at);
            count = check.count;
            EXPECT_EQ(check.remainingSeconds, step.remainingAfter) << row.what << " at " << step.at;
        }
    }
}

TEST(FailureLimit, TheStoredFormRoundTripsAndAnythingElseIsNoCount) {
    const FailureCount count{3, 2, -5};
    const std::vector<uint8_t> stored = EncodeFailureCount(count);
    EXPECT_EQ(stored.size(), 16u);
    EXPECT_EQ(DecodeFailureCount(stored), count);
    EXPECT_EQ(DecodeFailureCount(std::vector<uint8_t>(stored.begin(), stored.end() - 1)), FailureCount{});
    EXPECT_EQ(DecodeFailureCount({}), FailureCount{});
}
