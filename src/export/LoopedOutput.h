#pragma once

#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <cstdint>
#include <vector>

namespace wtb {

// What the board plays for a slot, cut where its loop turns, as 8-bit unsigned samples (zero
// line 128) played at the slot's rate: the attack (samples 0 up to the loop's start), the loop
// (its start to its end, both) and the tail (after the loop's end, to the end index). Without a
// loop the whole sound is the attack, and the loop and the tail are empty.
struct LoopedOutput {
    std::vector<std::uint8_t> attack;
    std::vector<std::uint8_t> loop;
    std::vector<std::uint8_t> tail;

    // What the board plays from Zozedovad_Play to its rest when Zozedovad_Release() comes during
    // the loop's pass number `passes` (the first is 1; a release before the loop lets it play
    // once): the attack, the loop `passes` times, the tail. Without a loop, the whole sound.
    // Raises a bounds error for `passes` below 1, an overflow error past 32-bit sizes.
    std::vector<std::uint8_t> played(std::int32_t passes) const;

    bool operator==(const LoopedOutput&) const = default;
};

// The slot as the player sketch plays it in `format`: in PCM its exported samples; in ADPCM the
// samples the board decodes from them (encoded on their own, as previewAdpcm does; on the Mega
// the 0x21 guard may choose a few codes otherwise in the written table). The board restarts a
// loop in ADPCM from the decoder's state kept at its start, so every pass gives the loop's
// samples as the first did. Raises what the export raises for the slot.
LoopedOutput loopedOutput(const Slot& slot, std::int16_t slotNumber, SampleFormat format);

} // namespace wtb
