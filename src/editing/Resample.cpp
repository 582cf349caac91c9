#include "editing/Resample.h"

#include "common/CheckedInt.h"
#include "common/MemoryRoom.h"
#include "common/RoundHalfEven.h"
#include "editing/EditFault.h"
#include "editing/SlotLoop.h"
#include "editing/ZeroCrossingTrim.h"
#include "slots/Resampler.h"
#include "slots/SoundFile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

namespace wtb {

namespace {

// A result a slot can hold, in memory the program can have: checked before any of it exists.
void requireRoomForResult(std::int64_t size, std::int32_t fromRate, std::int32_t toRate) {
    const std::int64_t length = resampledLength(size, fromRate, toRate);
    if (length > INT32_MAX) {
        const auto fitting = static_cast<std::int64_t>(double(INT32_MAX) * fromRate / size);
        raise(ErrorKind::Bounds, EditFault::ResultTooLong,
              {{"samples", size},
               {"fromRate", fromRate},
               {"length", length},
               {"toRate", toRate},
               {"limit", INT32_MAX},
               {"fitting", fitting}});
    }
    // The samples as doubles, the converter's output and its copy, then the bytes.
    const auto bytes = static_cast<std::uint64_t>(8 * size + 17 * length);
    requireMemoryFor(
        bytes, EditFault::ResampleNeedsMemory,
        {{"samples", size}, {"fromRate", fromRate}, {"length", length}, {"toRate", toRate}});
}

} // namespace

std::vector<std::uint8_t> resampleBytes(std::span<const std::uint8_t> bytes, std::int32_t fromRate,
                                        std::int32_t toRate) {
    checkTargetRate(toRate);
    requireRoomForResult(static_cast<std::int64_t>(bytes.size()), fromRate, toRate);
    std::vector<double> samples(bytes.size());
    std::transform(bytes.begin(), bytes.end(), samples.begin(),
                   [](std::uint8_t byte) { return (byte - 128) / 128.0; });
    const std::vector<double> converted = resampleSamples(samples, fromRate, toRate);
    std::vector<std::uint8_t> result(converted.size());
    std::transform(converted.begin(), converted.end(), result.begin(),
                   [](double sample) { return toUnsigned8(sample); });
    return result;
}

std::int32_t resampledEndIndex(std::int32_t endIndex, std::int32_t oldLength,
                               std::span<const std::uint8_t> newBytes, std::int32_t fromRate,
                               std::int32_t toRate) {
    const std::int32_t newLast =
        checkedSub(toInt32Checked(newBytes.size(), "A sound length"), std::int32_t{1});
    if (endIndex < 0) {
        return endIndex;
    }
    if (endIndex == oldLength - 1) {
        return newLast;
    }
    // Exact in double: the product stays below 2^48.
    std::int32_t mapped = toInt32HalfEven(double(endIndex) * toRate / fromRate);
    if (endIndex < oldLength) {
        mapped = std::min(mapped, newLast);
    }
    if (mapped < 0) {
        return mapped; // the sound came out empty
    }
    return zeroCrossingEnd(newBytes, mapped).value_or(mapped);
}

Slot resampledSlot(const Slot& slot, std::int32_t targetRate) {
    checkTargetRate(targetRate);
    if (slot.sampleRate == targetRate) {
        return slot;
    }
    if (!slot.samples.empty() &&
        resampledLength(slot.sampleCount(), slot.sampleRate, targetRate) < 1) {
        const std::int64_t lowest = lowestRateKeepingASample(slot.sampleCount(), slot.sampleRate);
        Facts facts{
            {"samples", slot.sampleCount()}, {"fromRate", slot.sampleRate}, {"rate", targetRate}};
        if (lowest <= kHighestTargetRate) {
            facts.add("lowest", std::max<std::int64_t>(lowest, kLowestTargetRate));
        } else {
            facts.add("highest", kHighestTargetRate);
        }
        raise(ErrorKind::Bounds, EditFault::RateKeepsNoSample, std::move(facts));
    }
    Slot result = slot;
    const std::vector<std::uint8_t> bytes =
        resampleBytes(slot.samples.bytes(), slot.sampleRate, targetRate);
    result.endIndex =
        resampledEndIndex(slot.endIndex, slot.sampleCount(), bytes, slot.sampleRate, targetRate);
    result.loop.reset();
    if (slot.loop) {
        const LoopSpan span =
            loopAtRate({slot.loop->start, slot.loop->end}, slot.sampleRate, targetRate);
        if (const auto carried = carryLoop(bytes, result.endIndex, span)) {
            result.loop = carried->loop;
        }
    }
    result.samples = Samples(bytes);
    result.sampleRate = targetRate;
    return result;
}

} // namespace wtb
