#include "editing/Normalise.h"

#include "slots/SoundFile.h"

#include <algorithm>
#include <cmath>

namespace wtb {

std::vector<std::uint8_t> normaliseBytes(std::span<const std::uint8_t> bytes) {
    std::vector<double> levels(bytes.size());
    std::transform(bytes.begin(), bytes.end(), levels.begin(),
                   [](std::uint8_t byte) { return double(byte - 128); });
    return normaliseLevels(levels);
}

std::vector<std::uint8_t> normaliseLevels(std::span<const double> levels) {
    double peak = 0.0;
    for (const double level : levels) {
        peak = std::max(peak, std::abs(level));
    }
    if (peak == 0.0) {
        return std::vector<std::uint8_t>(levels.size(), 128);
    }
    // The same rule as a file normalised at import, so an 8-bit file gives the same bytes
    // whichever way it is normalised. Levels over 128 are exact for whole steps.
    const SampleScale scale{127.0, peak / 128.0};
    std::vector<std::uint8_t> result(levels.size());
    std::transform(levels.begin(), levels.end(), result.begin(),
                   [&scale](double level) { return toUnsigned8(level / 128.0, scale); });
    return result;
}

Slot normalisedSlot(const Slot& slot) {
    Slot result = slot;
    result.samples = Samples(normaliseBytes(slot.samples.bytes()));
    return result;
}

} // namespace wtb
