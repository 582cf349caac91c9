// Import of a ten-minute 44.1 kHz 16-bit stereo WAV at 16,384 Hz, beside sox doing the same
// conversion (`sox in.wav -r 16384 -c 1 -b 8 out.wav`) on the same file in the same run, and
// the peak memory of each, measured in a fresh process of its own.
#include "editing/SlotImport.h"
#include "slots/SoundHeaderProbe.h"
#include "support/BenchSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 600;
constexpr std::int32_t kTargetRate = 16384;

QTemporaryDir& scratch() {
    static QTemporaryDir dir;
    return dir;
}

const QString& tenMinutesOfStereo() {
    static const QString path = [] {
        const QString file = scratch().path() + "/ten-minutes.wav";
        wtb::bench::writeStereoTones(file, kRate, kSeconds, {{440, 14000}, {9000, 6000}},
                                     {{277, 15000}});
        return file;
    }();
    return path;
}

double fileBytes() {
    return static_cast<double>(QFileInfo(tenMinutesOfStereo()).size());
}

// A forked child starts with its parent's high-water mark, so a measured program is started
// from a fresh, small launcher process (this executable with kLauncherOption), whose own few
// megabytes are then the floor of the figure.
constexpr const char* kLauncherOption = "--peak-rss-of";

struct ChildUsage {
    double peakBytes = -1;
    double cpuSeconds = -1;
};

// Prints "peak-KiB cpu-microseconds" of the program, for runForPeak.
int printLaunchUsage(char** argv) {
    const pid_t child = fork();
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return 1;
    }
    const auto micros = [](const timeval& t) { return t.tv_sec * 1000000LL + t.tv_usec; };
    std::printf("%lld %lld\n", static_cast<long long>(usage.ru_maxrss),
                micros(usage.ru_utime) + micros(usage.ru_stime));
    return 0;
}

// Runs a program to its end: its peak resident size and CPU time, or -1s when it failed.
ChildUsage runForPeak(const std::vector<std::string>& arguments) {
    int channel[2];
    if (pipe(channel) != 0) {
        return {};
    }
    const pid_t launcher = fork();
    if (launcher == 0) {
        dup2(channel[1], STDOUT_FILENO);
        close(channel[0]);
        close(channel[1]);
        std::vector<char*> argv{const_cast<char*>("/proc/self/exe"),
                                const_cast<char*>(kLauncherOption)};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(channel[1]);
    const std::string output = wtb::bench::readAllAndClose(channel[0]);
    int status = 0;
    long long kib = -1;
    long long micros = -1;
    if (launcher < 0 || waitpid(launcher, &status, 0) != launcher || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0 || std::sscanf(output.c_str(), "%lld %lld", &kib, &micros) != 2) {
        return {};
    }
    return {kib * 1024.0, micros / 1e6};
}

std::vector<std::string> soxCommand() {
    return {"sox",
            QFile::encodeName(tenMinutesOfStereo()).toStdString(),
            "-r",
            std::to_string(kTargetRate),
            "-c",
            "1",
            "-b",
            "8",
            QFile::encodeName(scratch().path() + "/sox-out.wav").toStdString()};
}

constexpr const char* kImportOption = "--import-once";

// The child's work for the memory figure: start, import once, end.
int importOnce(const char* path) {
    try {
        wtb::slotFromFile(QString::fromLocal8Bit(path), {kTargetRate, false});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

void reportPeak(benchmark::State& state, double peakBytes) {
    if (peakBytes < 0) {
        state.SkipWithError("the peak memory could not be measured");
        return;
    }
    state.counters["file_MB"] = fileBytes() / 1e6;
    state.counters["peak_RSS_MB"] = peakBytes / 1e6;
    state.counters["peak_per_file_size"] = peakBytes / fileBytes(); // target < 2
    static const double launcherFloor = runForPeak({"true"}).peakBytes;
    state.counters["floor_MB"] = launcherFloor / 1e6;
}

void ImportAt16384(benchmark::State& state) {
    const QString& path = tenMinutesOfStereo();
    wtb::SlotBank bank;
    for (auto _ : state) {
        bank[1] = wtb::slotFromFile(path, {kTargetRate, state.range(0) != 0});
        benchmark::DoNotOptimize(bank[1].samples.bytes().data());
    }
    const double expected = double(kSeconds) * kTargetRate;
    if (std::abs(bank[1].endIndex + 1 - expected) > 1) {
        state.SkipWithError("the import gave the wrong length");
        return;
    }
    if (state.range(0) == 0) {
        reportPeak(state, runForPeak({"/proc/self/exe", kImportOption,
                                      QFile::encodeName(path).toStdString()})
                              .peakBytes);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fileBytes()));
}
BENCHMARK(ImportAt16384)
    ->ArgName("normalise")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

void SoxAt16384(benchmark::State& state) {
    const std::vector<std::string> command = soxCommand();
    ChildUsage usage;
    double cpuSeconds = 0;
    for (auto _ : state) {
        usage = runForPeak(command);
        if (usage.peakBytes < 0) {
            state.SkipWithError("sox failed (is it installed?)");
            return;
        }
        cpuSeconds += usage.cpuSeconds;
    }
    reportPeak(state, usage.peakBytes);
    // This process only waits; the work is the child's.
    state.counters["sox_cpu_ms"] = 1000 * cpuSeconds / double(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fileBytes()));
}
BENCHMARK(SoxAt16384)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    wtb::answerHeaderProbeIfAsked(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], kImportOption) == 0) {
        return importOnce(argv[2]);
    }
    if (argc >= 3 && std::strcmp(argv[1], kLauncherOption) == 0) {
        return printLaunchUsage(argv + 2);
    }
    return wtb::bench::runBenchmarks(argc, argv);
}
