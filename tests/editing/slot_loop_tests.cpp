// A slot's loop through the edits that change its samples or its end: resampling, normalising,
// trimming.
#include "editing/Normalise.h"
#include "editing/Resample.h"
#include "editing/SlotLoop.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes sine(std::int32_t length, double period, double amplitude = 100) {
    Bytes bytes(static_cast<std::size_t>(length));
    for (std::int32_t i = 0; i < length; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(
            std::lround(128 + amplitude * std::sin(2 * M_PI * i / period)));
    }
    return bytes;
}

Slot looped(const Bytes& bytes, std::int32_t endIndex, Loop loop, std::int32_t rate = 8000) {
    Slot slot = test::makeSlot(bytes, endIndex, "looped.wav", rate);
    slot.loop = loop;
    return slot;
}

TEST(LoopAtRate, LastsAsLongAtTheNewRate) {
    struct Case {
        LoopSpan loop;
        std::int32_t from, to;
        LoopSpan mapped;
    };
    for (const Case& each : {
             Case{{100, 399}, 8000, 8000, {100, 399}},
             Case{{100, 399}, 8000, 16000, {200, 799}},
             Case{{100, 399}, 16000, 8000, {50, 199}},
             Case{{1, 2}, 8000, 4000, {0, 1}}, // 0.5 -> 0 and 1.5 -> 2: halves to even
             Case{{3, 4}, 8000, 4000, {2, 1}}, // 1.5 -> 2, 2.5 -> 2: too short, for the caller
             Case{{44100, 88199}, 44100, 16384, {16384, 32767}},
             Case{{4'000'000'000, 4'000'000'099}, 48000, 96000, {8'000'000'000, 8'000'000'199}},
         }) {
        SCOPED_TRACE(std::to_string(each.loop.start) + " at " + std::to_string(each.to));
        EXPECT_EQ(loopAtRate(each.loop, each.from, each.to), each.mapped);
    }
}

TEST(CarryLoop, ClampsIntoTheKeptSamplesOrDropsWhatLiesPastThem) {
    const Bytes bytes = sine(1000, 50);
    struct Case {
        LoopSpan span;
        std::int32_t endIndex;
        std::optional<Loop> loop;
    };
    for (const Case& each : {
             Case{{100, 399}, 999, Loop{100, 399}},
             Case{{-3, 399}, 999, Loop{0, 399}},     // whole periods from the very start
             Case{{100, 1049}, 699, Loop{100, 699}}, // the end index, also whole periods
             Case{{700, 799}, 699, std::nullopt},
             Case{{300, 200}, 999, std::nullopt},
             Case{{0, 10}, -1, std::nullopt},
         }) {
        SCOPED_TRACE(std::to_string(each.span.start) + ".." + std::to_string(each.span.end));
        const std::optional<SettledLoop> carried = carryLoop(bytes, each.endIndex, each.span);
        EXPECT_EQ(carried ? std::optional(carried->loop) : std::nullopt, each.loop);
    }
}

TEST(SlotEndingAt, KeepsALoopBeforeTheEndPullsInOneItCutsAndDropsOneItPasses) {
    const Slot slot = looped(sine(2000, 40), 1999, {400, 1599});
    struct Case {
        std::int32_t endIndex;
        const char* what;
    };
    for (const Case& each :
         {Case{1999, "unchanged"}, Case{1599, "at the loop's end"}, Case{1700, "after it"},
          Case{1200, "into it"}, Case{431, "into it, two samples on from its start"},
          Case{401, "one sample on from its start"}, Case{400, "at its start"},
          Case{100, "before it"}}) {
        SCOPED_TRACE(each.what);
        const Slot trimmed = slotEndingAt(slot, each.endIndex);
        EXPECT_EQ(trimmed.endIndex, each.endIndex);
        EXPECT_EQ(trimmed.samples, slot.samples);
        if (each.endIndex >= 1599) {
            EXPECT_EQ(trimmed.loop, slot.loop);
        } else if (each.endIndex <= 400) {
            EXPECT_EQ(trimmed.loop, std::nullopt);
        } else {
            ASSERT_TRUE(trimmed.loop);
            EXPECT_TRUE(trimmed.holdsLoop(*trimmed.loop));
            EXPECT_GE(trimmed.loop->length(), 2);
            EXPECT_LE(seamJump(trimmed.samples.bytes(), *trimmed.loop), kSeamlessJump);
        }
    }
    // A slot without a loop only moves its end.
    Slot plain = slot;
    plain.loop.reset();
    Slot expected = plain;
    expected.endIndex = 700;
    EXPECT_EQ(slotEndingAt(plain, 700), expected);
}

TEST(ResampledSlot, CarriesTheLoopToTheSameTime) {
    struct Case {
        Loop loop;
        std::int32_t endIndex;
        std::int32_t rate;
        std::optional<Loop> exactly;
    };
    // 8000 Hz, a 40-sample period: 16000 doubles it, 11025 and 6000 make it fractional.
    for (const Case& each : {
             Case{{400, 1599}, 1999, 16000, Loop{800, 3199}},
             Case{{400, 1999}, 1999, 16000, Loop{800, 3999}}, // to the last sample, still
             Case{{400, 1599}, 1999, 11025, std::nullopt},
             Case{{400, 1599}, 1999, 6000, std::nullopt},
             Case{{37, 1236}, 1500, 11025, std::nullopt},
         }) {
        SCOPED_TRACE(each.rate);
        const Slot slot = looped(sine(2000, 40), each.endIndex, each.loop);
        const Slot resampled = resampledSlot(slot, each.rate);
        ASSERT_TRUE(resampled.loop);
        EXPECT_TRUE(resampled.holdsLoop(*resampled.loop));
        if (each.exactly) {
            EXPECT_EQ(resampled.loop, each.exactly);
        }
        const double scale = each.rate / 8000.0;
        EXPECT_NEAR(resampled.loop->start, each.loop.start * scale, 1 + kCarriedLoopReach);
        EXPECT_NEAR(resampled.loop->length(), each.loop.length() * scale,
                    1 + 2 * kCarriedLoopReach);
        EXPECT_LE(seamJump(resampled.samples.bytes(), *resampled.loop), kSeamlessJump);
    }
    // A sound too short to hold the loop at the new rate keeps none.
    const Slot tiny = looped({128, 200, 128, 60}, 3, {1, 3});
    EXPECT_EQ(resampledSlot(tiny, 1000).loop, std::nullopt);
}

TEST(NormalisedSlot, KeepsTheLoop) {
    const Slot quiet = looped(sine(800, 40, 30), 700, {100, 499});
    const Slot loud = normalisedSlot(quiet);
    EXPECT_NE(loud.samples, quiet.samples);
    EXPECT_EQ(loud.loop, quiet.loop);
    EXPECT_LE(seamJump(loud.samples.bytes(), *loud.loop), kSeamlessJump);
}

} // namespace
} // namespace wtb
