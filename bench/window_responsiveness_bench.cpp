// How long the window's thread is held by each heavy action on a ten-minute slot: a probe
// timer fires every few milliseconds while the action and its background work run, and the
// longest it was late is the longest the window could not answer (goal: 50 ms or less).
// The window runs on Qt's offscreen platform; prints one line per action.
#include "messages/Messages.h"
#include "slots/WorkingFolder.h"
#include "support/BenchSupport.h"
#include "support/TestSupport.h"
#include "window/CommonDialog.h"
#include "window/MainWindow.h"
#include "window/WaveformView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

using namespace wtb;

constexpr int kRate = 44100;
constexpr int kMinutes = 10;
constexpr int kProbeMs = 2;
constexpr int kGoalMs = 50;

// Answers every question so that each action goes through; keeps the errors to print.
struct AnsweringPrompts : UserPrompts {
    void showError(QWidget*, const QString& message) override { errors << message; }
    void showWarning(QWidget*, const QString&) override {}
    bool askReplaceSlots(QWidget*, const QString&) override { return true; }
    bool askSaveAnyway(QWidget*, const QString&) override { return true; }
    MixedRatesChoice askMixedRates(QWidget*, const QString&, std::int32_t) override {
        return MixedRatesChoice::SaveAnyway;
    }
    bool askResampleToTarget(QWidget*, const QString&) override { return false; }
    QStringList errors;
};

struct FixedPlace : FileDialogRunner {
    explicit FixedPlace(QString path) : answer(std::move(path)) {}
    std::optional<QString> run(QWidget*, const FileDialogRequest&) override { return answer; }
    QString answer;
};

// Ten minutes of a voice-like sound: a slightly wandering tone with noise, 8-bit.
Slot longSlot() {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kRate) * 60 * kMinutes);
    std::mt19937 noise(7);
    std::uniform_int_distribution<int> hiss(-6, 6);
    double phase = 0; // accumulated, so the pitch wanders by a few hertz and no more
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const double t = double(n) / kRate;
        phase += 2 * M_PI * (220 + 3 * std::sin(0.5 * t)) / kRate;
        const double tone = 70 * std::sin(phase);
        bytes[n] =
            static_cast<std::uint8_t>(std::clamp(128 + std::lround(tone) + hiss(noise), 0L, 255L));
    }
    return test::makeSlot(bytes, static_cast<std::int32_t>(bytes.size()) - 1, "ten minutes", kRate);
}

// The longest the event loop was held while `action` and the work it started ran, in ms.
double longestHold(MainWindow& window, const std::function<void()>& action) {
    QElapsedTimer clock;
    double longest = 0;
    qint64 last = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(kProbeMs);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, double(now - last) / 1e6 - kProbeMs);
        last = now;
    });
    clock.start();
    probe.start();
    // Queued, so the probe is running when the action starts.
    QTimer::singleShot(0, &window, action);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QElapsedTimer settle;
    settle.start();
    while (window.workBusy() || settle.elapsed() < 100) {
        if (window.workBusy()) {
            settle.restart();
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    const qint64 now = clock.nsecsElapsed();
    return std::max(longest, double(now - last) / 1e6 - kProbeMs);
}

} // namespace

int main(int argc, char** argv) {
    wtb::installMessages();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The target rate and format chosen here are remembered: in a home of the benchmark's own.
    test::TempFolder home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    test::TempFolder folder;
    test::TempFolder elsewhere;
    SlotBank bank = test::bankOf(test::patternedSlots(1000), 16384);
    bank[1] = longSlot();
    saveWorkingFolder(bank, folder.path());
    const QString longFile = elsewhere.file("ten-minutes.wav");
    bench::writeStereoTones(longFile, kRate, 60 * kMinutes, {{440, 20000}}, {{277, 15000}});

    auto prompts = std::make_unique<AnsweringPrompts>();
    AnsweringPrompts& answers = *prompts;
    MainWindow window(folder.path(), std::move(prompts));
    if (!window.open()) {
        std::fprintf(stderr, "the working folder did not load\n");
        return 1;
    }
    window.setSampleFormat(SampleFormat::Pcm8);
    window.setTargetRate(0);
    window.show();
    window.finishWork();
    auto* view = window.findChild<WaveformView*>();
    const auto pointAtMiddle = [view] { view->setPointer(QPoint(view->width() / 2, 10)); };

    const std::vector<std::pair<const char*, std::function<void()>>> actions{
        {"import a 10-minute 44.1 kHz stereo file into slot 2",
         [&] { window.importFilesFrom(2, {longFile}, false); }},
        {"choose slot 1 (10 minutes)", [&] { window.chooseSlot(1); }},
        {"choose 4-bit ADPCM (the SNR readout of slot 1)",
         [&] { window.setSampleFormat(SampleFormat::Adpcm4); }},
        // Two clicks are two events: each is measured on its own.
        {"choose slot 2 (10 minutes)", [&] { window.chooseSlot(2); }},
        {"choose slot 1 again (SNR from the cache)", [&] { window.chooseSlot(1); }},
        {"normalise slot 1", [&] { window.normaliseSlot(); }},
        {"undo", [&] { window.undo(); }},
        {"redo", [&] { window.redo(); }},
        {"loop start at the middle of slot 1 (snapping)",
         [&] {
             pointAtMiddle();
             window.loopStartHere();
         }},
        {"trim the end of slot 1 to its middle", [&] { window.applyTypedEnd(kRate * 300); }},
        {"resample slot 1 to 22050 Hz",
         [&] {
             window.setTargetRate(22050);
             window.resampleSlot();
         }},
        {"make slot 1 a single cycle",
         [&] {
             pointAtMiddle();
             window.makeSingleCycleHere();
         }},
        {"undo the single cycle", [&] { window.undo(); }},
        {"play output of slot 1 in ADPCM, then stop",
         [&] {
             window.playOutput();
             window.stopPlaying();
         }},
        {"save the player sketch (refused: too large, after the check)",
         [&] { window.savePlayerSketch(); }},
        // Then a kit that fits the Mega, cut from the two long slots, is written for real.
        {"trim the end of slot 1 to 25,000 samples", [&] { window.applyTypedEnd(24'999); }},
        {"choose slot 2 and trim its end to 25,000 samples",
         [&] {
             window.chooseSlot(2);
             window.applyTypedEnd(24'999);
         }},
        {"save the player sketch for the Mega in PCM (64,000 samples)",
         [&] {
             window.setBoard(Board::Mega2560);
             window.setSampleFormat(SampleFormat::Pcm8);
             window.savePlayerSketch();
         }},
        {"save the wavetable for the Mega in 4-bit ADPCM",
         [&] {
             window.setSampleFormat(SampleFormat::Adpcm4);
             window.fileDialog().setRunner(
                 std::make_unique<FixedPlace>(elsewhere.file("Kit/Table.h")));
             window.saveWavetable();
         }},
    };
    window.fileDialog().setRunner(std::make_unique<FixedPlace>(elsewhere.file("Kit")));
    std::printf("%-62s %10s\n", "action on a 10-minute slot", "held (ms)");
    bool allWithin = true;
    for (const auto& [name, action] : actions) {
        const double held = longestHold(window, action);
        allWithin = allWithin && held <= kGoalMs;
        std::printf("%-62s %10.1f%s\n", name, held, held <= kGoalMs ? "" : "  over the goal");
        std::fflush(stdout);
    }
    window.setTargetRate(0);
    window.setSampleFormat(SampleFormat::Pcm8);
    for (const QString& error : answers.errors) {
        std::printf("message shown: %s\n", qPrintable(error.left(160)));
    }
    // The two saves must have written, or their lines measured a refusal.
    for (const QString& file : QDir(elsewhere.file("Kit")).entryList(QDir::Files)) {
        std::printf("written: Kit/%s\n", qPrintable(file));
    }
    std::printf("goal: %d ms each; %s\n", kGoalMs, allWithin ? "all within" : "some over");
    window.close();
    return 0;
}
