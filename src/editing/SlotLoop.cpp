#include "editing/SlotLoop.h"

#include <algorithm>
#include <cmath>

namespace wtb {

namespace {

// Exact in double for a file's 32-bit frame numbers at rates up to 96 kHz (below 2^53); nearbyint
// rounds halves to even in the default rounding mode.
std::int64_t mapped(std::int64_t index, std::int32_t fromRate, std::int32_t toRate) {
    return static_cast<std::int64_t>(std::nearbyint(double(index) * toRate / fromRate));
}

} // namespace

LoopSpan loopAtRate(const LoopSpan& loop, std::int32_t fromRate, std::int32_t toRate) {
    if (fromRate == toRate) {
        return loop;
    }
    return {mapped(loop.start, fromRate, toRate), mapped(loop.end + 1, fromRate, toRate) - 1};
}

std::optional<SettledLoop> carryLoop(std::span<const std::uint8_t> samples, std::int32_t endIndex,
                                     const LoopSpan& span) {
    const std::int64_t last =
        std::min<std::int64_t>(endIndex, static_cast<std::int64_t>(samples.size()) - 1);
    if (last < 0 || span.start > last || span.end < span.start) {
        return std::nullopt;
    }
    const auto start = static_cast<std::int32_t>(std::max<std::int64_t>(span.start, 0));
    const auto end = static_cast<std::int32_t>(std::min(span.end, last));
    return snapLoop(samples, {start, end}, endIndex, kCarriedLoopReach);
}

Slot slotEndingAt(const Slot& slot, std::int32_t endIndex) {
    Slot result = slot;
    result.endIndex = endIndex;
    if (!slot.loop || result.holdsLoop(*slot.loop)) {
        return result;
    }
    if (endIndex <= slot.loop->start || endIndex > slot.lastIndex()) {
        result.loop.reset();
        return result;
    }
    result.loop = snapLoop(slot.samples.bytes(), {slot.loop->start, endIndex}, endIndex).loop;
    return result;
}

} // namespace wtb
