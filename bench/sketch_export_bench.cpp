// Building the sketch text for sixteen slots of 4,000,000 random samples in all (and for the
// largest table a board can read, split into three arrays), beside
// `xxd -i` on a file of the same 4,000,000 bytes and a plain std::ostringstream rendering of
// the same text, measured in one run. Throughput is reported in bytes of text per second; the
// ratios to both baselines are printed at the end.
#include "common/AtomicFile.h"
#include "export/PcmTableSketch.h"
#include "export/SketchWriter.h"
#include "slots/SlotName.h"
#include "slots/SoundHeaderProbe.h"
#include "support/BenchSupport.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>

namespace {

constexpr std::int32_t kTotalSamples = 4'000'000;
constexpr std::int32_t kSamplesPerSlot = kTotalSamples / 16;

const wtb::SlotBank& randomBank() {
    static wtb::SlotBank bank;
    static bool filled = false;
    if (!filled) {
        wtb::test::fillBank(bank, wtb::test::randomSlots(kSamplesPerSlot, 7));
        filled = true;
    }
    return bank;
}

// The same text written the obvious way, one stream insertion per number.
std::string streamedSketchText(const wtb::SlotBank& bank) {
    std::ostringstream a;
    std::ostringstream b;
    std::int32_t total = 0;
    for (int slot = 1; slot <= 16; ++slot) {
        total += bank[slot].endIndex + 1;
    }
    a << "const char wave_store[" << total << "] PROGMEM = {\r\n";
    b << "const unsigned int wave_start[17] PROGMEM = {";
    std::int32_t k = 0;
    for (int slot = 1; slot <= 16; ++slot) {
        const auto bytes = bank[slot].samples.bytes();
        const std::int32_t end = bank[slot].endIndex;
        b << k << ',';
        a << "//" << wtb::commentSafeName(bank[slot].name) << "\r\n";
        for (std::int32_t h = 0; h <= end; ++h) {
            a << (h == 0 || h == end ? 0 : int{bytes[static_cast<std::size_t>(h)]} - 128) << ',';
            ++k;
        }
        a << "\r\n";
    }
    std::string text = a.str();
    text.resize(text.size() - 3);
    text += "};\r\n";
    b << k << "};\r\n";
    text += b.str();
    for (const char* line : {"char Zozedovad_Get_Sample(unsigned int index){",
                             "return pgm_read_byte(&wave_store[index]);", "}",
                             "unsigned int Zozedovad_Get_Start(byte index){",
                             "return pgm_read_word_near(&wave_start[index]);", "}"}) {
        text += line;
        text += "\r\n";
    }
    return text;
}

const QTemporaryDir& scratchDir() {
    static QTemporaryDir dir;
    return dir;
}

// The slots' bytes back to back, the input `xxd -i` turns into a C array.
QString rawSampleFile() {
    static const QString path = [] {
        const QString file = scratchDir().filePath("samples.raw");
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        for (int slot = 1; slot <= 16; ++slot) {
            const auto bytes = randomBank()[slot].samples.bytes();
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qint64>(bytes.size()));
        }
        return file;
    }();
    return path;
}

// Builds the bank's text in each iteration; gives the text's size.
std::size_t buildTextOf(benchmark::State& state, const wtb::SlotBank& bank) {
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string text = wtb::buildSketchText(bank);
        size = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
    return size;
}

void BuildSketchText(benchmark::State& state) {
    const std::size_t size = buildTextOf(state, randomBank());
    state.counters["text_MB"] = static_cast<double>(size) / 1e6;
    state.counters["text_MB_per_s"] = benchmark::Counter(
        static_cast<double>(size) * static_cast<double>(state.iterations()) / 1e6,
        benchmark::Counter::kIsRate);
}
BENCHMARK(BuildSketchText)->Unit(benchmark::kMillisecond)->UseRealTime();

// The largest table a sketch can read, 65,535 samples: three arrays, the split text.
const wtb::SlotBank& largestReadableBank() {
    static wtb::SlotBank bank;
    static bool filled = false;
    if (!filled) {
        // 4,095 samples a slot and 15 more in the last: 65,535.
        std::vector<wtb::test::SlotContent> slots =
            wtb::test::randomSlots(wtb::kAccessorSampleLimit / 16, 11);
        slots.back().bytes.resize(slots.back().bytes.size() + 15, 200);
        slots.back().endIndex += 15;
        wtb::test::fillBank(bank, slots);
        filled = true;
    }
    return bank;
}

void BuildSplitSketchText(benchmark::State& state) {
    buildTextOf(state, largestReadableBank());
}
BENCHMARK(BuildSplitSketchText)->Unit(benchmark::kMicrosecond)->UseRealTime();

// What writeSketch does once its checks pass; writeSketch itself refuses a table this large.
void WriteSketchFile(benchmark::State& state) {
    const wtb::SlotBank& bank = randomBank();
    const QString path = scratchDir().filePath("Zozedovad.ino");
    for (auto _ : state) {
        wtb::writeFileAtomically(path, wtb::buildSketchText(bank));
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(WriteSketchFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void StreamedSketchText(benchmark::State& state) {
    const wtb::SlotBank& bank = randomBank();
    if (streamedSketchText(bank) != wtb::buildSketchText(bank)) {
        state.SkipWithError("the streamed text differs from the sketch text");
        return;
    }
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string text = streamedSketchText(bank);
        size = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK(StreamedSketchText)->Unit(benchmark::kMillisecond)->UseRealTime();

void XxdInclude(benchmark::State& state) {
    if (std::system("command -v xxd >/dev/null 2>&1") != 0) {
        state.SkipWithError("xxd is not installed (Debian package xxd)");
        return;
    }
    const std::string command = "xxd -i '" + rawSampleFile().toStdString() + "' >/dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("xxd -i failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kTotalSamples});
}
// xxd runs in a child process: only the wall clock sees its work.
BENCHMARK(XxdInclude)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints the usual table, then how many times faster the sketch text is than each baseline.
class RatioReporter : public wtb::bench::RealTimeReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* baseline : {"XxdInclude", "StreamedSketchText"}) {
            printRatio("BuildSketchText", baseline);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    wtb::answerHeaderProbeIfAsked(argc, argv);
    RatioReporter reporter;
    return wtb::bench::runBenchmarks(argc, argv, &reporter);
}
