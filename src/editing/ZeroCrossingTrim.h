#pragma once

#include "slots/SlotBank.h"

#include <cstdint>
#include <optional>
#include <span>

namespace wtb {

// Where the end index settles when the slider is clicked at `sliderValue`: starting from the
// slider value, the end index is stepped back one sample at a time until the samples on
// either side of it straddle the zero line (128), or it reaches 127, or the walk runs out of
// steps. The number of steps is bounded by the distance from the slider value up to the last
// index of `waveData`, so a slider value past the last index takes no step at all.
//
// The walk never reads outside `waveData` and never gives an index below 0: a step that
// would bring the end index to 0 or below has no sample before it to compare with, and the
// walk ends there at 0, the start of the sound.
//
// Gives nothing when `waveData` is empty: there is no sound to search, so the end index is
// left as it was.
std::optional<std::int32_t> zeroCrossingEnd(std::span<const std::uint8_t> waveData,
                                            std::int32_t sliderValue);

// The slider's click on the current slot: its end index becomes the trimmed slider value.
// When WaveData does not hold the current slot's bytes (another slot's, or none because the
// current slot has no samples), nothing changes and the result is false.
bool trimCurrentSlot(SlotBank& bank, std::int32_t sliderValue);

} // namespace wtb
