#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace wtb {

// Where a slot's end index settles when the user picks `index` (a click on the end-point
// slider, Return on it, or the shell's trim): starting from `index`, the end index is stepped
// back one sample at a time until the samples on either side of it straddle the zero line
// (128), or it reaches 127, or the walk runs out of steps. The number of steps is bounded by
// the distance from `index` up to the last index of `samples`, so an index past the last one
// takes no step at all.
//
// The walk never reads outside `samples` and never gives an index below 0: a step that would
// bring the end index to 0 or below has no sample before it to compare with, and the walk ends
// there at 0, the start of the sound.
//
// Gives nothing when `samples` is empty: there is no sound to search, so the end index is left
// as it was.
std::optional<std::int32_t> zeroCrossingEnd(std::span<const std::uint8_t> samples,
                                            std::int32_t index);

// Whether the samples at `index` - 1 and `index` lie on opposite sides of the zero line, as the
// walk above judges them (a sample of 128 or more is on the upper side): the sound crosses the
// line just before `index`. False for index 0, which has no sample before it. Raises a bounds
// error for an index past the last sample.
bool crossesZeroLineAt(std::span<const std::uint8_t> samples, std::int32_t index);

} // namespace wtb
