#include "export/BoardSketch.h"

#include "export/AdpcmSketch.h"
#include "export/BangGuard.h"
#include "export/Boards.h"
#include "export/ExportedSamples.h"
#include "export/PcmTableSketch.h"

#include <array>
#include <vector>

namespace wtb {

BoardSketchText buildSketchText(const SlotBank& bank, Board board, SampleFormat format) {
    const bool guard = boardRefusesBangRuns(board);
    BoardSketchText result;
    if (format == SampleFormat::Adpcm4) {
        const AdpcmTable table = encodeAdpcmTable(bank, AdpcmSearch::LookAhead, guard);
        result.text = buildAdpcmSketchText(bank, table);
        result.changedBytes = table.constrainedBytes;
        return result;
    }
    if (!guard) {
        result.text = buildSketchText(bank);
        return result;
    }
    // The sample bytes guarded here; the start and loop tables by their declarations.
    // The table's bytes as stored (sample - 128), guarded as one run across the slots, then
    // written through the same text builder from slots holding the guarded samples.
    exportableSampleCount(bank);
    std::vector<std::uint8_t> stored;
    std::array<std::int32_t, kSlotCount + 1> starts{};
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        starts[slot - 1] = static_cast<std::int32_t>(stored.size());
        for (std::uint8_t sample : exportedSamples(bank[slot], slot)) {
            stored.push_back(static_cast<std::uint8_t>(sample ^ 0x80));
        }
    }
    starts[kSlotCount] = static_cast<std::int32_t>(stored.size());
    result.changedBytes = avoidBangRuns(stored);
    if (result.changedBytes == 0) {
        result.text = buildSketchText(bank, true);
        return result;
    }
    SlotBank guarded = bank;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        Slot& target = guarded[slot];
        if (target.endIndex < 0) {
            continue;
        }
        std::vector<std::uint8_t> bytes(target.samples.bytes().begin(),
                                        target.samples.bytes().end());
        for (std::int32_t k = starts[slot - 1]; k < starts[slot]; ++k) {
            bytes[static_cast<std::size_t>(k - starts[slot - 1])] =
                static_cast<std::uint8_t>(stored[static_cast<std::size_t>(k)] ^ 0x80);
        }
        target.samples = Samples(std::move(bytes));
    }
    result.text = buildSketchText(guarded, true);
    return result;
}

} // namespace wtb
