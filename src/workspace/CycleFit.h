#pragma once

#include "editing/SingleCycle.h"
#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <cstdint>
#include <optional>
#include <string>

namespace wtb {

// A single cycle made for a player, and the index it was taken around.
struct FittedCycle {
    SingleCycle cycle;
    std::int32_t at = 0;
};

// One cycle of `slot` (slot `number`, named in messages) around `at` (by default the middle
// of the kept samples, defaultCycleIndex), of the most cells up to `length` whose rate the
// player of `format` plays (playerHighestRate): a higher pitch takes a shorter table. A slot
// that is a single cycle already gives its own pitch again at the new length. Raises, naming
// the slot, what singleCycle raises for the length asked, or that even the shortest table
// plays too fast.
FittedCycle fitSingleCycle(const Slot& slot, std::int16_t number, std::int32_t length,
                           std::optional<std::int32_t> at, SampleFormat format);

// Refuses to resample the single cycle in slot `number` to `rate`: the message says why, and
// what to do instead.
[[noreturn]] void raiseSingleCycleKeepsRate(std::int16_t number, const Slot& slot,
                                            std::int32_t rate);

} // namespace wtb
