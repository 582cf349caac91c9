#include "editing/ZeroCrossingTrim.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

// 1000 bytes: `first` up to index 499, `second` from 500 on.
Bytes twoLevels(std::uint8_t first, std::uint8_t second) {
    Bytes bytes(1000, first);
    std::fill(bytes.begin() + 500, bytes.end(), second);
    return bytes;
}

struct Walk {
    const char* bytesName;
    Bytes bytes;
    std::int32_t slider;
    std::int32_t expectedEnd;
};

TEST(ZeroCrossingEnd, WalksOverAFlatAndATwoLevelSound) {
    const Bytes flat(1000, 128);
    const Bytes falling = twoLevels(200, 50);
    const std::vector<Walk> walks{
        {"all 128", flat, 999, 998},        // one step allowed
        {"all 128", flat, 600, 200},        // steps used up: 2V - H - 1
        {"all 128", flat, 300, 127},        // stops at index 127
        {"all 128", flat, 128, 127},        // one step reaches 127
        {"200 then 50", falling, 700, 500}, // falling crossing between 499 and 500
        {"200 then 50", falling, 900, 800}, // steps used up before the crossing
        {"200 then 50", falling, 501, 500}, // the crossing at the first step
        {"200 then 50", falling, 500, 127}, // first pair is (498, 499): crossing passed over
        {"50 then 200", twoLevels(50, 200), 700, 500}, // rising crossing
    };
    for (const Walk& walk : walks) {
        SCOPED_TRACE(std::string(walk.bytesName) + ", V = " + std::to_string(walk.slider));
        EXPECT_EQ(zeroCrossingEnd(walk.bytes, walk.slider), walk.expectedEnd);
    }
}

TEST(ZeroCrossingEnd, SliderAtOrPastTheLastIndex) {
    Bytes bytes = twoLevels(200, 50);
    // a crossing between 998 and 999 is not looked at: the only pair tested is (997, 998)
    bytes[999] = 200;
    EXPECT_EQ(zeroCrossingEnd(bytes, 999), 998);
    EXPECT_EQ(zeroCrossingEnd(bytes, 1000), 1000);
    constexpr std::int32_t maxValue = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(zeroCrossingEnd(bytes, maxValue), maxValue);
    // a single sample: H = 0
    EXPECT_EQ(zeroCrossingEnd(Bytes{200}, 1), 1);
}

TEST(ZeroCrossingEnd, LowSliderValuesStopAtTheFirstSample) {
    const Bytes flat(1000, 128);
    EXPECT_EQ(zeroCrossingEnd(flat, 1), 0);
    EXPECT_EQ(zeroCrossingEnd(flat, 0), 0);
    EXPECT_EQ(zeroCrossingEnd(flat, -1), 0);
    EXPECT_EQ(zeroCrossingEnd(flat, std::numeric_limits<std::int32_t>::min()), 0);
    EXPECT_EQ(zeroCrossingEnd(Bytes{90}, 0), 0);
    EXPECT_EQ(zeroCrossingEnd(Bytes{90, 200}, 1), 0);

    // below 128 the walk goes on down to the start when one side of the line is all it sees
    EXPECT_EQ(zeroCrossingEnd(flat, 100), 0);
    EXPECT_EQ(zeroCrossingEnd(twoLevels(60, 200), 127), 0);
    // ... a crossing on the way still ends it
    Bytes risingAt40(1000, 200);
    std::fill(risingAt40.begin(), risingAt40.begin() + 40, 50);
    EXPECT_EQ(zeroCrossingEnd(risingAt40, 100), 40);
    // ... a crossing between samples 0 and 1 gives 1
    EXPECT_EQ(zeroCrossingEnd(Bytes{20, 220, 220, 220, 220, 220, 220, 220, 220, 220}, 4), 1);
    // ... and so does running out of steps, here after 50 steps from 100 (H = 149)
    EXPECT_EQ(zeroCrossingEnd(Bytes(150, 128), 100), 50);
}

TEST(ZeroCrossingEnd, EmptyDataGivesNoResult) {
    EXPECT_EQ(zeroCrossingEnd({}, 0), std::nullopt);
    EXPECT_EQ(zeroCrossingEnd({}, 500), std::nullopt);
}

// On arbitrary sounds the result must be where the walk rules put it: at least one step back,
// not below 127 or the step budget, just past a crossing unless a bound stopped it, and with
// no crossing skipped on the way.
TEST(ZeroCrossingEnd, EndsJustPastTheFirstCrossingWithinItsBounds) {
    std::mt19937 random(7);
    const auto straddles = [](const Bytes& b, std::int32_t i) {
        return (b[i] >= 128) != (b[i - 1] >= 128);
    };
    for (int sound = 0; sound < 20; ++sound) {
        Bytes bytes(600);
        // long runs on one side, so walks of every length occur
        std::uint8_t level = 128;
        for (auto& b : bytes) {
            if (random() % 40 == 0) {
                level = static_cast<std::uint8_t>(random());
            }
            b = level;
        }
        const auto highest = static_cast<std::int32_t>(bytes.size()) - 1;
        for (std::int32_t v = 128; v <= highest; ++v) {
            SCOPED_TRACE("sound " + std::to_string(sound) + ", V = " + std::to_string(v));
            const std::int32_t end = zeroCrossingEnd(bytes, v).value();
            const std::int32_t budgetEnd = 2 * v - highest - 1;
            ASSERT_LE(end, v - 1);
            ASSERT_GE(end, std::max(127, budgetEnd));
            if (end != 127 && end != budgetEnd) {
                ASSERT_TRUE(straddles(bytes, end));
            }
            for (std::int32_t passed = end + 1; passed <= v - 1; ++passed) {
                ASSERT_FALSE(straddles(bytes, passed)) << "crossing at " << passed << " skipped";
            }
        }
    }
}

} // namespace
} // namespace wtb
