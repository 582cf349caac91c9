#include "support/BenchSupport.h"

#include <QFile>

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace wtb::bench {

void RealTimeReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
            // By function and argument: "Name/arg", without the "/real_time" a timing mode adds.
            const auto& name = run.run_name;
            realTimes_[name.function_name + (name.args.empty() ? "" : "/" + name.args)] =
                run.GetAdjustedRealTime();
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

std::optional<double> RealTimeReporter::realTime(const std::string& name) const {
    const auto found = realTimes_.find(name);
    return found == realTimes_.end() ? std::nullopt : std::optional<double>(found->second);
}

void RealTimeReporter::printRatio(const std::string& faster, const std::string& slower) const {
    const std::optional<double> fast = realTime(faster);
    const std::optional<double> slow = realTime(slower);
    if (fast && slow && *fast > 0) {
        std::printf("%s is %.1fx faster than %s\n", faster.c_str(), *slow / *fast, slower.c_str());
    }
}

std::string readAllAndClose(int fd) {
    std::string output;
    char block[256];
    for (ssize_t got; (got = read(fd, block, sizeof block)) > 0;) {
        output.append(block, static_cast<std::size_t>(got));
    }
    close(fd);
    return output;
}

namespace {

double channelAt(const std::vector<Tone>& tones, double t) {
    double sum = 0;
    for (const Tone& tone : tones) {
        sum += tone.peak * std::sin(2 * M_PI * tone.hz * t);
    }
    return sum;
}

} // namespace

void writeStereoTones(const QString& path, int rate, int seconds, const std::vector<Tone>& left,
                      const std::vector<Tone>& right) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!out) {
        std::fprintf(stderr, "cannot write the benchmark's sound file: %s\n", sf_strerror(nullptr));
        std::exit(1);
    }
    std::vector<short> frames(2 * static_cast<std::size_t>(rate));
    for (int second = 0; second < seconds; ++second) {
        for (int i = 0; i < rate; ++i) {
            const double t = (static_cast<double>(second) * rate + i) / rate;
            frames[2 * static_cast<std::size_t>(i)] = static_cast<short>(channelAt(left, t));
            frames[2 * static_cast<std::size_t>(i) + 1] = static_cast<short>(channelAt(right, t));
        }
        sf_writef_short(out, frames.data(), rate);
    }
    sf_close(out);
}

int runBenchmarks(int argc, char** argv, benchmark::BenchmarkReporter* reporter) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (reporter != nullptr) {
        benchmark::RunSpecifiedBenchmarks(reporter);
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    return 0;
}

} // namespace wtb::bench
