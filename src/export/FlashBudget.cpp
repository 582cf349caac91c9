#include "export/FlashBudget.h"

#include "common/CheckedInt.h"
#include "export/Adpcm.h"
#include "export/ExportFault.h"
#include "export/LoopTables.h"
#include "export/MixBudget.h"

#include <limits>
#include <string>

namespace wtb {

std::int32_t tableBytes(const SlotBank& bank) {
    std::int32_t total = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::int32_t endIndex = bank[slot].endIndex;
        try {
            total = checkedAdd(total, checkedAdd(endIndex, std::int32_t{1}));
        } catch (const RuntimeError&) {
            raise(ErrorKind::Overflow, ExportFault::TableCountOverflow,
                  {{"slot", slot},
                   {"end", endIndex},
                   {"limit", std::numeric_limits<std::int32_t>::max()}});
        }
    }
    return total;
}

SlotTotals slotTotals(const SlotBank& bank) {
    SlotTotals totals;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        totals.samples += bank[slot].sampleCount();
        totals.endIndices += bank[slot].endIndex;
        totals.tableBytes += std::int64_t{bank[slot].endIndex} + 1;
    }
    return totals;
}

std::int32_t tableBytes(const SlotBank& bank, SampleFormat format) {
    const std::int32_t pcm = tableBytes(bank); // the overflow check, as before
    if (format == SampleFormat::Pcm8) {
        return pcm;
    }
    std::int32_t total = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        total += adpcmBytesFor(bank[slot].endIndex + 1); // at most pcm + 2 a block
    }
    return total;
}

std::int32_t playerCodeBytes(Board board, SampleFormat format, bool loops, bool mixing) {
    const std::size_t part = (format == SampleFormat::Adpcm4 ? 2 : 0) + (loops ? 1 : 0);
    return mixing ? boardInfo(board).mixerCode[part] : boardInfo(board).playerCode[part];
}

std::int32_t tableRoom(Board board, SampleFormat format, bool loops) {
    return boardInfo(board).sketchFlash - playerCodeBytes(board, format, loops);
}

FlashBudget flashBudget(const SlotBank& bank, Board board, SampleFormat format) {
    FlashBudget budget;
    budget.tableBytes = tableBytes(bank, format);
    budget.playerBytes = playerCodeBytes(board, format, anySlotLoops(bank));
    budget.bytes = budget.tableBytes + budget.playerBytes;
    budget.room = boardInfo(board).sketchFlash;
    budget.fits = budget.bytes <= budget.room;
    return budget;
}

FlashBudget flashBudget(const SlotBank& bank, Board board) {
    return flashBudget(bank, board, SampleFormat::Pcm8);
}

FlashBudget flashBudget(const SlotBank& bank, Board board, SampleFormat format,
                        const PlayerOptions& options) {
    FlashBudget budget = flashBudget(bank, board, format);
    if (playerMixes(options)) {
        budget.playerBytes = playerCodeBytes(board, format, anySlotLoops(bank), true);
        budget.bytes = budget.tableBytes + budget.playerBytes;
        budget.fits = budget.bytes <= budget.room;
    }
    return budget;
}

} // namespace wtb
