#pragma once

#include "export/FlashBudget.h"
#include "export/SketchWriter.h"
#include "export/SlotRates.h"
#include "export/SlotRoom.h"

#include <cstdint>
#include <string>

// The export layer's notes, as the window and the shell show them: the layer gives the figures,
// these give the words.
namespace wtb {

// "Player sketch: 28,410 of 32,256 bytes of flash": the budget as the user reads it.
std::string flashFigureText(const FlashBudget& budget);

// The warning of a check that needs confirmation (the sketch does not fit the board), with the
// advice to choose ADPCM when that would fit.
std::string overBudgetWarning(const ExportCheck& check);

// What the Mega 2560's guard did to the table, for the user who wonders why it changed.
std::string guardedBytesNote(std::int32_t changedBytes);

// What the user is told of a slot too large for the board on its own: how many times over, and
// what would help (a lower rate, a trim, the ADPCM format), in one paragraph without line ends.
std::string oversizedSlotNote(const OversizedSlot& oversized, Board board);

// Empty when the slots in the table share one rate; otherwise the warning that says which
// slots are at which rate and what that does to the sound.
std::string mixedRatesWarning(const SlotRates& rates);

} // namespace wtb
