#include "window/PlayedOutput.h"

#include "common/RuntimeError.h"
#include "export/AdpcmSketch.h"
#include "export/ExportedSamples.h"

#include <string>

namespace wtb {

PlayedOutput playedOutput(const Slot& slot, std::int16_t slotNumber, SampleFormat format) {
    std::vector<std::uint8_t> played = format == SampleFormat::Adpcm4
                                           ? previewAdpcm(slot, slotNumber).samples
                                           : exportedSamples(slot, slotNumber);
    if (!slot.loop) {
        return {std::move(played), {}, {}};
    }
    const Loop& loop = *slot.loop;
    if (!slot.holdsLoop(loop)) {
        raise(ErrorKind::Bounds, "Slot " + std::to_string(slotNumber) + "'s loop (" +
                                     std::to_string(loop.start) + " to " +
                                     std::to_string(loop.end) +
                                     ") lies outside the samples the sketch keeps (0 to " +
                                     std::to_string(slot.endIndex) + "). Set the loop again.");
    }
    // In ADPCM every pass plays the samples the first pass decoded: what the board plays when
    // its player takes up the loop's start again with the decoder's state from there.
    const auto at = [&](std::int32_t index) {
        return played.begin() + static_cast<std::ptrdiff_t>(index);
    };
    return {std::vector<std::uint8_t>(played.begin(), at(loop.start)),
            std::vector<std::uint8_t>(at(loop.start), at(loop.end) + 1),
            std::vector<std::uint8_t>(at(loop.end) + 1, played.end())};
}

} // namespace wtb
