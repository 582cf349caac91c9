#include "editing/StartTrim.h"

#include "editing/EditFault.h"
#include "editing/ZeroCrossingTrim.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace wtb {

namespace {

constexpr std::int32_t kZeroLine = 128;

[[noreturn]] void raiseOutside(EditFault fault, std::int32_t value, std::int32_t low,
                               std::int32_t high) {
    raise(ErrorKind::Bounds, fault, {{"value", value}, {"low", low}, {"high", high}});
}

bool isLoud(std::uint8_t sample, std::int32_t threshold) {
    return std::abs(static_cast<std::int32_t>(sample) - kZeroLine) > threshold;
}

// The last sample the table keeps, within the samples: a hand-edited end index past the sound
// keeps them all.
std::int32_t lastKept(const Slot& slot) {
    return std::min(slot.endIndex, slot.lastIndex());
}

} // namespace

std::int32_t startCutIndex(std::span<const std::uint8_t> samples, std::int32_t index,
                           std::int32_t last) {
    const auto highest = static_cast<std::int32_t>(samples.size()) - 1;
    if (last < 0 || last > highest) {
        raiseOutside(EditFault::LastIndexOutside, last, 0, highest);
    }
    if (index < 0 || index > last) {
        raiseOutside(EditFault::IndexOutside, index, 0, last);
    }
    for (std::int32_t at = index; at <= last; ++at) {
        if (at == 0 || crossesZeroLineAt(samples, at)) {
            return at;
        }
    }
    return index; // the sound stays on one side: there is no quieter place to cut
}

StartCut withoutFirstSamples(const Slot& slot, std::int32_t count) {
    if (count < 0 || count > std::max(slot.lastIndex(), 0)) {
        raiseOutside(EditFault::RemovalOutside, count, 0, std::max(slot.lastIndex(), 0));
    }
    StartCut cut{slot, count, slot.loop ? LoopAfterCut::Kept : LoopAfterCut::None};
    if (count == 0) {
        return cut;
    }
    const std::span<const std::uint8_t> bytes = slot.samples.bytes();
    cut.slot.samples = Samples(std::vector<std::uint8_t>(bytes.begin() + count, bytes.end()));
    if (slot.endIndex >= 0) {
        cut.slot.endIndex = slot.endIndex - count;
    }
    if (slot.loop) {
        Loop moved{slot.loop->start - count, slot.loop->end - count};
        if (moved.end < 0) {
            cut.slot.loop.reset();
            cut.loop = LoopAfterCut::Removed;
        } else {
            if (moved.start < 0) {
                moved.start = 0;
                cut.loop = LoopAfterCut::Shortened;
            }
            cut.slot.loop = moved;
        }
    }
    return cut;
}

std::int32_t lastStartCut(const Slot& slot) {
    return slot.endIndex >= 0 ? lastKept(slot) : slot.lastIndex();
}

StartCut cutStart(const Slot& slot, std::int32_t index) {
    if (slot.samples.empty()) {
        raise(ErrorKind::Bounds, EditFault::NothingToCut);
    }
    const std::int32_t last = lastStartCut(slot);
    if (index < 0 || index > last) {
        raiseOutside(EditFault::IndexOutside, index, 0, last);
    }
    return withoutFirstSamples(slot, startCutIndex(slot.samples.bytes(), index, last));
}

SilenceTrim trimSilence(const Slot& slot, std::int32_t threshold) {
    if (threshold < 0 || threshold > kHighestSilenceThreshold) {
        raiseOutside(EditFault::ThresholdOutside, threshold, 0, kHighestSilenceThreshold);
    }
    SilenceTrim trim{slot, 0, false};
    if (slot.endIndex < 0 || slot.samples.empty()) {
        return trim; // the table holds nothing of this slot
    }
    const std::span<const std::uint8_t> bytes = slot.samples.bytes();
    const std::int32_t last = lastKept(slot);
    std::int32_t firstLoud = 0;
    while (firstLoud <= last && !isLoud(bytes[firstLoud], threshold)) {
        ++firstLoud;
    }
    if (firstLoud > last) {
        trim.silent = true;
        return trim;
    }
    std::int32_t lastLoud = last;
    while (!isLoud(bytes[lastLoud], threshold)) {
        --lastLoud;
    }

    std::int32_t end = std::min(lastLoud + 1, last);
    for (std::int32_t at = end; at <= last; ++at) {
        if (crossesZeroLineAt(bytes, at)) {
            end = at; // every sample passed on the way is quiet
            break;
        }
    }
    std::int32_t start = std::max(firstLoud - 1, 0);
    if (slot.loop) {
        start = std::min(start, slot.loop->start);
        end = std::max(end, slot.loop->end);
    }

    Slot ended = slot;
    if (end < last) {
        ended.endIndex = end;
    }
    const StartCut cut = withoutFirstSamples(ended, start);
    trim.slot = cut.slot;
    trim.removed = cut.removed;
    return trim;
}

} // namespace wtb
