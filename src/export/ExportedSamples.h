#pragma once

#include "slots/Slot.h"

#include <cstdint>
#include <span>
#include <vector>

namespace wtb {

// All of the slot's samples, after refusing what the export cannot write: a slot without
// samples, an end index below -1 or past the last sample, and a loop outside the samples the
// table keeps (0 to the end index). The bounds error names slot number `slotNumber` and the
// numbers.
std::span<const std::uint8_t> exportableSamples(const Slot& slot, std::int16_t slotNumber);

// The samples the sketch's table holds for one slot, as 8-bit unsigned bytes: samples 0 to the
// end index, the first and the last on the zero line (128), so the sound starts and ends
// without a click. A sample the slot's loop starts or ends on keeps its level: the loop repeats
// it, and a zero-line sample there would click on every pass. Empty for an end index of -1.
// Refuses what exportableSamples refuses.
std::vector<std::uint8_t> exportedSamples(const Slot& slot, std::int16_t slotNumber);

} // namespace wtb
