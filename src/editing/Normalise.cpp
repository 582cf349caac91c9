#include "editing/Normalise.h"

#include "slots/SoundFile.h"

#include <algorithm>
#include <cstdlib>

namespace wtb {

std::vector<std::uint8_t> normaliseBytes(std::span<const std::uint8_t> bytes) {
    int peak = 0;
    for (const std::uint8_t byte : bytes) {
        peak = std::max(peak, std::abs(byte - 128));
    }
    if (peak == 0) {
        return {bytes.begin(), bytes.end()};
    }
    // The same rule as a file normalised at import, so an 8-bit file gives the same bytes
    // whichever way it is normalised.
    const SampleScale scale{127.0, peak / 128.0};
    std::vector<std::uint8_t> result(bytes.size());
    std::transform(bytes.begin(), bytes.end(), result.begin(), [&scale](std::uint8_t byte) {
        return toUnsigned8((byte - 128) / 128.0, scale);
    });
    return result;
}

Slot normalisedSlot(const Slot& slot) {
    Slot result = slot;
    result.samples = Samples(normaliseBytes(slot.samples.bytes()));
    return result;
}

} // namespace wtb
