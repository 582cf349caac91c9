#pragma once

#include "slots/Slot.h"

#include <cstdint>
#include <span>

namespace wtb {

// How many steps of 8-bit level the step at the loop's seam (from its end sample back to its
// start sample) is larger than the sound's own steps beside it: the step into the end sample
// and the step out of the start sample, those within the loop. 0 is a join no larger than the
// sound's own motion; a click is a jump of many steps. The loop must lie within `samples`.
std::int32_t seamJump(std::span<const std::uint8_t> samples, const Loop& loop);

// The largest seam jump that still counts as seamless.
inline constexpr std::int32_t kSeamlessJump = 2;

// How far each end of a loop set by hand may move to find a seamless join: both ends together
// can shift the loop by a period of up to 1,024 samples, a tone of 16 Hz at 16,384 Hz.
inline constexpr std::int32_t kSnapReach = 512;

// A loop after its ends were moved to a seamless join, and the jump left at its seam.
struct SettledLoop {
    Loop loop;
    std::int32_t jump = 0;

    bool operator==(const SettledLoop&) const = default;
};

// Moves both ends of `wanted` to the nearest join that is seamless:
// - the seam's jump (seamJump) is at most kSeamlessJump;
// - the slopes into the end sample and out of the start sample do not point opposite ways;
// - the end and start samples lie on the same side of the zero line (128), or the seam crosses
//   it the way the sound is moving.
// Nearest is the least movement of both ends together; among joins as near, the smaller jump,
// then the closer slopes, win. Where no join within `reach` of either end is seamless, the best
// one there is kept (the smallest jump, then the fewest failed conditions, the closer slopes,
// the least movement), and its jump tells how far from seamless it is.
//
// The wanted ends are first clamped into 0..the last index the sketch keeps (the end index, or
// the last sample when that is lower), the start no later than the end. The loop settles within
// that range, start <= end, and keeps at least two samples when it was wanted with two or more.
// Each end moves at most `reach` samples, so the work is bounded whatever the sound's length.
// Raises a bounds error when no sample is kept (end index below 0, or no samples).
SettledLoop snapLoop(std::span<const std::uint8_t> samples, const Loop& wanted,
                     std::int32_t endIndex, std::int32_t reach = kSnapReach);

} // namespace wtb
