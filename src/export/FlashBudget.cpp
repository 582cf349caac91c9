#include "export/FlashBudget.h"

#include "common/CheckedInt.h"

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
            raise(ErrorKind::Overflow,
                  "The wavetable cannot be saved: with slot " + std::to_string(slot) +
                      " (end index " + std::to_string(endIndex) + ") its sample count exceeds " +
                      std::to_string(std::numeric_limits<std::int32_t>::max()) + ".");
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

FlashBudget flashBudget(const SlotBank& bank, Board board) {
    const std::int32_t bytes = tableBytes(bank);
    const std::int32_t room = boardInfo(board).tableRoom();
    return {bytes, room, bytes <= room};
}

} // namespace wtb
