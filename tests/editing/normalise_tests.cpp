#include "editing/Normalise.h"
#include "slots/SoundFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <random>
#include <span>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

int largestDistance(std::span<const std::uint8_t> bytes) {
    int peak = 0;
    for (std::uint8_t byte : bytes) {
        peak = std::max(peak, std::abs(byte - 128));
    }
    return peak;
}

TEST(NormaliseBytes, ScalesTheLargestDistanceTo127RoundingToNearest) {
    const std::vector<std::pair<Bytes, Bytes>> cases{
        // peak 64: -28 * 127 / 64 = -55.56
        {{128, 192, 64, 100}, {128, 255, 1, 72}},
        // peak 128 below the line: it lands on 1, and 127 above shrinks to 126
        {{255, 0, 129}, {254, 1, 129}},
        // peak 2: the halves +-63.5 go away from the zero line, symmetrically
        {{130, 129, 127, 126}, {255, 192, 64, 1}},
        {{128, 128, 128}, {128, 128, 128}},
        {{}, {}},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(normaliseBytes(input), expected);
    }
}

TEST(NormaliseBytes, ReachesFullScaleAndKeepsEverySampleOnItsSide) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 200; ++trial) {
        const int spread = 1 + int(random() % 128);
        Bytes bytes(1 + random() % 300);
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(128 - spread / 2 + int(random() % spread));
        }
        const Bytes result = normaliseBytes(bytes);
        if (bytes == Bytes(bytes.size(), 128)) {
            EXPECT_EQ(result, bytes);
            continue;
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            EXPECT_EQ(bytes[i] >= 128, result[i] >= 128); // the zero crossings stay
        }
        EXPECT_EQ(largestDistance(result), 127);
        EXPECT_EQ(normaliseBytes(result), result);
    }
}

} // namespace
} // namespace wtb

namespace wtb {
namespace {

TEST(NormaliseLevels, ScalesLevelsBetweenStepsByTheSameRuleRoundingOnce) {
    const std::vector<std::pair<std::vector<double>, Bytes>> cases{
        // peak 63.5: 31.75 becomes 63.5, a half, away from the line
        {{-63.5, 31.75, 0.0, -0.2}, {1, 192, 128, 128}},
        // 0.3 and 0.29 would both be 128 if rounded to steps before scaling
        {{0.3, 0.29, -0.1}, {255, 251, 86}},
        {{0.0, 0.0}, {128, 128}},
    };
    for (const auto& [levels, expected] : cases) {
        EXPECT_EQ(normaliseLevels(levels), expected);
    }
}

} // namespace
} // namespace wtb
