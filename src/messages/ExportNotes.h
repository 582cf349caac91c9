#pragma once

#include "export/FlashBudget.h"
#include "export/SketchWriter.h"

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

} // namespace wtb
