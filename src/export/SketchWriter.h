#pragma once

#include "common/Facts.h"
#include "export/Boards.h"
#include "export/FlashBudget.h"
#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <QString>

#include <optional>

namespace wtb {

// What checkExport found for a table that may be written for a board.
struct ExportCheck {
    Board board = Board::Uno;
    FlashBudget budget;
    // For a PCM table that does not fit: the flash the same sounds would take in 4-bit ADPCM,
    // when they would fit the board that way; part of the warning's advice.
    std::optional<std::int32_t> adpcmBytes;

    bool needsConfirmation() const { return !budget.fits; }
};

// Checks the bank for `board` in `format` before anything is written, in this order:
//  1. refuses (raises) what no sketch could use: the slot errors buildSketchText raises, and a
//     table larger than the board's limit (in PCM its sampleLimit: the accessors' 65,535; on
//     the Mega the lower limit that keeps the core's own tables readable). The message gives
//     the count, the limit and what to do (ADPCM, when the sounds would fit in it);
//  2. a sketch larger than the board's flash (flashBudget: the table with the player it goes
//     into): a check that needs confirmation, with the figures of its warning;
//  3. otherwise a check that needs nothing.
ExportCheck checkExport(const SlotBank& bank, Board board, SampleFormat format);

// Whether writeSketch writes a table that does not fit the board's flash.
enum class OverBudget { Refuse, Allow };

// Builds the text of buildSketchText(bank, board, format), so the Mega's table holds no run of
// three 0x21 bytes, and writes it to `path` in one atomic step, after checkExport: anything it
// refuses, and with OverBudget::Refuse a table that does not fit (ExportFault::OverBudget
// with overBudgetFacts), leaves `path` as it was. A write failure names the path and the
// reason. Returns how many bytes the guard changed (0 on other boards), for the export to
// report. Callers check, maybe ask, then write:
//
//     const ExportCheck check = checkExport(bank, board, format);
//     if (check.needsConfirmation() && !userChoosesSaveAnyway(overBudgetWarning(check))) {
//         return; // cancelled: nothing written
//     }
//     writeSketch(bank, path, board, format, OverBudget::Allow);
std::int32_t writeSketch(const SlotBank& bank, const QString& path, Board board,
                         SampleFormat format, OverBudget overBudget);

// The facts of ExportFault::OverBudget for a check that needs confirmation: the sketch's flash,
// the table's share, the board, its flash, how many too many, and the ADPCM advice's figure.
Facts overBudgetFacts(const ExportCheck& check);

} // namespace wtb
