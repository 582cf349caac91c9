// Import of a one-minute 44.1 kHz 16-bit stereo WAV into a slot: its time beside a plain read
// of the same file, and the memory it needs above what the program held before, as a
// multiple of the file's size.
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
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 60;

const QString& longStereoWav() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.path() + "/minute.wav";
        wtb::bench::writeStereoTones(file, kRate, kSeconds, {{440, 20000}}, {{277, 15000}});
        return file;
    }();
    return path;
}

std::int64_t statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0 && line[length] == ':') {
            return std::stoll(line.substr(length + 1));
        }
    }
    return -1;
}

struct Footprint {
    std::int64_t idleKiB = -1;
    std::int64_t peakBeforeKiB = -1; // the high-water mark right after resetting it
    std::int64_t peakKiB = -1;
};

constexpr const char* kFootprintOption = "--import-footprint";

// Runs in a fresh process, whose heap holds no memory freed earlier that an import could
// reuse without it ever counting as resident again.
int printImportFootprint(const char* path) {
    Footprint footprint;
    try {
        wtb::SlotBank bank;
        std::ofstream("/proc/self/clear_refs") << "5"; // resets VmHWM to the current RSS
        footprint.idleKiB = statusKiB("VmRSS");
        footprint.peakBeforeKiB = statusKiB("VmHWM");
        bank[1] = wtb::slotFromFile(QString::fromLocal8Bit(path));
        footprint.peakKiB = statusKiB("VmHWM");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    std::printf("%lld %lld %lld\n", static_cast<long long>(footprint.idleKiB),
                static_cast<long long>(footprint.peakBeforeKiB),
                static_cast<long long>(footprint.peakKiB));
    return 0;
}

Footprint measureImportFootprint(const QString& path) {
    int channel[2];
    if (pipe(channel) != 0) {
        return {};
    }
    const QByteArray file = QFile::encodeName(path);
    const pid_t child = fork();
    if (child == 0) {
        dup2(channel[1], STDOUT_FILENO);
        close(channel[0]);
        close(channel[1]);
        execl("/proc/self/exe", "bench_import", kFootprintOption, file.constData(), nullptr);
        _exit(127);
    }
    close(channel[1]);
    const std::string output = wtb::bench::readAllAndClose(channel[0]);
    int status = 0;
    Footprint footprint;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
        WEXITSTATUS(status) == 0) {
        long long idle = -1, before = -1, peak = -1;
        if (std::sscanf(output.c_str(), "%lld %lld %lld", &idle, &before, &peak) == 3) {
            footprint = {idle, before, peak};
        }
    }
    return footprint;
}

void ImportMinuteOfStereo16(benchmark::State& state) {
    const QString& path = longStereoWav();
    const double fileBytes = static_cast<double>(QFileInfo(path).size());
    wtb::SlotBank bank;
    for (auto _ : state) {
        bank[1] = wtb::slotFromFile(path);
        benchmark::DoNotOptimize(bank[1].samples.bytes().data());
    }
    if (bank[1].endIndex != kRate * kSeconds - 1) {
        state.SkipWithError("the import gave the wrong length");
        return;
    }

    const Footprint footprint = measureImportFootprint(path);
    // A high-water mark far above the resident size means it was not reset.
    if (footprint.peakKiB < 0 || footprint.peakBeforeKiB > footprint.idleKiB + 1024) {
        state.SkipWithError("the peak memory could not be measured");
        return;
    }
    const double peakAboveIdle =
        1024.0 * static_cast<double>(footprint.peakKiB - footprint.idleKiB);
    state.counters["file_MB"] = fileBytes / 1e6;
    state.counters["peak_MB_above_idle"] = peakAboveIdle / 1e6;
    state.counters["peak_per_file_size"] = peakAboveIdle / fileBytes; // target < 3
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fileBytes));
}
BENCHMARK(ImportMinuteOfStereo16)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The floor: reading the same file's bytes and nothing else.
void ReadTheFileOnly(benchmark::State& state) {
    const QString& path = longStereoWav();
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot read the file");
            return;
        }
        benchmark::DoNotOptimize(file.readAll().size());
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}
BENCHMARK(ReadTheFileOnly)->Unit(benchmark::kMillisecond);

// What the child-process check of a file's header adds to every decode, beside opening the
// same header in the process itself.
const QString& oneSecondWav() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.path() + "/short.wav";
        wtb::bench::writeStereoTones(file, 8000, 1, {{440, 20000}}, {{440, 20000}});
        return file;
    }();
    return path;
}

void ProbeHeaderInChild(benchmark::State& state) {
    for (auto _ : state) {
        if (wtb::probeSoundHeader(oneSecondWav(), wtb::kHeaderTimeLimit) !=
            wtb::HeaderProbe::Opened) {
            state.SkipWithError("the header did not open");
            return;
        }
    }
}
BENCHMARK(ProbeHeaderInChild)->Unit(benchmark::kMillisecond);

void OpenHeaderInProcess(benchmark::State& state) {
    const QByteArray path = QFile::encodeName(oneSecondWav());
    for (auto _ : state) {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.constData(), SFM_READ, &info);
        benchmark::DoNotOptimize(file);
        sf_close(file);
    }
}
BENCHMARK(OpenHeaderInProcess)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    wtb::answerHeaderProbeIfAsked(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], kFootprintOption) == 0) {
        return printImportFootprint(argv[2]);
    }
    return wtb::bench::runBenchmarks(argc, argv);
}
