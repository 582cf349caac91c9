#pragma once

#include "export/PlayerOptions.h"
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
// The generated header beside it, "DIR/Zozedovad.h".
QString playerHeaderFile(const QString& folder);

// Each slot's rate as the player sketch holds it: the slot's own for a slot in the table (end
// index 0 or more), 0 (never plays) for the others.
std::array<std::int32_t, kSlotCount> playerRates(const SlotBank& bank);

// checkExport for the player sketch on `board` in `format`: the table's own limits, the
// sketch's flash against the board's, and the rates: a slot in the table at a rate the player
// cannot play (0, or above kPlayerHighestRate; in ADPCM kAdpcmPlayerHighestRate) is a bounds
// error that names the slot and says how to fix it. Options that make the player mix (several
// voices, MIDI, trigger pins) are checked as checkMixerOptions checks them.
ExportCheck checkPlayerExport(const SlotBank& bank, Board board, SampleFormat format,
                              const PlayerOptions& options = {});

// What writing a player sketch folder did.
struct WrittenPlayerSketch {
    QString header;            // the generated header, always written anew
    QString sketch;            // the user's NAME.ino
    bool sketchWritten;        // false when NAME.ino was there already and was kept
    std::int32_t changedBytes; // bytes the Mega's 0x21 guard changed in the table
};

// After checkPlayerExport, creates `folder` when missing and writes the sketch folder: the
// generated header (the table of buildSketchText(bank, board, format), so the Mega's table is
// guarded as the table export's is, and the player) in one atomic step, and NAME.ino only when
// the folder holds none, so the user's own code survives every export. A NAME.ino that does not
// include the header (a player sketch of one file, from an earlier version) is refused: it
// would build without the new sounds. With OverBudget::Refuse a sketch that does not fit is a
// size error with the warning. Anything refused writes nothing and creates no folder.
// With `options` that make it mix, the header holds the mixing player (mixerSetup).
WrittenPlayerSketch writePlayerSketch(const SlotBank& bank, const QString& folder, Board board,
                                      SampleFormat format, OverBudget overBudget,
                                      const PlayerOptions& options = {});

} // namespace wtb
