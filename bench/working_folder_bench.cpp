// Load and save of sixteen slots of 1,000,000 samples each, beside a plain copy of the same
// files with cp, measured in the same run.
#include "slots/SoundFile.h"
#include "slots/SoundHeaderProbe.h"
#include "slots/WorkingFolder.h"
#include "support/BenchSupport.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

namespace {

constexpr std::int32_t kSamplesPerSlot = 1'000'000;

const QString& sourceFolder() {
    static QTemporaryDir dir;
    static bool filled = false;
    if (!filled) {
        wtb::SlotBank bank;
        wtb::test::fillBank(bank, wtb::test::randomSlots(kSamplesPerSlot, 42), 44100);
        wtb::saveWorkingFolder(bank, dir.path());
        filled = true;
    }
    static const QString path = dir.path();
    return path;
}

void LoadAndSave(benchmark::State& state) {
    QTemporaryDir target;
    for (auto _ : state) {
        const wtb::SlotBank bank =
            wtb::loadWorkingFolder(sourceFolder(), wtb::NewFolder::WriteDefaultKit);
        wtb::saveWorkingFolder(bank, target.path());
    }
    state.SetBytesProcessed(state.iterations() * 2 * 16 * std::int64_t{kSamplesPerSlot});
}
BENCHMARK(LoadAndSave)->Unit(benchmark::kMillisecond);

void CopyWithCp(benchmark::State& state) {
    QTemporaryDir target;
    const std::string command =
        "cp " + sourceFolder().toStdString() + "/* " + target.path().toStdString() + "/";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cp failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * 16 * std::int64_t{kSamplesPerSlot});
}
BENCHMARK(CopyWithCp)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    wtb::answerHeaderProbeIfAsked(argc, argv);
    return wtb::bench::runBenchmarks(argc, argv);
}
