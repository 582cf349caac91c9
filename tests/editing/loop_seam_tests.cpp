#include "editing/LoopSeam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace wtb {

TEST(SeamJump, IsTheSeamStepBeyondTheSoundsOwnSteps) {
    // a ramp 100, 103, ..., 157 in steps of 3
    std::vector<std::uint8_t> ramp;
    for (int n = 0; n < 20; ++n) {
        ramp.push_back(static_cast<std::uint8_t>(100 + 3 * n));
    }
    struct Case {
        Loop loop;
        std::int32_t jump;
    };
    for (const Case& each :
         {Case{{5, 5}, 0}, Case{{4, 5}, 0}, Case{{4, 10}, 18 - 3}, Case{{0, 19}, 57 - 3}}) {
        SCOPED_TRACE(each.loop.start);
        EXPECT_EQ(seamJump(ramp, each.loop), each.jump);
    }

    // whole periods of a sine of 40 samples join without a jump wherever they start
    std::vector<std::uint8_t> sine;
    for (int n = 0; n < 160; ++n) {
        sine.push_back(static_cast<std::uint8_t>(std::lround(128 + 100 * std::sin(n * M_PI / 20))));
    }
    for (const std::int32_t start : {0, 10, 17, 30, 45}) {
        EXPECT_EQ(seamJump(sine, {start, start + 39}), 0) << start;
        EXPECT_EQ(seamJump(sine, {start, start + 79}), 0) << start;
    }
    EXPECT_GT(seamJump(sine, {10, 29}), 150); // from the trough back to the crest
}

} // namespace wtb
