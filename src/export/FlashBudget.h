#pragma once

#include "export/Boards.h"
#include "export/SampleFormat.h"
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

// The table's size in bytes for the bank in `format`, without encoding anything: PCM one byte a
// sample, as tableBytes(bank); ADPCM each slot's blocks with their headers. Raises what
// tableBytes raises.
std::int32_t tableBytes(const SlotBank& bank, SampleFormat format);

// The bytes the ADPCM reader (its step table, its accessors and its decoder) adds to a player
// beside a PCM table's accessors, measured with the minimal ADPCM player on each board.
std::int32_t adpcmReaderBytes(Board board);

// The bytes a table with loops adds beside a minimal player that plays them: the loop tables and
// their accessors, for ADPCM also the reader's state at each loop start and Zozedovad_Open_Loop,
// and the few instructions with which the player turns back. Measured with the minimal looping
// players in tests/export. A constant: the tables have sixteen entries however many slots loop.
std::int32_t loopTableBytes(Board board, SampleFormat format);

// The bytes the same tables, accessors and the player's loop and release add to the player
// sketch, measured as its playerSketchBytes are.
std::int32_t loopPlayerSketchBytes(Board board, SampleFormat format);

// The budget for the table `format` writes: its bytes against the board's room beside a minimal
// player (which for ADPCM carries the reader). What the accessors address is counted in bytes
// of the table for either format, so the limits of the PCM table hold unchanged. A bank with a
// loop has loopTableBytes less room, in this budget and in flashBudget(bank, board) alike.
FlashBudget flashBudget(const SlotBank& bank, Board board, SampleFormat format);

// The room flashBudget weighs a table in `format` against on the board.
std::int32_t tableRoom(Board board, SampleFormat format);

} // namespace wtb
