// Snapping a loop set by hand to a seamless join, on slots of 10,000 and 1,000,000 samples:
// the search windows are bounded, so the time should not grow with the slot. A tone and white
// noise, where a seamless join lies near the wanted ends, beside a slow ramp (a sawtooth of
// half a second) where none does and both windows are searched whole: the worst case.
#include "editing/LoopSeam.h"
#include "slots/SoundHeaderProbe.h"
#include "support/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

namespace {

enum Sound : int { Tone, Noise, Ramp };

const std::vector<std::uint8_t>& samples(Sound sound, std::int64_t count) {
    static std::map<std::pair<int, std::int64_t>, std::vector<std::uint8_t>> cache;
    auto& bytes = cache[{sound, count}];
    if (bytes.empty()) {
        std::mt19937 random(7);
        bytes.resize(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const double tone = 90.0 * std::sin(static_cast<double>(i) * 2 * M_PI * 196 / 16384) +
                                20.0 * std::sin(static_cast<double>(i) * 2 * M_PI * 392 / 16384);
            const auto ramp = static_cast<std::uint8_t>((i % 8192) / 32);
            bytes[i] = sound == Tone   ? static_cast<std::uint8_t>(std::lround(128 + tone))
                       : sound == Ramp ? ramp
                                       : static_cast<std::uint8_t>(random() & 0xff);
        }
    }
    return bytes;
}

void SnapLoop(benchmark::State& state) {
    const auto& bytes = samples(static_cast<Sound>(state.range(0)), state.range(1));
    const auto last = static_cast<std::int32_t>(bytes.size()) - 1;
    // A loop of about a tenth of a second in the middle, ends off the seamless joins.
    const wtb::Loop wanted{last / 2 + 37, last / 2 + 1637};
    for (auto _ : state) {
        const wtb::SettledLoop settled = wtb::snapLoop(bytes, wanted, last);
        benchmark::DoNotOptimize(settled);
    }
}
BENCHMARK(SnapLoop)
    ->ArgsProduct({{Tone, Noise, Ramp}, {10'000, 1'000'000}})
    ->ArgNames({"sound", "samples"})
    ->Unit(benchmark::kMicrosecond);

class RatioReporter : public wtb::bench::RealTimeReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        // Near 1.0x: the slot's length does not count.
        for (const char* sound : {"0", "1", "2"}) {
            const std::string prefix = std::string("SnapLoop/sound:") + sound + "/samples:";
            printRatio(prefix + "1000000", prefix + "10000");
        }
        // What an early seamless join saves against the whole windows.
        printRatio("SnapLoop/sound:0/samples:1000000", "SnapLoop/sound:2/samples:1000000");
    }
};

} // namespace

int main(int argc, char** argv) {
    wtb::answerHeaderProbeIfAsked(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
