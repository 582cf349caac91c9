// Redraw of the waveform view for slots of 1,000,000 and 10,000,000 samples: the literal
// drawing (one painter call per sample) beside the per-column renderer, in the same run, and
// the whole showing of a 10,000,000-sample slot in the window (readouts, picture), and a redraw
// of that slot zoomed in 1024 times, which reduces only the samples shown.
#include "slots/SoundHeaderProbe.h"
#include "support/BenchSupport.h"
#include "support/LiteralTrace.h"
#include "support/TestSupport.h"
#include "window/MainWindow.h"
#include "window/WaveformRaster.h"
#include "window/WaveformView.h"

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>

namespace {

const std::vector<std::uint8_t>& samples(std::int64_t count) {
    static std::map<std::int64_t, std::vector<std::uint8_t>> cache;
    auto& bytes = cache[count];
    if (bytes.empty()) {
        // A noisy sine: every column of the view holds a tall run, the renderer's usual case.
        std::mt19937 random(42);
        bytes.resize(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const double wave = 100.0 * std::sin(static_cast<double>(i) * 0.001);
            bytes[i] = static_cast<std::uint8_t>(128 + wave + static_cast<int>(random() % 21) - 10);
        }
    }
    return bytes;
}

using Trace = wtb::TraceDrawing;

// The whole picture, with the end marker in the middle.
QImage redraw(std::span<const std::uint8_t> bytes, Trace trace) {
    const auto last = static_cast<std::int32_t>(bytes.size()) - 1;
    return wtb::waveformPicture(QSize(577, 129), 1.0, bytes, last / 2, trace);
}

void RedrawLiteral(benchmark::State& state) {
    const auto& bytes = samples(state.range(0));
    for (auto _ : state) {
        const QImage picture = redraw(bytes, &wtb::test::drawTraceLiteral);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(RedrawLiteral)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

void RedrawFast(benchmark::State& state) {
    const auto& bytes = samples(state.range(0));
    for (auto _ : state) {
        const QImage picture = redraw(bytes, &wtb::drawTraceFast);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(RedrawFast)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// The middle of the sound at 1024 times the width: the literal drawing still makes one call per
// sample of the whole sound; the per-column renderer looks only at the samples shown.
void RedrawZoomed(benchmark::State& state, Trace trace) {
    const auto& bytes = samples(state.range(0));
    const auto last = static_cast<std::int32_t>(bytes.size()) - 1;
    wtb::WaveformMapping mapping = wtb::WaveformMapping::whole(last, 577);
    for (int step = 0; step < 10; ++step) {
        mapping = wtb::zoomedAround(mapping, 2.0, 577 / 2.0);
    }
    QImage picture(577, 129, QImage::Format_RGB32);
    for (auto _ : state) {
        wtb::drawWaveform(picture, bytes, last / 2, mapping, trace);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
void RedrawZoomedLiteral(benchmark::State& state) {
    RedrawZoomed(state, &wtb::test::drawTraceLiteral);
}
void RedrawZoomedFast(benchmark::State& state) {
    RedrawZoomed(state, &wtb::drawTraceFast);
}
BENCHMARK(RedrawZoomedLiteral)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(RedrawZoomedFast)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

void ShowSlotWhole(benchmark::State& state) {
    QTemporaryDir folder;
    std::vector<wtb::test::SlotContent> slots(16, {std::vector<std::uint8_t>(100, 128), "", 99});
    slots[0].bytes = samples(state.range(0));
    slots[0].endIndex = static_cast<std::int32_t>(slots[0].bytes.size()) - 1;
    wtb::test::writeWorkingFolder(folder.path(), slots);
    wtb::MainWindow window(folder.path());
    if (!window.open()) {
        state.SkipWithError("the working folder did not open");
        return;
    }
    for (auto _ : state) {
        window.chooseSlot(1);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ShowSlotWhole)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// Prints, after the table, how many times faster the per-column renderer is than the literal.
class RatioReporter : public wtb::bench::RealTimeReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* size : {"1000000", "10000000"}) {
            printRatio(std::string("RedrawFast/") + size, std::string("RedrawLiteral/") + size);
        }
        printRatio("RedrawZoomedFast/10000000", "RedrawZoomedLiteral/10000000");
    }
};

} // namespace

int main(int argc, char** argv) {
    wtb::answerHeaderProbeIfAsked(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
