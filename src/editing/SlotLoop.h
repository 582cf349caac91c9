#pragma once

#include "editing/LoopSeam.h"
#include "slots/Slot.h"

#include <cstdint>
#include <optional>
#include <span>

namespace wtb {

// How far each end of a loop carried over to new samples (from its file at import, or from the
// slot's sound before a resample) may move to a smoother join: a couple of samples, enough to
// undo the rounding of the conversion while the loop stays where its maker put it. A carried
// loop whose join is already seamless does not move at all.
inline constexpr std::int32_t kCarriedLoopReach = 2;

// A loop's first and last sample, 64-bit so that a file's frame numbers fit.
struct LoopSpan {
    std::int64_t start = 0;
    std::int64_t end = 0;

    bool operator==(const LoopSpan&) const = default;
};

// The same stretch of time in a sound converted from `fromRate` to `toRate`: the start at
// round(start * toRate / fromRate), the end where the loop still lasts as long,
// round((end + 1) * toRate / fromRate) - 1, halves to even. Not clamped to any sound.
LoopSpan loopAtRate(const LoopSpan& loop, std::int32_t fromRate, std::int32_t toRate);

// The loop `span` carried onto `samples` whose sketch keeps 0..endIndex: clamped into that
// range and snapped within kCarriedLoopReach (snapLoop). Nothing when it starts past the end
// index, or no sample is kept.
std::optional<SettledLoop> carryLoop(std::span<const std::uint8_t> samples, std::int32_t endIndex,
                                     const LoopSpan& span);

// The slot with its end index moved to `endIndex` and its loop kept within the samples the
// sketch then keeps: a loop that still ends at or before the end index stays as it was; one
// the new end index cuts into has its end pulled in to the end index and both ends snapped
// again (snapLoop, the loop settling at or before the end index); one that would keep fewer
// than two samples (the end index at or before its start) is dropped. Undo brings it back.
Slot slotEndingAt(const Slot& slot, std::int32_t endIndex);

} // namespace wtb
