#pragma once

#include "export/Boards.h"
#include "export/PlayerOptions.h"
#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <cstdint>
#include <string>

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

// The table's size in bytes for the bank in `format`, without encoding anything: PCM one byte a
// sample, as tableBytes(bank); ADPCM each slot's blocks with their headers. Raises what
// tableBytes raises.
std::int32_t tableBytes(const SlotBank& bank, SampleFormat format);

// The flash the player sketch an export would write takes on a board: its table and the rest
// (BoardInfo::playerCode for the format, with or without loops), against what the board leaves
// for a sketch. It is the one flash figure every export, check, warning and meter gives; the
// table export is weighed as the sketch it goes into, the player sketch.
struct FlashBudget {
    std::int32_t bytes = 0;       // the sketch's flash: table + code
    std::int32_t room = 0;        // the board's flash for a sketch (BoardInfo::sketchFlash)
    std::int32_t tableBytes = 0;  // of which the table's own bytes
    std::int32_t playerBytes = 0; // and the player's code and fixed tables
    bool fits = true;             // bytes <= room
};

// The budget for the bank's table in `format`. Raises what tableBytes raises, nothing else.
FlashBudget flashBudget(const SlotBank& bank, Board board, SampleFormat format);
FlashBudget flashBudget(const SlotBank& bank, Board board); // in 8-bit PCM
// The same for the player `options` choose: the mixing player's code (BoardInfo::mixerCode) when
// they make it mix.
FlashBudget flashBudget(const SlotBank& bank, Board board, SampleFormat format,
                        const PlayerOptions& options);

// The flash the player sketch takes on `board` besides its table.
std::int32_t playerCodeBytes(Board board, SampleFormat format, bool loops, bool mixing = false);

// The bytes the board leaves for the table of a player sketch: its flash less playerCodeBytes.
std::int32_t tableRoom(Board board, SampleFormat format, bool loops);

} // namespace wtb
