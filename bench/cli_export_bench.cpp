// `wavetable-builder export` from the shell, process start to exit, on a full working folder of
// sixteen slots holding 65,535 samples in all (the most the sketch's accessors reach), beside
// `xxd -i` on the same 65,535 bytes and the program answering --version, the floor any run of
// it pays, measured in one run. The ratios are printed at the end.
#include "slots/SoundHeaderProbe.h"
#include "slots/WorkingFolder.h"
#include "support/BenchSupport.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr std::int32_t kSamplesPerSlot = 4096;
constexpr std::int32_t kTotalSamples = 65'535; // 15 slots of 4096 and one of 4095

const QTemporaryDir& scratchDir() {
    static QTemporaryDir dir;
    return dir;
}

std::vector<wtb::test::SlotContent> fullSlots() {
    std::vector<wtb::test::SlotContent> slots = wtb::test::randomSlots(kSamplesPerSlot, 11);
    slots.back().bytes.pop_back();
    slots.back().endIndex = kSamplesPerSlot - 2;
    return slots;
}

// The working folder, written once.
const QString& workingFolder() {
    static const QString folder = [] {
        const QString path = scratchDir().filePath("folder");
        QDir().mkpath(path);
        wtb::test::writeWorkingFolder(path, fullSlots());
        return path;
    }();
    return folder;
}

// The same samples back to back, the input `xxd -i` turns into a C array.
const QString& rawSampleFile() {
    static const QString file = [] {
        const QString path = scratchDir().filePath("samples.raw");
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        for (const auto& slot : fullSlots()) {
            out.write(reinterpret_cast<const char*>(slot.bytes.data()),
                      static_cast<qint64>(slot.bytes.size()));
        }
        return path;
    }();
    return file;
}

// Runs the program (found on PATH unless it has a slash) with no shell; true when it exited 0.
// Its output goes nowhere, and its messages too when `quiet`.
bool runToExit(const std::vector<std::string>& command, bool quiet = true) {
    std::vector<char*> argv;
    for (const std::string& argument : command) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return error == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

void measureRuns(benchmark::State& state, const std::vector<std::string>& command,
                 std::int64_t bytesPerRun) {
    if (!runToExit(command)) {
        runToExit(command, false); // again, to show why
        state.SkipWithError(("did not run: " + command[0]).c_str());
        return;
    }
    for (auto _ : state) {
        if (!runToExit(command)) {
            state.SkipWithError(("failed: " + command[0]).c_str());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * bytesPerRun);
}

std::string sketchPath() {
    return scratchDir().filePath("Zozedovad.ino").toStdString();
}

// 65,535 bytes are more than the Uno's flash holds beside a player: the export is forced, as
// "Save anyway" is in the window, and names its board so no remembered choice changes the run.
void ShellExport(benchmark::State& state) {
    measureRuns(state,
                {WTB_PROGRAM, "--folder", workingFolder().toStdString(), "export", "--board", "uno",
                 "--force", "-o", sketchPath()},
                kTotalSamples);
    state.counters["sketch_bytes"] =
        static_cast<double>(QFile(scratchDir().filePath("Zozedovad.ino")).size());
}
// Everything happens in a child process: only the wall clock sees its work.
BENCHMARK(ShellExport)->Unit(benchmark::kMillisecond)->UseRealTime();

void XxdInclude(benchmark::State& state) {
    measureRuns(state,
                {"xxd", "-i", rawSampleFile().toStdString(),
                 scratchDir().filePath("samples.h").toStdString()},
                kTotalSamples);
}
BENCHMARK(XxdInclude)->Unit(benchmark::kMillisecond)->UseRealTime();

void ProgramVersion(benchmark::State& state) {
    measureRuns(state, {WTB_PROGRAM, "--version"}, 0);
}
BENCHMARK(ProgramVersion)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints, after the table, the shell's time against xxd's and the share of mere start-up.
class RatioReporter : public wtb::bench::RealTimeReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        const std::optional<double> shell = realTime("ShellExport");
        const std::optional<double> xxd = realTime("XxdInclude");
        const std::optional<double> floor = realTime("ProgramVersion");
        if (shell && xxd) {
            std::printf("ShellExport takes %.2fx the time of xxd -i on the same bytes\n",
                        *shell / *xxd);
        }
        if (shell && floor) {
            std::printf("of which the program's start and exit (--version) are %.0f%%\n",
                        100.0 * *floor / *shell);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    wtb::answerHeaderProbeIfAsked(argc, argv);
    RatioReporter reporter;
    return wtb::bench::runBenchmarks(argc, argv, &reporter);
}
