#include "cli/Operations.h"

#include "app/BuildInfo.h"
#include "app/ProgramFolder.h"
#include "common/Preferences.h"
#include "editing/Normalise.h"
#include "editing/Resample.h"
#include "editing/SlotImport.h"
#include "export/Boards.h"
#include "export/FlashBudget.h"
#include "export/SketchWriter.h"

namespace wtb::cli {

namespace {

// The board named on the command line, else the one the window remembers, else the Uno.
Board chosenBoard(const std::optional<QString>& name) {
    if (name) {
        if (const std::optional<Board> board = boardFromId(name->toStdString())) {
            return *board;
        }
        raise(ErrorKind::Usage, "Unknown board \"" + name->toStdString() + "\"; the boards are " +
                                    boardNames().join(", ").toStdString() + ".");
    }
    return boardFromId(preferredBoardId().toStdString()).value_or(Board::Uno);
}

} // namespace

QString defaultWorkingFolder() {
    return workingFolderOfProgram({});
}

std::string versionText() {
    return std::string(build::kProgramName) + " " + build::kVersion;
}

QStringList boardNames() {
    QStringList names;
    for (const BoardInfo& info : boards()) {
        names << QString::fromUtf8(info.id.data(), static_cast<qsizetype>(info.id.size()));
    }
    return names;
}

void importSound(SlotBank& bank, std::int16_t slot, const QString& file,
                 std::optional<std::int32_t> rate, bool normalise) {
    importIntoSlot(bank, slot, file, DecodeOptions{rate, normalise});
}

void resampleSlots(SlotBank& bank, SlotChoice slots, std::int32_t rate) {
    if (slots) {
        resampleSlot(bank, *slots, rate);
    } else {
        resampleSlotsAtOtherRates(bank, rate);
    }
}

void normaliseSlots(SlotBank& bank, SlotChoice slots) {
    if (slots) {
        normaliseSlot(bank, *slots);
    } else {
        normaliseAllSlots(bank);
    }
}

std::string budgetLine(const SlotBank& bank, const std::optional<QString>& board) {
    const Board chosen = chosenBoard(board);
    const FlashBudget budget = flashBudget(bank, chosen);
    return "Budget\t" + std::string(boardInfo(chosen).id) + "\t" + std::to_string(budget.bytes) +
           "\t" + std::to_string(budget.room) + "\t" + (budget.fits ? "fits" : "does not fit");
}

std::string checkSketchFits(const SlotBank& bank, const std::optional<QString>& board, bool force) {
    const ExportCheck check = checkExport(bank, chosenBoard(board));
    if (check.needsConfirmation() && !force) {
        raise(ErrorKind::Bounds, check.warning + " Use --force to write it anyway.");
    }
    return check.warning;
}

} // namespace wtb::cli
