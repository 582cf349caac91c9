#pragma once

#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace wtb {

// What the loop accessors give for a slot without a loop: no position within a slot reaches
// it, since a table holds at most 65,535 samples.
inline constexpr std::int32_t kNoLoopPosition = 65'535;

// The first line of the loop start's accessor: a table text holding it has loops, and a player
// built on that text plays them.
inline constexpr std::string_view kLoopStartAccessorOpen =
    "unsigned int Zozedovad_Get_Loop_Start(byte slot){";

// Whether any of slots 1..16 has a loop. Only then does an export write anything of loops, so a
// bank without them exports exactly as before.
bool anySlotLoops(const SlotBank& bank);

// Slots 1..16's loops as the sketch holds them (index 0 is slot 1): start and end in samples
// from the slot's first, both kNoLoopPosition for a slot without a loop. Raises what the export
// raises for a slot it cannot write, a loop outside the kept samples among them.
std::array<Loop, kSlotCount> exportedLoops(const SlotBank& bank);

// The text the table sketch adds when any slot has a loop, after its own accessors: a comment
// saying what the positions count and the value for no loop, `wave_loop_start[16]` and
// `wave_loop_end[16]`, and the accessors Zozedovad_Get_Loop_Start(slot) and
// Zozedovad_Get_Loop_End(slot) (slot 1..16; kNoLoopPosition for any other number). The comment
// tells a PCM table's user how to find a loop's samples and an ADPCM table's how to restart its
// reader (its Zozedovad_Open_Loop follows this text). Lines end CR LF; empty without loops.
// With `guardTables` the tables are declared free of 0x21 runs (progmemTableOpen).
std::string loopAccessorText(const SlotBank& bank, SampleFormat format, bool guardTables = false);

} // namespace wtb
