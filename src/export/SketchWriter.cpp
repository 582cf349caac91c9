#include "export/BoardSketch.h"
#include "export/SketchWriter.h"

#include "common/AtomicFile.h"
#include "export/AdpcmSketch.h"
#include "export/ExportFault.h"
#include "export/PcmTableSketch.h"

#include <algorithm>
#include <optional>
#include <string>

namespace wtb {

namespace {

// Refuses a table no board can read: the accessors' unsigned int cannot reach past it.
void refuseBeyondAccessors(std::int32_t samples) {
    if (samples > kAccessorSampleLimit) {
        raise(ErrorKind::Size, ExportFault::TableBeyondAccessors,
              {{"samples", samples}, {"limit", kAccessorSampleLimit}});
    }
}

// Refuses a table the board would read back wrong.
void refuseBeyondBoard(std::int32_t samples, const BoardInfo& info) {
    refuseBeyondAccessors(samples);
    if (samples > info.sampleLimit) {
        raise(ErrorKind::Size, ExportFault::TableBeyondBoard,
              {{"board", info.displayName}, {"samples", samples}, {"limit", info.sampleLimit}});
    }
}

// The ADPCM table's limits, counted in bytes of the table as the accessors count them.
void refuseAdpcmBeyondBoard(std::int32_t bytes, const BoardInfo& info) {
    const std::int32_t limit = std::min(kAccessorSampleLimit, info.sampleLimit);
    if (bytes > limit) {
        raise(ErrorKind::Size, ExportFault::AdpcmTableBeyondBoard,
              {{"board", info.displayName}, {"bytes", bytes}, {"limit", limit}});
    }
}

ExportCheck checkPcmExport(const SlotBank& bank, Board board);

} // namespace

Facts overBudgetFacts(const ExportCheck& check) {
    const FlashBudget& budget = check.budget;
    Facts facts{{"bytes", budget.bytes},
                {"table", budget.tableBytes},
                {"board", boardInfo(check.board).displayName},
                {"room", budget.room},
                {"over", budget.bytes - budget.room}};
    if (check.adpcmBytes) {
        facts.add("adpcm", *check.adpcmBytes);
    }
    return facts;
}

ExportCheck checkExport(const SlotBank& bank, Board board, SampleFormat format) {
    if (format == SampleFormat::Pcm8) {
        return checkPcmExport(bank, board);
    }
    const BoardInfo& info = boardInfo(board);
    exportableSampleCount(bank);
    refuseAdpcmSlotsBeyondAccessors(bank);
    refuseAdpcmBeyondBoard(tableBytes(bank, format), info);
    return ExportCheck{board, flashBudget(bank, board, format), std::nullopt};
}

std::int32_t writeSketch(const SlotBank& bank, const QString& path, Board board,
                         SampleFormat format, OverBudget overBudget) {
    const ExportCheck check = checkExport(bank, board, format);
    if (check.needsConfirmation() && overBudget == OverBudget::Refuse) {
        raise(ErrorKind::Size, ExportFault::OverBudget, overBudgetFacts(check));
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

// The figure of the advice to choose ADPCM instead.
std::optional<std::int32_t> fittingAdpcmBytes(const SlotBank& bank, Board board) {
    const std::optional<FlashBudget> adpcm = fittingAdpcm(bank, board);
    return adpcm ? std::optional(adpcm->bytes) : std::nullopt;
}

// The table export in 8-bit PCM: the sample count against the board, then the sketch's flash,
// with the advice to choose ADPCM when that would fit.
ExportCheck checkPcmExport(const SlotBank& bank, Board board) {
    const BoardInfo& info = boardInfo(board);
    try {
        refuseBeyondBoard(exportableSampleCount(bank), info);
    } catch (const RuntimeError& error) {
        if (!error.is(ExportFault::TableBeyondAccessors) &&
            !error.is(ExportFault::TableBeyondBoard)) {
            throw;
        }
        Facts facts = error.facts();
        if (const std::optional<std::int32_t> adpcm = fittingAdpcmBytes(bank, board)) {
            facts.add("adpcm", *adpcm);
        }
        throw RuntimeError(error.kind(), error.code(), std::move(facts));
    }
    ExportCheck check{board, flashBudget(bank, board), std::nullopt};
    if (!check.budget.fits) {
        check.adpcmBytes = fittingAdpcmBytes(bank, board);
    }
    return check;
}

} // namespace

} // namespace wtb
