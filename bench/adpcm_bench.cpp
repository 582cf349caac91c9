// Encoding a kit of 16 slots of 65,535 samples to 4-bit ADPCM: with the look-ahead, plainly
// (the standard IMA encoder), and by `sox -e ima-adpcm` on the same samples in an 8-bit WAV,
// measured in one run; the ratios are printed at the end.
#include "export/Adpcm.h"
#include "slots/SoundFile.h"
#include "support/BenchSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <random>

namespace {

constexpr std::size_t kSlotSamples = 65'535;

// Sixteen sounds like a kit's: decaying tones and noise bursts at different pitches.
const std::vector<std::vector<std::uint8_t>>& kit() {
    static const std::vector<std::vector<std::uint8_t>> slots = [] {
        std::vector<std::vector<std::uint8_t>> all;
        std::mt19937 random(11);
        for (int slot = 0; slot < 16; ++slot) {
            std::vector<std::uint8_t> bytes(kSlotSamples);
            for (std::size_t k = 0; k < bytes.size(); ++k) {
                const double decay = std::exp(-3.0 * static_cast<double>(k) / kSlotSamples);
                const double tone = std::sin(0.01 * (slot + 1) * static_cast<double>(k));
                const double noise = (slot % 4 == 0) ? (random() % 64) / 64.0 - 0.5 : 0.0;
                bytes[k] = static_cast<std::uint8_t>(
                    std::clamp(128.0 + decay * (100.0 * tone + 60.0 * noise), 0.0, 255.0));
            }
            bytes.front() = bytes.back() = 128;
            all.push_back(std::move(bytes));
        }
        return all;
    }();
    return slots;
}

void encodeKit(benchmark::State& state, wtb::AdpcmSearch search) {
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const auto& slot : kit()) {
            bytes += wtb::encodeAdpcm(slot, search).bytes.size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 16 * kSlotSamples);
}

void EncodeLookAhead(benchmark::State& state) {
    encodeKit(state, wtb::AdpcmSearch::LookAhead);
}
BENCHMARK(EncodeLookAhead)->Unit(benchmark::kMillisecond);

void EncodePlain(benchmark::State& state) {
    encodeKit(state, wtb::AdpcmSearch::Plain);
}
BENCHMARK(EncodePlain)->Unit(benchmark::kMillisecond);

// sox reads the whole kit from one 8-bit WAV and writes IMA ADPCM: a child process, so only
// the wall clock sees its work.
void SoxImaAdpcm(benchmark::State& state) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) {
        state.SkipWithError("sox is not installed (Debian package sox)");
        return;
    }
    static QTemporaryDir dir;
    const QString input = dir.filePath("kit.wav");
    std::vector<std::uint8_t> all;
    for (const auto& slot : kit()) {
        all.insert(all.end(), slot.begin(), slot.end());
    }
    const std::string wav = wtb::encodeWav8(all, 16'384);
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(wav.data(), static_cast<qint64>(wav.size())) !=
            static_cast<qint64>(wav.size())) {
        state.SkipWithError("cannot write the kit's WAV file");
        return;
    }
    file.close();
    const std::string command = "sox '" + input.toStdString() + "' -e ima-adpcm '" +
                                dir.filePath("kit-ima.wav").toStdString() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("sox failed");
            return;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 16 * kSlotSamples);
}
BENCHMARK(SoxImaAdpcm)->Unit(benchmark::kMillisecond)->UseRealTime();

class RatioReporter : public wtb::bench::RealTimeReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        printRatio("EncodePlain", "EncodeLookAhead");
        printRatio("EncodeLookAhead", "SoxImaAdpcm");
    }
};

} // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    return wtb::bench::runBenchmarks(argc, argv, &reporter);
}
