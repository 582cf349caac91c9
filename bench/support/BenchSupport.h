#pragma once

#include <QString>

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wtb::bench {

// The console table, plus each benchmark's real time per iteration kept by its function name
// and argument ("Name/arg"), for the ratios a benchmark prints at the end.
class RealTimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;

protected:
    std::optional<double> realTime(const std::string& name) const;

    // Prints "<faster> is N.Nx faster than <slower>" when both ran.
    void printRatio(const std::string& faster, const std::string& slower) const;

private:
    std::map<std::string, double> realTimes_;
};

// A benchmark program's main after its own options: runs what the command line selects,
// reported through `reporter` when one is given. Returns the exit status.
int runBenchmarks(int argc, char** argv, benchmark::BenchmarkReporter* reporter = nullptr);

// Everything left to read from `fd` (a child's output), which is then closed.
std::string readAllAndClose(int fd);

// One sine in a channel: frequency in Hz and peak in 16-bit steps.
struct Tone {
    double hz;
    double peak;
};

// Writes a 16-bit stereo WAV of `seconds` at `rate`, each channel the sum of its tones; exits
// the benchmark with a message when the file cannot be written.
void writeStereoTones(const QString& path, int rate, int seconds, const std::vector<Tone>& left,
                      const std::vector<Tone>& right);

} // namespace wtb::bench
