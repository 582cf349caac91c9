#include "export/SketchWriter.h"

#include "common/AtomicFile.h"
#include "export/SketchText.h"

#include <string>

namespace wtb {

namespace {

constexpr const char* kWhatToDo = "Use a lower target rate or shorter ends.";

// Refuses a table no board can read: the accessors' unsigned int cannot reach past it.
void refuseBeyondAccessors(std::int32_t samples) {
    if (samples > kAccessorSampleLimit) {
        raise(ErrorKind::Bounds, "The wavetable cannot be saved: it holds " +
                                     std::to_string(samples) + " samples, more than the " +
                                     std::to_string(kAccessorSampleLimit) +
                                     " the sketch's accessors can reach (their unsigned int has "
                                     "16 bits). " +
                                     kWhatToDo);
    }
}

// Refuses a table the board would read back wrong.
void refuseBeyondBoard(std::int32_t samples, const BoardInfo& info) {
    refuseBeyondAccessors(samples);
    if (samples > info.sampleLimit) {
        raise(ErrorKind::Bounds,
              "The wavetable cannot be saved for the " + std::string(info.displayName) +
                  ": it holds " + std::to_string(samples) + " samples, more than the " +
                  std::to_string(info.sampleLimit) +
                  " it can read back. A larger table pushes the Arduino core's own tables past "
                  "the first 64 KB of flash, where the board can no longer read them. " +
                  kWhatToDo);
    }
}

std::string overBudgetWarning(const FlashBudget& budget, const BoardInfo& info) {
    return "The wavetable takes " + std::to_string(budget.bytes) + " bytes of flash, but the " +
           std::string(info.displayName) + " has room for " + std::to_string(budget.room) +
           " beside a minimal player: " + std::to_string(budget.bytes - budget.room) +
           " bytes too many, so the sketch will not fit on that board. " +
           "Use a lower target rate or shorter ends, or choose a board with more flash.";
}

} // namespace

ExportCheck checkExport(const SlotBank& bank, Board board) {
    const BoardInfo& info = boardInfo(board);
    refuseBeyondBoard(exportableSampleCount(bank), info);
    ExportCheck check{board, flashBudget(bank, board), {}};
    if (!check.budget.fits) {
        check.warning = overBudgetWarning(check.budget, info);
    }
    return check;
}

void writeSketch(const SlotBank& bank, const QString& path, Board board, OverBudget overBudget) {
    const ExportCheck check = checkExport(bank, board);
    if (check.needsConfirmation() && overBudget == OverBudget::Refuse) {
        raise(ErrorKind::Bounds, check.warning);
    }
    writeFileAtomically(path, buildSketchText(bank));
}

void writeSketch(const SlotBank& bank, const QString& path) {
    refuseBeyondAccessors(exportableSampleCount(bank));
    writeFileAtomically(path, buildSketchText(bank));
}

} // namespace wtb
