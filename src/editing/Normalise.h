#pragma once

#include "slots/Slot.h"

#include <cstdint>
#include <span>
#include <vector>

namespace wtb {

// 8-bit samples scaled so the largest distance from the zero line (128) becomes 127, each
// rounded to nearest (halves away from the zero line, so the scaling stays symmetric).
// Samples keep their side of the zero line, so every zero crossing stays where it was. A
// silent sound (all 128) comes back as it is.
std::vector<std::uint8_t> normaliseBytes(std::span<const std::uint8_t> bytes);

// Levels measured in 8-bit steps from the zero line, at full resolution, scaled by the same
// rule so the largest distance becomes 127 and rounded to 8 bits once. All zero comes back
// as all 128.
std::vector<std::uint8_t> normaliseLevels(std::span<const double> levels);

// The slot normalised; its rate, end index and loop stay (the crossings the end sits at stay,
// and the loop's samples keep their sides and directions, scaled as the rest of the sound).
Slot normalisedSlot(const Slot& slot);

} // namespace wtb
