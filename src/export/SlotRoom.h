#pragma once

#include "export/Boards.h"
#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <cstdint>
#include <optional>
#include <string>

namespace wtb {

// A slot too large for the board on its own: even with every other slot empty, its share of
// the table would not fit the room the board leaves beside the player sketch (tableRoom). Such
// a slot is worth a word the moment it arrives, long before an export is refused.
struct OversizedSlot {
    std::int16_t slot = 0;
    std::int32_t rate = 0;           // Hz
    std::int32_t bytes = 0;          // its share of the table in the format
    std::int32_t room = 0;           // what the board leaves for the whole table (tableRoom)
    std::int32_t fittingSamples = 0; // the most samples whose share fits that room
    // The highest rate in whole hundreds of hertz, no lower than the lowest rate a slot can be
    // converted to, at which the slot's samples up to its end index fit; nothing when even the
    // lowest rate leaves too many.
    std::optional<std::int32_t> fittingRate;
    bool fitsAsAdpcm = false; // in 8-bit PCM only: the same samples would fit as 4-bit ADPCM

    // How many times the room the slot's share takes, to the nearest tenth but at least 1.1,
    // so a slot only just too large never reads as "1.0 times".
    double timesOver() const;
};

// Whether slot `number` alone exceeds the board's room for a table in `format`, and what would
// make it fit; nothing when it fits.
std::optional<OversizedSlot> oversizedSlot(const Slot& slot, std::int16_t number, Board board,
                                           SampleFormat format);

} // namespace wtb
