#pragma once

#include "slots/Slot.h"

#include <string>

namespace wtb::cli {

// What `list` prints, one line per slot 1..16 and then the total, each line ending in LF and
// its fields separated by TAB:
//   number, name, sample rate (Hz), samples, end index, bytes in the sketch's table,
//   the sound's seconds, the table's seconds of it
//   and, only for a slot with a loop, its loop start and loop end,
//   and, only for a slot with a key map, its keys (keysListField)
//   "total", "", "", all samples, "", all bytes in the table, all seconds, all table seconds
// A slot's bytes in the table are its end index + 1; the seconds (playingMilliseconds, to three
// decimals) and the loop come last, so the columns scripts already cut keep their places. A TAB, CR
// or LF in a name (possible only in a hand-edited Settings.txt) is shown as a space, so every line
// keeps its columns.
std::string formatSlotList(const SlotBank& bank);

} // namespace wtb::cli
