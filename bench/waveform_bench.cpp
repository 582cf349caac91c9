// Redraw of the waveform view for slots of 1,000,000 and 10,000,000 samples: the literal
// drawing (one painter call per sample) beside the per-column renderer, in the same run, and
// the whole UpdateDisplay (copy into WaveData, readouts, picture) of a 10,000,000-sample slot.
#include "common/RoundHalfEven.h"
#include "slots/SoundHeaderProbe.h"
#include "support/BenchSupport.h"
#include "support/LiteralTrace.h"
#include "support/TestSupport.h"
#include "window/PictureBox.h"
#include "window/WaveformRaster.h"
#include "window/WaveformScale.h"
#include "window/frmMain.h"

#include <QApplication>
#include <QPainter>

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

using Trace = void (*)(QPainter&, std::span<const std::uint8_t>, std::int32_t, std::int32_t);

// Everything UpdateDisplay draws, in its order, with the given trace renderer.
void redraw(wtb::PictureBox& box, std::span<const std::uint8_t> bytes, Trace trace) {
    box.clear();
    const float W = box.scaleWidth();
    const float H = box.scaleHeight();
    const std::int32_t Wr = wtb::toInt32HalfEven(W);
    const std::int32_t Hr = wtb::toInt32HalfEven(H);
    const auto last = static_cast<std::int32_t>(bytes.size()) - 1;
    box.line(0, 0, 0, H, wtb::kRedLine);
    box.line(0, H / 2, W, H / 2, wtb::kRedLine);
    const std::int32_t marker = wtb::indexToX(last / 2, last, Wr);
    box.line(marker, 0, marker, H, wtb::kGreenMarker);
    box.paint(wtb::kBlueTrace, [&](QPainter& painter) { trace(painter, bytes, Wr, Hr); });
}

void RedrawLiteral(benchmark::State& state) {
    const auto& bytes = samples(state.range(0));
    wtb::PictureBox box(QSize(577, 129));
    for (auto _ : state) {
        redraw(box, bytes, &wtb::test::drawTraceLiteral);
        benchmark::DoNotOptimize(box.image().constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(RedrawLiteral)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

void RedrawFast(benchmark::State& state) {
    const auto& bytes = samples(state.range(0));
    wtb::PictureBox box(QSize(577, 129));
    for (auto _ : state) {
        redraw(box, bytes, &wtb::drawTraceFast);
        benchmark::DoNotOptimize(box.image().constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(RedrawFast)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

void UpdateDisplayWhole(benchmark::State& state) {
    wtb::frmMain window(QStringLiteral("/nonexistent"));
    wtb::SlotBank& bank = window.bank();
    std::vector<wtb::test::SlotContent> slots(16, {std::vector<std::uint8_t>(100, 128), "", 99});
    slots[0].bytes = samples(state.range(0));
    slots[0].endIndex = static_cast<std::int32_t>(slots[0].bytes.size()) - 1;
    wtb::test::fillBank(bank, slots, 44100);
    for (auto _ : state) {
        window.UpdateDisplay();
        benchmark::DoNotOptimize(bank.WaveData.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(UpdateDisplayWhole)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// Prints, after the table, how many times faster the per-column renderer is than the literal.
class RatioReporter : public wtb::bench::RealTimeReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* size : {"1000000", "10000000"}) {
            printRatio(std::string("RedrawFast/") + size, std::string("RedrawLiteral/") + size);
        }
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
