#pragma once

#include "slots/SlotBank.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace wtb {

// What the slot edits work on: a slot's 8-bit samples, their rate and its end index. The
// edits are pure functions from one SlotSound to another; the bank is read and written only
// by the two functions below.
struct SlotSound {
    std::vector<std::uint8_t> bytes;
    std::int32_t rate = 0;
    std::int32_t endIndex = -1;

    bool operator==(const SlotSound&) const = default;
};

// The slot's samples, rate and end index; raises a sound error when the slot holds no sound.
SlotSound slotSoundOf(const SlotBank& bank, std::int16_t slot);

// Gives each listed slot its new sound, rate and end index; names stay. Every new buffer is
// made before any slot changes, so a failure leaves every slot as it was.
void storeSlotSounds(SlotBank& bank, std::vector<std::pair<std::int16_t, SlotSound>> changes);

// Everything an edit of a slot can change: its sound and its name. Taken before and after an
// edit, it lets the edit be undone and redone exactly.
struct SlotSnapshot {
    SlotSound sound;
    std::string name;
};

SlotSnapshot takeSlotSnapshot(const SlotBank& bank, std::int16_t slot);
void restoreSlotSnapshot(SlotBank& bank, std::int16_t slot, const SlotSnapshot& snapshot);

} // namespace wtb
