#pragma once

#include "slots/Slot.h"

#include <cstdint>
#include <span>
#include <vector>

namespace wtb {

// 8-bit samples converted from one rate to another, anti-aliased, rounded to 8 bits once; the
// result holds resampledLength samples (Resampler.h). Raises a bounds error for a target rate
// outside kLowestTargetRate..kHighestTargetRate, and a size error, before anything is allocated,
// for a result longer than a slot holds or larger than the memory the program can have.
std::vector<std::uint8_t> resampleBytes(std::span<const std::uint8_t> bytes, std::int32_t fromRate,
                                        std::int32_t toRate);

// Where an end index lands when a sound of `oldLength` samples was converted to `newBytes`:
// - an end at the last sample stays at the last sample;
// - an end below 0 stays as it is (-1 exports nothing; lower values are left for the export
//   to refuse, as before);
// - any other end maps to the same time, round(end * toRate / fromRate) halves to even, no
//   further than the new last sample when it was inside the sound, and is then walked back to
//   a zero crossing exactly as the end-point slider's trim does.
std::int32_t resampledEndIndex(std::int32_t endIndex, std::int32_t oldLength,
                               std::span<const std::uint8_t> newBytes, std::int32_t fromRate,
                               std::int32_t toRate);

// The slot at `targetRate`, its end index moved along, its loop carried to the same time and
// snapped within a couple of samples (carryLoop; dropped only when the sound came out too
// short to hold it); the same slot when already there.
// Raises a bounds error for a target rate outside the range or a result without samples (with
// the lowest rate that keeps one), and what resampleBytes raises, before anything is allocated.
Slot resampledSlot(const Slot& slot, std::int32_t targetRate);

} // namespace wtb
