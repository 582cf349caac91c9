#pragma once

#include "export/Boards.h"
#include "slots/Slot.h"

#include <cstdint>

namespace wtb {

// The sample table's size in bytes, one per sample: the sum over slots 1..16 of end index + 1.
// A sum beyond 32 bits is an overflow error naming the slot where it happens.
std::int32_t tableBytes(const SlotBank& bank);

// Totals over the sixteen slots, wide enough that adding them up never fails, whatever a
// hand-edited Settings.txt holds.
struct SlotTotals {
    std::int64_t samples = 0;    // every slot's whole sound
    std::int64_t endIndices = 0; // what the window's total readout shows
    std::int64_t tableBytes = 0; // each slot's end index + 1
};
SlotTotals slotTotals(const SlotBank& bank);

// How the sample table compares with the flash a board leaves for it beside a minimal player.
struct FlashBudget {
    std::int32_t bytes = 0; // the table, tableBytes()
    std::int32_t room = 0;  // BoardInfo::tableRoom()
    bool fits = true;       // bytes <= room
};

FlashBudget flashBudget(const SlotBank& bank, Board board);

} // namespace wtb
