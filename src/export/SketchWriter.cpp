#include "export/SketchWriter.h"

#include "common/AtomicFile.h"
#include "export/AdpcmSketch.h"
#include "export/SketchText.h"

#include <algorithm>
#include <optional>
#include <string>

namespace wtb {

namespace {

// Refuses a table no board can read: the accessors' unsigned int cannot reach past it.
void refuseBeyondAccessors(std::int32_t samples) {
    if (samples > kAccessorSampleLimit) {
        raise(ErrorKind::Size, "The wavetable cannot be saved: it holds " +
                                   std::to_string(samples) + " samples, more than the " +
                                   std::to_string(kAccessorSampleLimit) +
                                   " the sketch's accessors can reach (their unsigned int has "
                                   "16 bits).");
    }
}

// Refuses a table the board would read back wrong.
void refuseBeyondBoard(std::int32_t samples, const BoardInfo& info) {
    refuseBeyondAccessors(samples);
    if (samples > info.sampleLimit) {
        raise(ErrorKind::Size,
              "The wavetable cannot be saved for the " + std::string(info.displayName) +
                  ": it holds " + std::to_string(samples) + " samples, more than the " +
                  std::to_string(info.sampleLimit) +
                  " it can read back. A larger table pushes the Arduino core's own tables past "
                  "the first 64 KB of flash, where the board can no longer read them.");
    }
}

// The ADPCM table's limits, counted in bytes of the table as the accessors count them.
void refuseAdpcmBeyondBoard(std::int32_t bytes, const BoardInfo& info) {
    const std::int32_t limit = std::min(kAccessorSampleLimit, info.sampleLimit);
    if (bytes > limit) {
        raise(ErrorKind::Size, "The wavetable cannot be saved for the " +
                                   std::string(info.displayName) + ": in 4-bit ADPCM it takes " +
                                   std::to_string(bytes) + " bytes, more than the " +
                                   std::to_string(limit) +
                                   " its accessors can reach on that board. Shorten or remove "
                                   "sounds.");
    }
}

ExportCheck checkPcmExport(const SlotBank& bank, Board board);

} // namespace

std::string overBudgetWarning(const FlashBudget& budget, Board board) {
    return "With the player, the sketch takes " + std::to_string(budget.bytes) +
           " bytes of flash (" + std::to_string(budget.tableBytes) +
           " of them the table), but the " + std::string(boardInfo(board).displayName) + " has " +
           std::to_string(budget.room) + ": " + std::to_string(budget.bytes - budget.room) +
           " bytes too many, so the sketch will not fit on that board.";
}

ExportCheck checkExport(const SlotBank& bank, Board board, SampleFormat format) {
    if (format == SampleFormat::Pcm8) {
        return checkPcmExport(bank, board);
    }
    const BoardInfo& info = boardInfo(board);
    exportableSampleCount(bank);
    refuseAdpcmSlotsBeyondAccessors(bank);
    refuseAdpcmBeyondBoard(tableBytes(bank, format), info);
    ExportCheck check{board, flashBudget(bank, board, format), {}};
    if (!check.budget.fits) {
        check.warning = overBudgetWarning(check.budget, board);
    }
    return check;
}

std::int32_t writeSketch(const SlotBank& bank, const QString& path, Board board,
                         SampleFormat format, OverBudget overBudget) {
    const ExportCheck check = checkExport(bank, board, format);
    if (check.needsConfirmation() && overBudget == OverBudget::Refuse) {
        raise(ErrorKind::Size, check.warning);
    }
    const BoardSketchText sketch = buildSketchText(bank, board, format);
    writeFileAtomically(path, sketch.text);
    return sketch.changedBytes;
}

namespace {

// For a PCM table that does not fit: the same sounds in 4-bit ADPCM, when they would fit the
// board whole; nothing otherwise.
std::optional<FlashBudget> fittingAdpcm(const SlotBank& bank, Board board) {
    try {
        checkExport(bank, board, SampleFormat::Adpcm4);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
    const FlashBudget adpcm = flashBudget(bank, board, SampleFormat::Adpcm4);
    return adpcm.fits ? std::optional(adpcm) : std::nullopt;
}

std::string adpcmAdvice(const SlotBank& bank, Board board) {
    const std::optional<FlashBudget> adpcm = fittingAdpcm(bank, board);
    return adpcm ? " In 4-bit ADPCM (the format choice, --format adpcm4) the sketch would take " +
                       std::to_string(adpcm->bytes) + " bytes and fit."
                 : std::string();
}

// The table export in 8-bit PCM: the sample count against the board, then the sketch's flash,
// with the advice to choose ADPCM when that would fit.
ExportCheck checkPcmExport(const SlotBank& bank, Board board) {
    const BoardInfo& info = boardInfo(board);
    try {
        refuseBeyondBoard(exportableSampleCount(bank), info);
    } catch (const RuntimeError& error) {
        if (error.kind() != ErrorKind::Size) {
            throw;
        }
        raise(ErrorKind::Size, error.what() + adpcmAdvice(bank, board));
    }
    ExportCheck check{board, flashBudget(bank, board), {}};
    if (!check.budget.fits) {
        check.warning = overBudgetWarning(check.budget, board) + adpcmAdvice(bank, board);
    }
    return check;
}

} // namespace

std::string guardedBytesNote(std::int32_t changedBytes) {
    return std::to_string(changedBytes) + (changedBytes == 1 ? " byte" : " bytes") +
           " of the table changed by one level for the Mega 2560, so that no three 0x21 bytes "
           "follow each other: older Mega bootloaders stop an upload at \"!!!\".";
}

} // namespace wtb
