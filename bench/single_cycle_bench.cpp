// One cycle cut from a low note (a 25 Hz sawtooth, the longest periods the detection measures
// most often) in slots of one second and of ten minutes, at 16,384 Hz and at 96,000 Hz: the work
// reads about a second either side of the index, so the long slot costs what the short one
// does. The ratios are printed at the end.
#include "editing/SingleCycle.h"
#include "support/BenchSupport.h"
#include "support/TestSupport.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <string>

namespace {

constexpr double kPitch = 25.0;

const wtb::Slot& sawtoothSlot(std::int32_t rate, std::int32_t seconds) {
    static std::map<std::pair<std::int32_t, std::int32_t>, wtb::Slot> cache;
    wtb::Slot& slot = cache[{rate, seconds}];
    if (slot.samples.empty()) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(rate) * seconds);
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            const double cycles = kPitch * double(n) / rate;
            bytes[n] =
                static_cast<std::uint8_t>(28 + std::lround(200 * (cycles - std::floor(cycles))));
        }
        const auto last = static_cast<std::int32_t>(bytes.size()) - 1;
        slot = wtb::test::makeSlot(bytes, last, "saw", rate);
    }
    return slot;
}

void SingleCycle(benchmark::State& state) {
    const wtb::Slot& slot = sawtoothSlot(static_cast<std::int32_t>(state.range(0)),
                                         static_cast<std::int32_t>(state.range(1)));
    for (auto _ : state) {
        const wtb::SingleCycle cycle = wtb::singleCycle(slot, 256, wtb::defaultCycleIndex(slot));
        benchmark::DoNotOptimize(cycle.frequency);
    }
}
BENCHMARK(SingleCycle)
    ->Args({16384, 1})
    ->Args({16384, 600})
    ->Args({96000, 1})
    ->Args({96000, 600})
    ->Unit(benchmark::kMillisecond);

class RatioReporter : public wtb::bench::RealTimeReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        printRatio("SingleCycle/16384/1", "SingleCycle/16384/600");
        printRatio("SingleCycle/96000/1", "SingleCycle/96000/600");
    }
};

} // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    return wtb::bench::runBenchmarks(argc, argv, &reporter);
}
