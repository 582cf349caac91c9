#pragma once

#include "export/SketchWriter.h"

#include <QString>

#include <array>
#include <cstdint>

namespace wtb {

// The player sketch's file in `folder`: "DIR/NAME.ino", NAME the folder's last part, as the
// Arduino IDE wants a sketch. A folder chosen as "NAME.ino" stands for "NAME" (a name typed
// into a save dialog keeps its suffix), and "NAME/NAME.ino", a sketch chosen to be replaced,
// for its folder "NAME".
QString playerSketchFolder(const QString& chosen);
QString playerSketchFile(const QString& folder);

// Each slot's rate as the player sketch holds it: the slot's own for a slot in the table (end
// index 0 or more), 0 (never plays) for the others.
std::array<std::int32_t, 16> playerRates(const SlotBank& bank);

// Checks the bank for a player sketch on `board`, as checkExport does for the table, with the
// flash the player sketch leaves for its table (BoardInfo::playerSketchTableRoom). A slot in
// the table at a rate the player cannot play (0, or above kPlayerHighestRate) is a bounds
// error that names the slot and says how to fix it.
ExportCheck checkPlayerExport(const SlotBank& bank, Board board);

// After checkPlayerExport, creates `folder` when missing and writes the player sketch to
// playerSketchFile(folder) in one atomic step; with OverBudget::Refuse a table that does not
// fit is a size error with the warning. Anything refused writes nothing and creates no folder.
void writePlayerSketch(const SlotBank& bank, const QString& folder, Board board,
                       OverBudget overBudget);

// checkPlayerExport for a table in `format`: for ADPCM the table's bytes against the player's
// room less the reader (adpcmReaderBytes), and rates up to kAdpcmPlayerHighestRate.
ExportCheck checkPlayerExport(const SlotBank& bank, Board board, SampleFormat format);

// writePlayerSketch with the table buildSketchText(bank, board, format) writes, so the Mega's
// table is guarded as the table export's is. Returns how many bytes that guard changed.
std::int32_t writePlayerSketch(const SlotBank& bank, const QString& folder, Board board,
                               SampleFormat format, OverBudget overBudget);

} // namespace wtb
