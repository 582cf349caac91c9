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

} // namespace wtb
