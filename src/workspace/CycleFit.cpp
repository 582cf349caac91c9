#include "workspace/CycleFit.h"

#include "export/PlayerSketch.h"
#include "workspace/WorkspaceFault.h"

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
                    // no pitch: no length helps
                    raiseBecause(error, error.kind(), WorkspaceFault::NoSingleCycle,
                                 {{"slot", number}});
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
            raiseBecause(*asked, asked->kind(), WorkspaceFault::NoSingleCycle, {{"slot", number}});
        }
        raise(ErrorKind::Bounds, WorkspaceFault::CycleTooHigh,
              {{"slot", number},
               {"cells", kShortestCycle},
               {"format", sampleFormatDisplayName(format)},
               {"highest", highest}});
    }
    return {std::move(*cycle), isSingleCycle(slot) ? index % slot.sampleCount() : index};
}

void raiseSingleCycleKeepsRate(std::int16_t number, const Slot& slot, std::int32_t rate) {
    raise(ErrorKind::Bounds, WorkspaceFault::SingleCycleKeepsRate,
          {{"slot", number},
           {"cells", slot.sampleCount()},
           {"rate", slot.sampleRate},
           {"to", rate},
           {"toCells", std::llround(double(slot.sampleCount()) * rate / slot.sampleRate)}});
}

} // namespace wtb
