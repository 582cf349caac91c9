#include "WindowTestSupport.h"

#include "common/RuntimeError.h"
#include "window/WaveformRaster.h"
#include "window/WaveformScale.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(scaleValue, MapsInDoubleAndRoundsHalvesToEvenWithoutClamping) {
    EXPECT_EQ(scaleValue(1, 0, 4, 0, 10), 2);   // 2.5
    EXPECT_EQ(scaleValue(3, 0, 4, 0, 10), 8);   // 7.5
    EXPECT_EQ(scaleValue(-1, 0, 4, 0, 10), -2); // -2.5, and outside the range
    EXPECT_EQ(scaleValue(8, 0, 4, 0, 10), 20);
    EXPECT_EQ(scaleValue(5, 2, 12, 100, 0), 70); // reversed output, offset input
    EXPECT_EQ(scaleValue(1, 0, 1, 0, kMax), kMax);
    for (auto step : {+[] { scaleValue(1, 0, 0, 0, 10); },           // division by zero
                      +[] { scaleValue(0, 0, 0, 0, 10); },           // 0 / 0
                      +[] { scaleValue(1, 0, 1, -kMax - 1, kMax); }, // OutMax - OutMin
                      +[] { scaleValue(1e10f, 0, 1, 0, 1); }}) {     // beyond 32 bits
        EXPECT_THROW(step(), RuntimeError);
    }
}

TEST(scaleValue, PlacesBytesAndIndicesInTheBox) {
    EXPECT_EQ(byteToY(0, 300), 300);
    EXPECT_EQ(byteToY(255, 300), 0);
    EXPECT_EQ(byteToY(128, 300), 149);
    EXPECT_EQ(byteToY(127, 300), 151);
    EXPECT_EQ(indexToX(50, 99, 400), 202);
    EXPECT_EQ(indexToX(99, 99, 400), 400);
    EXPECT_EQ(indexToX(2000, 999, 577), 1155); // an end index past the sound lies past the box
    // The index goes through single precision: 16777217 becomes 16777216.
    EXPECT_EQ(indexToX(16'777'217, 20'000'000, 2'000'000'000), 1'677'721'600);
    // A one-sample slot has no width to spread over: all of it stands at x = 0.
    EXPECT_EQ(indexToX(0, 0, 577), 0);
    EXPECT_EQ(indexToX(7, 0, 577), 0);
}

TEST(FastTrace, MergesEachColumnIntoOneVerticalSegmentAndKeepsTheRest) {
    // x = 0, 1, 1, 2 and y = 127, 255, 0, 191: samples 1 and 2 share a column.
    const std::vector<QLine> expected{QLine(0, 127, 0, 127), QLine(0, 127, 1, 255),
                                      QLine(1, 0, 1, 255), QLine(1, 0, 2, 191)};
    EXPECT_EQ(reduceTrace(Bytes{128, 0, 255, 64}, 2, 255), expected);
    EXPECT_TRUE(reduceTrace(Bytes{}, 577, 129).empty());
    // However long the slot, a few segments per column.
    EXPECT_LE(reduceTrace(Bytes(3'000'000, 9), 577, 129).size(), 2u * 578u);
    // A mapping made for another sound is the program's own fault, not the user's.
    try {
        reduceTrace(Bytes(10, 9), WaveformMapping::whole(20, 577), 129);
        ADD_FAILURE() << "a mapping for 21 samples drew 10";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::Internal);
    }
}

enum class Pattern { Random, Alternating, Ramp, Silence, Spike };
struct Case {
    Pattern pattern;
    std::size_t count;
};
void PrintTo(const Case& c, std::ostream* out) {
    *out << "pattern " << static_cast<int>(c.pattern) << ", " << c.count << " samples";
}

Bytes samples(Pattern pattern, std::size_t count) {
    Bytes bytes(count, 128);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = pattern == Pattern::Random        ? static_cast<std::uint8_t>(random())
                   : pattern == Pattern::Alternating ? (i % 2 ? 255 : 0)
                   : pattern == Pattern::Ramp        ? static_cast<std::uint8_t>(i)
                                                     : 128;
    }
    if (pattern == Pattern::Spike) {
        bytes[count / 2] = 255;
    }
    return bytes;
}

class FastTraceMatchesLiteral : public testing::TestWithParam<Case> {};

TEST_P(FastTraceMatchesLiteral, PixelForPixel) {
    const Bytes bytes = samples(GetParam().pattern, GetParam().count);
    const auto last = static_cast<std::int32_t>(bytes.size()) - 1;
    for (const std::int32_t endIndex : {last, last / 3}) {
        const QImage literal = test::viewPicture({577, 129}, bytes, endIndex);
        const QImage fast = test::viewPicture({577, 129}, bytes, endIndex, true);
        ASSERT_EQ(fast, literal) << test::firstDifference(fast, literal);
    }
}

std::vector<Case> allCases() {
    std::vector<Case> cases;
    for (Pattern p :
         {Pattern::Random, Pattern::Alternating, Pattern::Ramp, Pattern::Silence, Pattern::Spike}) {
        for (std::size_t count : {1u, 2u, 577u, 578u, 10'000u, 1'000'000u}) {
            cases.push_back({p, count});
        }
    }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(PatternsAndSizes, FastTraceMatchesLiteral, testing::ValuesIn(allCases()));

TEST(FastTrace, MatchesLiteralForRandomBoxesSizesAndEndIndices) {
    std::mt19937 random(2024);
    const QSize boxes[] = {{1, 1}, {2, 3}, {3, 200}, {40, 17}, {577, 129}, {1000, 300}};
    for (int trial = 0; trial < 240; ++trial) {
        const QSize box = boxes[trial % std::size(boxes)];
        Bytes bytes(1 + random() % (trial % 3 ? 5000 : 40));
        int level = 128; // noise, a random walk, or hard clipping
        for (auto& b : bytes) {
            level = std::clamp(level + static_cast<int>(random() % 9) - 4, 0, 255);
            b = static_cast<std::uint8_t>(trial % 3 == 0   ? random()
                                          : trial % 3 == 1 ? level
                                                           : (random() % 2) * 255);
        }
        const auto endIndex = static_cast<std::int32_t>(random() % (bytes.size() + 5)) - 2;
        const QImage literal = test::viewPicture(box, bytes, endIndex);
        const QImage fast = test::viewPicture(box, bytes, endIndex, true);
        ASSERT_EQ(fast, literal) << test::firstDifference(fast, literal) << " in trial " << trial;
    }
}

} // namespace
} // namespace wtb
