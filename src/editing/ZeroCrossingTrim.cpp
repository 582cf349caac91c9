#include "editing/ZeroCrossingTrim.h"

#include "common/CheckedInt.h"
#include "slots/SlotFault.h"

namespace wtb {

namespace {

constexpr std::uint8_t kZeroLine = 128;
// The walk never takes the end below this index on its own, however long the silence.
constexpr std::int32_t kLowestWalkedEnd = 127;

bool onOrAboveZeroLine(std::span<const std::uint8_t> samples, std::int32_t at) {
    if (at < 0 || static_cast<std::size_t>(at) >= samples.size()) {
        raise(ErrorKind::Bounds, SlotFault::SampleIndexOutside,
              {{"index", at}, {"last", static_cast<std::int64_t>(samples.size()) - 1}});
    }
    return samples[static_cast<std::size_t>(at)] >= kZeroLine;
}

} // namespace

std::optional<std::int32_t> zeroCrossingEnd(std::span<const std::uint8_t> samples,
                                            std::int32_t index) {
    if (samples.empty()) {
        return std::nullopt;
    }
    const std::int32_t highest = toInt32Checked(samples.size() - 1, "A sound length");
    std::int32_t end = index;
    // The counter only bounds the walk; it is not the end index.
    for (std::int32_t step = index; step <= highest; step = checkedAdd(step, 1)) {
        if (end <= 1) {
            // Stepping to index 0 (or below) leaves no earlier sample to compare with.
            return 0;
        }
        end = checkedSub(end, 1);
        const bool here = onOrAboveZeroLine(samples, end);
        const bool before = onOrAboveZeroLine(samples, end - 1);
        if (here && !before) {
            break; // rising through the zero line
        }
        if (before && !here) {
            break; // falling through it
        }
        if (end == kLowestWalkedEnd) {
            break;
        }
    }
    return end;
}

bool crossesZeroLineAt(std::span<const std::uint8_t> samples, std::int32_t index) {
    if (index <= 0) {
        return false;
    }
    return onOrAboveZeroLine(samples, index) != onOrAboveZeroLine(samples, index - 1);
}

} // namespace wtb
