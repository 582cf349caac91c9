#pragma once

#include "slots/Slot.h"

#include <cstdint>

namespace wtb {

inline constexpr std::int32_t kDefaultCycleLength = 256;

// The most the seam of a single cycle's loop may jump (seamJump), in 8-bit steps.
inline constexpr std::int32_t kCycleSeamLimit = 2;

// The index a cycle is taken around when none is given: the middle of the kept samples,
// past a plucked or struck sound's attack and before its tail fades into the 8-bit floor.
// -1 for a slot that keeps no sample.
std::int32_t defaultCycleIndex(const Slot& slot);

struct SingleCycle {
    Slot slot;                 // the cycle, looped whole, at the rate that plays its pitch
    double frequency = 0.0;    // the fundamental found, Hz
    std::int32_t seamJump = 0; // of the loop from the last cell back to the first
};

// One period of the slot's sound around `at` (an index of the kept samples), as a table of
// `length` cells:
// - the fundamental period is measured around `at` (fundamentalPeriod), with its fraction;
// - one period is cut from an upward crossing of the sound's centre line (its mean over the
//   periods about `at`) near `at` to exactly one period later: of the crossings within half a
//   period of `at`, the one whose period-later point lies nearest the line, so the cut matches;
//   what is left of that mismatch is spread over the cycle as a straight ramp, so the table
//   joins itself without a step even where the sound swells or fades;
// - it is read at `length` equal steps through a band-limited interpolation whose cutoff lies
//   below the table's own half rate, so no partial too high for the table folds back;
// - it is normalised (normaliseLevels), its loop set to the whole table, its end index to the
//   last cell, and its rate to round(length x frequency), so it plays at the recorded pitch;
// - its key map plays it on every note, rooted at the note of that pitch (keyRangeOfPitch).
// The name stays. Raises a bounds error for a length that is not a power of two 32..2048, an
// index outside the kept samples, or a pitch whose rate falls outside
// kLowestTargetRate..kHighestTargetRate (naming a length that would fit), and a sound error
// when no pitch is found there (too short, silent, or not repeating itself).
SingleCycle singleCycle(const Slot& slot, std::int32_t length, std::int32_t at);

} // namespace wtb
