#include "editing/LoopSeam.h"
#include "editing/SlotImport.h"
#include "editing/StartTrim.h"
#include "editing/ZeroCrossingTrim.h"
#include "support/TestSupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace wtb {
namespace {

using test::Bytes;

// `silence` samples of 128, a 500 Hz tone at 8000 Hz of `amplitude` for `toneLength` samples,
// starting on the zero line, then `silence` samples of 128 again.
Bytes toneInSilence(std::int32_t silence, std::int32_t toneLength, double amplitude) {
    Bytes bytes(static_cast<std::size_t>(silence), 128);
    for (std::int32_t i = 0; i < toneLength; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(
            128 + std::lround(amplitude * std::sin(2 * M_PI * 500 * (i + 0.5) / 8000))));
    }
    bytes.insert(bytes.end(), static_cast<std::size_t>(silence), 128);
    return bytes;
}

bool quiet(std::uint8_t sample, std::int32_t threshold) {
    return std::abs(sample - 128) <= threshold;
}

Bytes bytesOf(const Slot& slot) {
    return {slot.samples.bytes().begin(), slot.samples.bytes().end()};
}

struct StartCase {
    const char* name;
    Bytes bytes;
    std::int32_t index;
    std::int32_t last;
    std::int32_t expected;
};

TEST(StartCutIndex, MovesForwardToTheNextZeroCrossingNoFurtherThanTheLastIndex) {
    const Bytes rising = {100, 110, 120, 130, 140, 150, 120, 100};
    const std::vector<StartCase> cases{
        {"at the first sample nothing moves", rising, 0, 7, 0},
        {"forward to the rise", rising, 1, 7, 3},
        {"on the rise itself", rising, 3, 7, 3},
        {"forward to the fall", rising, 4, 7, 6},
        {"no crossing by the last index: the index itself", rising, 4, 5, 4},
        {"one side only: the index itself", Bytes(10, 128), 4, 9, 4},
        {"128 counts as the upper side", {127, 128, 128, 127}, 1, 3, 1},
        {"the fall onto 127", {127, 128, 128, 127}, 2, 3, 3},
    };
    for (const StartCase& each : cases) {
        SCOPED_TRACE(each.name);
        EXPECT_EQ(startCutIndex(each.bytes, each.index, each.last), each.expected);
    }
    for (const auto& [index, last] : {std::pair{-1, 7}, {8, 7}, {5, 4}, {0, 8}, {0, -1}}) {
        SCOPED_TRACE(std::to_string(index) + " up to " + std::to_string(last));
        EXPECT_THROW(startCutIndex(rising, index, last), RuntimeError);
    }
}

struct CutCase {
    const char* name;
    std::int32_t endIndex;
    std::optional<Loop> loop;
    std::int32_t index;
    std::int32_t removed;
    std::int32_t endAfter;
    std::optional<Loop> loopAfter;
    LoopAfterCut loopFate;
};

// 0..9 below the line, 10..19 above, 20..29 below, 30..39 above.
Bytes squareWave() {
    Bytes bytes;
    for (int half = 0; half < 4; ++half) {
        bytes.insert(bytes.end(), 10, half % 2 == 0 ? 90 : 170);
    }
    return bytes;
}

TEST(CutStart, RemovesTheSamplesBeforeTheCrossingAndMovesTheEndAndTheLoopWithTheSound) {
    const Bytes square = squareWave();
    const std::vector<CutCase> cases{
        {"no loop", 39, std::nullopt, 4, 10, 29, std::nullopt, LoopAfterCut::None},
        {"at a crossing", 35, std::nullopt, 20, 20, 15, std::nullopt, LoopAfterCut::None},
        {"loop after the cut", 39, Loop{22, 33}, 12, 20, 19, Loop{2, 13}, LoopAfterCut::Kept},
        {"loop begun before the cut", 39, Loop{5, 33}, 12, 20, 19, Loop{0, 13},
         LoopAfterCut::Shortened},
        {"loop ended before the cut", 39, Loop{2, 8}, 12, 20, 19, std::nullopt,
         LoopAfterCut::Removed},
        {"loop starting at the cut", 39, Loop{20, 30}, 15, 20, 19, Loop{0, 10}, LoopAfterCut::Kept},
        {"no crossing before the end index: cut at the index", 25, std::nullopt, 22, 22, 3,
         std::nullopt, LoopAfterCut::None},
        {"a slot outside the table keeps its end", -1, std::nullopt, 25, 30, -1, std::nullopt,
         LoopAfterCut::None},
        {"index 0 changes nothing", 39, Loop{3, 9}, 0, 0, 39, Loop{3, 9}, LoopAfterCut::Kept},
    };
    for (const CutCase& each : cases) {
        SCOPED_TRACE(each.name);
        Slot slot = test::makeSlot(square, each.endIndex);
        slot.loop = each.loop;
        const StartCut cut = cutStart(slot, each.index);
        EXPECT_EQ(cut.removed, each.removed);
        EXPECT_EQ(bytesOf(cut.slot), Bytes(square.begin() + each.removed, square.end()));
        EXPECT_EQ(cut.slot.endIndex, each.endAfter);
        EXPECT_EQ(cut.slot.loop, each.loopAfter);
        EXPECT_EQ(cut.loop, each.loopFate);
        EXPECT_EQ(cut.slot.sampleRate, slot.sampleRate);
        EXPECT_EQ(cut.slot.name, slot.name);
        if (cut.slot.loop) {
            EXPECT_TRUE(cut.slot.holdsLoop(*cut.slot.loop));
        }
    }
}

TEST(CutStart, RefusesACutThatWouldLeaveTheTableNothingOrLiesOutsideTheSound) {
    const Slot slot = test::makeSlot(squareWave(), 25);
    for (const std::int32_t index : {-1, 26, 40}) {
        SCOPED_TRACE(index);
        EXPECT_THROW(cutStart(slot, index), RuntimeError);
    }
    EXPECT_EQ(lastStartCut(slot), 25);
    EXPECT_EQ(lastStartCut(test::makeSlot(squareWave(), -1)), 39);
    EXPECT_EQ(lastStartCut(test::makeSlot(squareWave(), 900)), 39); // hand-edited past the end
    EXPECT_THROW(cutStart(test::makeSlot({}, -1), 0), RuntimeError);
}

struct SilenceCase {
    const char* name;
    Bytes bytes;
    std::int32_t endIndex;
    std::optional<Loop> loop;
    std::int32_t threshold;
    std::int32_t removed;
    std::int32_t endAfter; // in the trimmed slot
    bool silent;
};

TEST(TrimSilence, RemovesTheQuietHeadAndEndsJustAfterTheLastLoudSampleAtACrossing) {
    const Bytes tone = toneInSilence(300, 400, 100); // loud from 300 to 699
    // Quiet on both sides of the line after the tone: the end walks to the next crossing.
    Bytes wavering = toneInSilence(50, 100, 60);
    std::fill(wavering.begin() + 150, wavering.end(), 129);
    wavering[160] = 127;
    // Hiss of one step around the line before and after a tone.
    Bytes hiss = toneInSilence(100, 160, 40);
    for (std::size_t i = 0; i < hiss.size(); ++i) {
        if (hiss[i] == 128) {
            hiss[i] = static_cast<std::uint8_t>(i % 3 == 0 ? 127 : 129);
        }
    }
    const std::vector<SilenceCase> cases{
        {"a tone in silence", tone, 999, std::nullopt, 2, 299, 401, false},
        {"the end index already earlier", tone, 500, std::nullopt, 2, 299, 201, false},
        {"a quiet tail that crosses the line later", wavering, 199, std::nullopt, 2, 49, 111,
         false},
        {"one step of hiss is quiet by default", hiss, 359, std::nullopt, kDefaultSilenceThreshold,
         99, 161, false},
        {"threshold 0 keeps the hiss", hiss, 359, std::nullopt, 0, 0, 359, false},
        {"a loop in the head is kept", tone, 999, Loop{100, 650}, 2, 100, 600, false},
        {"a loop in the tail is kept", tone, 999, Loop{400, 900}, 2, 299, 601, false},
        {"all quiet", Bytes(500, 129), 499, std::nullopt, 2, 0, 499, true},
        {"outside the table", tone, -1, std::nullopt, 2, 0, -1, false},
        {"loud from the first sample", Bytes(20, 200), 19, std::nullopt, 2, 0, 19, false},
    };
    for (const SilenceCase& each : cases) {
        SCOPED_TRACE(each.name);
        Slot slot = test::makeSlot(each.bytes, each.endIndex);
        slot.loop = each.loop;
        const SilenceTrim trim = trimSilence(slot, each.threshold);
        EXPECT_EQ(trim.removed, each.removed);
        EXPECT_EQ(trim.silent, each.silent);
        EXPECT_EQ(bytesOf(trim.slot), Bytes(each.bytes.begin() + each.removed, each.bytes.end()));
        EXPECT_EQ(trim.slot.endIndex, each.endAfter);
        if (each.loop) {
            ASSERT_TRUE(trim.slot.loop);
            EXPECT_EQ(trim.slot.loop->start, each.loop->start - each.removed);
            EXPECT_EQ(trim.slot.loop->length(), each.loop->length());
            EXPECT_TRUE(trim.slot.holdsLoop(*trim.slot.loop));
        }
    }
    for (const std::int32_t threshold : {-1, 128}) {
        EXPECT_THROW(trimSilence(test::makeSlot(tone, 999), threshold), RuntimeError) << threshold;
    }
}

// What a silence trim promises, on any sound and threshold: no loud sample the table kept is
// lost, everything removed is quiet, the sound starts on a quiet sample, and the end lies
// where the sound crosses the line or on the first quiet sample after the last loud one.
void expectSilenceTrimHolds(const Slot& slot, std::int32_t threshold) {
    const SilenceTrim trim = trimSilence(slot, threshold);
    const Bytes before = bytesOf(slot);
    const Bytes after = bytesOf(trim.slot);
    ASSERT_EQ(after, Bytes(before.begin() + trim.removed, before.end()));
    std::int32_t firstLoud = -1;
    std::int32_t lastLoud = -1;
    for (std::int32_t i = 0; i <= slot.endIndex; ++i) {
        if (!quiet(before[i], threshold)) {
            firstLoud = firstLoud < 0 ? i : firstLoud;
            lastLoud = i;
        }
    }
    ASSERT_GE(firstLoud, 0) << "a sound with something above the threshold";
    EXPECT_FALSE(trim.silent);
    EXPECT_EQ(trim.removed, std::max(firstLoud - 1, 0));
    EXPECT_TRUE(trim.removed == 0 || quiet(after[0], threshold));
    const std::int32_t end = trim.slot.endIndex + trim.removed; // in the old samples
    EXPECT_GE(end, std::min(lastLoud + 1, slot.endIndex));
    EXPECT_LE(end, slot.endIndex);
    for (std::int32_t i = lastLoud + 1; i <= end; ++i) {
        EXPECT_TRUE(quiet(before[i], threshold)) << "sample " << i << " kept after the sound";
    }
    EXPECT_TRUE(end == lastLoud + 1 || end == slot.endIndex || crossesZeroLineAt(before, end))
        << "end " << end;
}

TEST(TrimSilence, KeepsItsPromisesOnTheFreedesktopBellAtEveryThreshold) {
    const QString bell = "/usr/share/sounds/freedesktop/stereo/bell.oga";
    ASSERT_TRUE(QFileInfo::exists(bell))
        << "scripts/install-deps.sh installs sound-theme-freedesktop";
    const Slot slot = slotFromFile(bell);
    for (std::int32_t threshold = 0; threshold <= 12; ++threshold) {
        SCOPED_TRACE("threshold " + std::to_string(threshold));
        expectSilenceTrimHolds(slot, threshold);
    }
    // Its first sixth is a low rumble of up to seven steps, not silence: the default keeps
    // it, seven steps take it away.
    EXPECT_LT(trimSilence(slot, kDefaultSilenceThreshold).removed, slot.sampleCount() / 100);
    EXPECT_GT(trimSilence(slot, 7).removed, slot.sampleCount() * 15 / 100);
}

TEST(TrimSilence, KeepsItsPromisesOnTonesOfEveryLevelInSilence) {
    for (const double amplitude : {1.0, 2.5, 4.0, 30.0, 127.0}) {
        for (const std::int32_t threshold : {0, 1, 2, 3}) {
            SCOPED_TRACE("amplitude " + std::to_string(amplitude) + ", threshold " +
                         std::to_string(threshold));
            const Bytes bytes = toneInSilence(77, 333, amplitude);
            const Slot slot = test::makeSlot(bytes, static_cast<std::int32_t>(bytes.size()) - 1);
            const bool allQuiet = std::all_of(bytes.begin(), bytes.end(),
                                              [&](std::uint8_t b) { return quiet(b, threshold); });
            if (allQuiet) {
                EXPECT_TRUE(trimSilence(slot, threshold).silent);
                EXPECT_EQ(trimSilence(slot, threshold).slot, slot);
            } else {
                expectSilenceTrimHolds(slot, threshold);
            }
        }
    }
}

TEST(CutStart, OnTheBellLeavesALoopSeamAsItWas) {
    const Slot bell = slotFromFile("/usr/share/sounds/freedesktop/stereo/bell.oga");
    Slot looped = bell;
    looped.loop = Loop{2000, 3000};
    const std::int32_t seam = seamJump(bell.samples.bytes(), *looped.loop);
    const StartCut cut = cutStart(looped, 969);
    ASSERT_TRUE(cut.slot.loop);
    EXPECT_TRUE(crossesZeroLineAt(bell.samples.bytes(), cut.removed));
    EXPECT_GE(cut.removed, 969);
    EXPECT_EQ(seamJump(cut.slot.samples.bytes(), *cut.slot.loop), seam);
    EXPECT_EQ(cut.slot.endIndex, bell.endIndex - cut.removed);
}

} // namespace
} // namespace wtb
