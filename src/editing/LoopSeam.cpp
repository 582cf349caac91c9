#include "editing/LoopSeam.h"

#include <algorithm>
#include <cstdlib>

namespace wtb {

std::int32_t seamJump(std::span<const std::uint8_t> samples, const Loop& loop) {
    const auto at = [&](std::int32_t index) {
        return static_cast<std::int32_t>(samples[static_cast<std::size_t>(index)]);
    };
    std::int32_t ownStep = 0;
    if (loop.length() >= 2) {
        ownStep = std::max(std::abs(at(loop.end) - at(loop.end - 1)),
                           std::abs(at(loop.start + 1) - at(loop.start)));
    }
    return std::max(0, std::abs(at(loop.start) - at(loop.end)) - ownStep);
}

} // namespace wtb
