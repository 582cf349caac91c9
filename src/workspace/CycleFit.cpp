#include "workspace/CycleFit.h"

#include "export/PlayerSketch.h"

#include <cmath>
#include <vector>

namespace wtb {

namespace {

// A single cycle's table over and over, long enough to find its pitch in again.
Slot repeatedCycle(const Slot& cycle) {
    constexpr std::int32_t kPeriods = 64;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(cycle.sampleCount() * kPeriods));
    for (std::int32_t period = 0; period < kPeriods; ++period) {
        bytes.insert(bytes.end(), cycle.samples.bytes().begin(), cycle.samples.bytes().end());
    }
    Slot repeated = cycle;
    repeated.samples = Samples(std::move(bytes));
    repeated.endIndex = repeated.lastIndex();
    repeated.loop.reset();
    return repeated;
}

} // namespace

FittedCycle fitSingleCycle(const Slot& slot, std::int16_t number, std::int32_t length,
                           std::optional<std::int32_t> at, SampleFormat format) {
    // A single cycle is one period: repeated, it is the steady sound the pitch is found in.
    const Slot current = isSingleCycle(slot) ? repeatedCycle(slot) : slot;
    const std::int32_t index =
        isSingleCycle(slot) ? defaultCycleIndex(current) : at.value_or(defaultCycleIndex(current));
    const std::int32_t highest = playerHighestRate(format);
    const std::string which = "Slot " + std::to_string(number) + " gives no single cycle. ";
    std::optional<SingleCycle> cycle;
    std::optional<RuntimeError> asked; // what the length asked for raised
    // Halving the cells halves the rate: the first that plays is the longest table that does.
    for (std::int32_t cells = length; !cycle && cells >= kShortestCycle; cells /= 2) {
        try {
            SingleCycle made = singleCycle(current, cells, index);
            if (made.slot.sampleRate <= highest) {
                cycle = std::move(made);
            }
        } catch (const RuntimeError& error) {
            if (cells == length) {
                if (error.kind() != ErrorKind::Bounds) {
                    raise(error.kind(), which + error.what()); // no pitch: no length helps
                }
                asked = error;
            }
        }
        if (!isCycleLength(cells)) {
            break; // the length asked is refused; shorter ones are not what was asked
        }
    }
    if (!cycle) {
        if (asked) {
            raise(asked->kind(), which + asked->what());
        }
        raise(ErrorKind::Bounds, which + "Its pitch is too high: even a table of " +
                                     std::to_string(kShortestCycle) +
                                     " cells would play faster than the " +
                                     std::string(sampleFormatDisplayName(format)) +
                                     " player's highest rate, " + std::to_string(highest) + " Hz.");
    }
    return {std::move(*cycle), isSingleCycle(slot) ? index % slot.sampleCount() : index};
}

std::string singleCycleResampleNote(std::int16_t number, const Slot& slot, std::int32_t rate) {
    const std::int64_t cells = std::llround(double(slot.sampleCount()) * rate / slot.sampleRate);
    return "Slot " + std::to_string(number) + " is a single cycle of " +
           std::to_string(slot.sampleCount()) + " cells, looped whole, at " +
           std::to_string(slot.sampleRate) + " Hz, the rate that plays its pitch. Resampled to " +
           std::to_string(rate) + " Hz it would have " + std::to_string(cells) +
           " cells, no table length, so it keeps its cells and its rate (the player plays each "
           "slot at its own rate). For another table, make the single cycle again with the "
           "length wanted. Nothing was changed.";
}

} // namespace wtb
