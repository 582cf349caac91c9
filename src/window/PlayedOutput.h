#pragma once

#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <cstdint>
#include <vector>

namespace wtb {

// What "Play output" plays of a slot: the samples the board plays in `format` (8-bit PCM as
// the sketch holds them, ADPCM as the board decodes them), cut at the slot's loop. The attack
// is what comes before the loop's start, the loop its samples start..end, the tail what follows
// up to the end index. A slot without a loop is all attack.
struct PlayedOutput {
    std::vector<std::uint8_t> attack;
    std::vector<std::uint8_t> loop;
    std::vector<std::uint8_t> tail;
};

// Raises what the export raises for the slot, and a bounds error naming slot `slotNumber` when
// its loop lies outside the samples the sketch keeps.
PlayedOutput playedOutput(const Slot& slot, std::int16_t slotNumber, SampleFormat format);

} // namespace wtb
