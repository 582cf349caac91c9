#include "editing/LoopSeam.h"
#include "slots/DefaultKit.h"
#include "slots/SoundFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
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

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes periodic(std::int32_t length, const std::function<double(double)>& shape, double period) {
    Bytes bytes(static_cast<std::size_t>(length));
    for (std::int32_t i = 0; i < length; ++i) {
        const double phase = std::fmod(i / period, 1.0);
        bytes[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(std::lround(128 + 100 * shape(phase)));
    }
    return bytes;
}

// What every settled loop holds to: inside the kept samples, in order, at least two samples
// when two or more were wanted, each end within the reach, its jump measured by seamJump.
void expectWellFormed(std::span<const std::uint8_t> bytes, const Loop& wanted,
                      std::int32_t endIndex, std::int32_t reach, const SettledLoop& settled) {
    const std::int32_t kept = std::min(endIndex, static_cast<std::int32_t>(bytes.size()) - 1);
    EXPECT_GE(settled.loop.start, 0);
    EXPECT_LE(settled.loop.end, kept);
    EXPECT_LE(settled.loop.start + (wanted.length() >= 2 ? 1 : 0), settled.loop.end);
    const std::int32_t end = std::clamp(wanted.end, 0, kept);
    EXPECT_LE(std::abs(settled.loop.start - std::clamp(wanted.start, 0, end)), reach);
    EXPECT_LE(std::abs(settled.loop.end - end), reach);
    EXPECT_EQ(settled.jump, seamJump(bytes, settled.loop));
}

struct Sound {
    std::string name;
    Bytes bytes;
};

// Loops wanted at a spread of places in a sound: from a fifth to three fifths and so on.
std::vector<Loop> wantedLoopsIn(std::int32_t length) {
    std::vector<Loop> loops;
    for (const auto& [from, to] : {std::pair{0.2, 0.6}, {0.3, 0.8}, {0.45, 0.55}, {0.5, 0.95}}) {
        loops.push_back({static_cast<std::int32_t>(from * length) + 3,
                         static_cast<std::int32_t>(to * length) - 5});
    }
    return loops;
}

void expectSeamlessEverywhere(const std::vector<Sound>& sounds) {
    for (const Sound& sound : sounds) {
        const auto last = static_cast<std::int32_t>(sound.bytes.size()) - 1;
        for (const Loop& wanted : wantedLoopsIn(last + 1)) {
            SCOPED_TRACE(sound.name + " from " + std::to_string(wanted.start) + " to " +
                         std::to_string(wanted.end));
            const SettledLoop settled = snapLoop(sound.bytes, wanted, last);
            expectWellFormed(sound.bytes, wanted, last, kSnapReach, settled);
            EXPECT_LE(settled.jump, kSeamlessJump);
        }
    }
}

TEST(SnapLoop, FindsASeamlessJoinOnTonesOfAnyPeriod) {
    const auto sine = [](double p) { return std::sin(2 * M_PI * p); };
    const auto square = [](double p) { return p < 0.5 ? 1.0 : -1.0; };
    const auto saw = [](double p) { return 2 * p - 1; };
    const auto triangle = [](double p) { return p < 0.5 ? 4 * p - 1 : 3 - 4 * p; };
    const auto organ = [](double p) {
        return 0.6 * std::sin(2 * M_PI * p) + 0.3 * std::sin(6 * M_PI * p + 1);
    };
    expectSeamlessEverywhere({{"sine 37.3", periodic(6000, sine, 37.3)},
                              {"sine 401.7", periodic(6000, sine, 401.7)},
                              {"square 40.5", periodic(6000, square, 40.5)},
                              {"saw 64.7", periodic(6000, saw, 64.7)},
                              {"triangle 90.2", periodic(6000, triangle, 90.2)},
                              {"organ 123.4", periodic(6000, organ, 123.4)}});
}

TEST(SnapLoop, FindsASeamlessJoinOnRealSounds) {
    std::vector<Sound> sounds;
    for (const KitSound& kit : defaultKit()) {
        sounds.push_back({kit.name, kit.sound.bytes});
    }
    sounds.push_back(
        {"pluck", decodeSoundFile("/usr/lib/python3.11/test/audiodata/pluck-pcm16.wav").bytes});
    expectSeamlessEverywhere(sounds);
}

TEST(SnapLoop, LeavesASeamlessLoopWhereItIsAndHoldsTheEndIndexAndTheReach) {
    const Bytes sine = periodic(
        2000, [](double p) { return std::sin(2 * M_PI * p); }, 40);
    struct Case {
        const char* what;
        Loop wanted;
        std::int32_t endIndex;
        std::int32_t reach;
        std::optional<Loop> settled; // when it is known exactly
    };
    for (const Case& each : {
             Case{"whole periods", {100, 499}, 1999, kSnapReach, Loop{100, 499}},
             Case{"whole periods off the zero line", {113, 912}, 1999, kSnapReach, Loop{113, 912}},
             Case{"half a period out", {100, 519}, 1999, kSnapReach, std::nullopt},
             Case{"past the end index", {100, 1900}, 1500, kSnapReach, std::nullopt},
             Case{"past the last sample", {-40, 5000}, 9000, kSnapReach, std::nullopt},
             Case{"no reach", {100, 519}, 1999, 0, Loop{100, 519}},
             Case{"start after end", {700, 600}, 1999, 0, Loop{600, 600}},
             Case{"a couple of samples", {101, 517}, 1999, 2, std::nullopt},
         }) {
        SCOPED_TRACE(each.what);
        const SettledLoop settled = snapLoop(sine, each.wanted, each.endIndex, each.reach);
        expectWellFormed(sine, each.wanted, each.endIndex, each.reach, settled);
        if (each.settled) {
            EXPECT_EQ(settled.loop, *each.settled);
        } else {
            EXPECT_LE(settled.jump, kSeamlessJump);
        }
    }
}

TEST(SnapLoop, NeverJoinsWhereTheSoundTurnsBack) {
    // A triangle: the rising and the falling side pass the same levels. A loop from a falling
    // sample back to a rising one of the same level has no jump, yet reflects the wave.
    const Bytes triangle = periodic(
        3000, [](double p) { return p < 0.5 ? 4 * p - 1 : 3 - 4 * p; }, 100);
    const Loop reflecting{1075, 1225}; // 1075 falls through 128; 1225 rises through it
    ASSERT_LT((triangle[1076] - triangle[1075]) * (triangle[1225] - triangle[1224]), 0);
    ASSERT_EQ(seamJump(triangle, reflecting), 0);

    const SettledLoop settled = snapLoop(triangle, reflecting, 2999);
    const auto at = [&](std::int32_t i) { return int(triangle[static_cast<std::size_t>(i)]); };
    EXPECT_GE((at(settled.loop.end) - at(settled.loop.end - 1)) *
                  (at(settled.loop.start + 1) - at(settled.loop.start)),
              0);
    EXPECT_LE(settled.jump, kSeamlessJump);
}

TEST(SnapLoop, WithoutASeamlessJoinInReachKeepsTheSmallestJump) {
    // Random sounds and loops, checked against every join the windows hold.
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        const bool ramp = round % 4 == 0; // no seamless join anywhere near
        Bytes bytes(300);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = ramp ? static_cast<std::uint8_t>(i * 5 / 6)
                            : static_cast<std::uint8_t>(128 + int(random() % 61) - 30);
        }
        const auto start = static_cast<std::int32_t>(random() % 150);
        const Loop wanted{start, start + 20 + static_cast<std::int32_t>(random() % 120)};
        constexpr std::int32_t reach = 6;
        SCOPED_TRACE(std::to_string(round));
        const SettledLoop settled = snapLoop(bytes, wanted, 299, reach);
        expectWellFormed(bytes, wanted, 299, reach, settled);
        std::int32_t smallest = INT32_MAX;
        for (std::int32_t s = wanted.start - reach; s <= wanted.start + reach; ++s) {
            for (std::int32_t e = wanted.end - reach; e <= wanted.end + reach; ++e) {
                if (s >= 0 && e > s && e <= 299) {
                    smallest = std::min(smallest, seamJump(bytes, {s, e}));
                }
            }
        }
        EXPECT_LE(settled.jump, std::max(kSeamlessJump, smallest));
        if (ramp) {
            EXPECT_EQ(settled.jump, smallest);
            EXPECT_GT(settled.jump, kSeamlessJump);
        }
    }
}

TEST(SnapLoop, RefusesASoundThatKeepsNoSample) {
    const Bytes bytes(10, 128);
    for (const auto& [samples, endIndex] :
         {std::pair{std::span<const std::uint8_t>(bytes), -1}, {{}, 5}}) {
        try {
            snapLoop(samples, {0, 3}, endIndex);
            ADD_FAILURE() << "snapped";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Bounds);
        }
    }
}

} // namespace
} // namespace wtb
