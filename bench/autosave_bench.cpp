// The save after a change on a folder of sixteen slots of 1,000,000 samples each: how long it
// takes to reach the disk and the longest time the event loop (the window's thread) could not
// run meanwhile, beside cp of the same files followed by sync.
#include "slots/SoundHeaderProbe.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"
#include "support/BenchSupport.h"
#include "support/TestSupport.h"
#include "workspace/AutoSave.h"
#include "workspace/Workspace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr std::int32_t kSamplesPerSlot = 1'000'000;

const QString& sourceFolder() {
    static QTemporaryDir dir;
    static const bool filled = [] {
        wtb::saveWorkingFolder(
            wtb::test::bankOf(wtb::test::randomSlots(kSamplesPerSlot, 42), 44100), dir.path());
        return true;
    }();
    (void)filled;
    static const QString path = dir.path();
    return path;
}

void SaveAfterChange(benchmark::State& state) {
    QTemporaryDir folder;
    std::system(
        ("cp " + sourceFolder().toStdString() + "/* " + folder.path().toStdString()).c_str());
    wtb::Workspace workspace(folder.path(), std::make_unique<wtb::WorkingFolderLock>(folder.path()),
                             wtb::NewFolder::WriteDefaultKit);
    wtb::AutoSave autoSave(workspace, std::chrono::milliseconds(0));
    bool saved = false;
    QObject::connect(&autoSave, &wtb::AutoSave::saved, [&] { saved = true; });
    double longestStallMs = 0;
    std::int32_t end = kSamplesPerSlot - 1;
    for (auto _ : state) {
        saved = false;
        QElapsedTimer clock;
        clock.start();
        workspace.trim(1, end); // a change: the end index moves back to a crossing
        end = *workspace.trim(1, end) - 1000;
        QElapsedTimer sinceTick;
        sinceTick.start();
        while (!saved) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
            longestStallMs = std::max(longestStallMs, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
        }
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    state.counters["longest_stall_ms"] = longestStallMs;
    state.SetBytesProcessed(state.iterations() * 16 * std::int64_t{kSamplesPerSlot});
}
BENCHMARK(SaveAfterChange)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void CopyWithCpAndSync(benchmark::State& state) {
    QTemporaryDir target;
    const std::string command =
        "cp " + sourceFolder().toStdString() + "/* " + target.path().toStdString() + "/ && sync";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cp failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * 16 * std::int64_t{kSamplesPerSlot});
}
BENCHMARK(CopyWithCpAndSync)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    wtb::answerHeaderProbeIfAsked(argc, argv);
    QCoreApplication app(argc, argv);
    return wtb::bench::runBenchmarks(argc, argv);
}
