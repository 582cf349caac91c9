#pragma once

#include "export/Adpcm.h"

#include <cstdint>
#include <span>
#include <vector>

// The board's ADPCM reader, step for step in its own arithmetic, so that a loop's restart
// state and the decoded samples the player gives can be computed on this side.
namespace wtb {

// What the sketch's reader (Zozedovad_Reader) holds between two samples, its predictor as the
// unsigned 16-bit level it keeps (predictor + 32768). A reader put back into the state it had
// before sample k goes on exactly as it did from there: so a loop restarts in mid-block.
struct AdpcmReaderState {
    std::int32_t position = 0;    // the byte read next, counted from the encoding's first
    std::int32_t left = 0;        // samples still to come
    std::uint16_t level = 0x8000; // the sample is its high byte
    std::uint8_t index = 0;       // the step index
    std::uint8_t blockLeft = 0;   // codes left in the block; odd: the next is a byte's high half

    bool operator==(const AdpcmReaderState&) const = default;
};

// The reader's state once it has given `sample` of the `sampleCount` samples encoded in `bytes`
// (0 <= sample <= sampleCount), as the board's reader holds it then. Raises what decodeAdpcm
// raises, and a bounds error for a sample outside 0..sampleCount.
AdpcmReaderState adpcmReaderStateAt(std::span<const std::uint8_t> bytes, std::int32_t sampleCount,
                                    std::int32_t sample);

// The samples a reader in `state` gives, to the end of its encoding (state.left of them), as the
// board's reader decodes them: 8-bit unsigned. Raises a bounds error when the bytes end early or
// a header holds a step index past 88.
std::vector<std::uint8_t> decodeAdpcmFrom(std::span<const std::uint8_t> bytes,
                                          AdpcmReaderState state);

} // namespace wtb
