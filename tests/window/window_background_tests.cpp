// The window's heavy work on its worker thread, held at a gate so that what the window does
// meanwhile is seen step by step, never raced against a clock.
#include "WindowTestSupport.h"

#include "editing/Normalise.h"
#include "export/AdpcmSketch.h"
#include "window/WaveformView.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <mutex>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

using test::sine;

// Holds each computation on the worker until the test lets one through.
class Gate {
public:
    std::function<void()> hold() {
        return [this] {
            std::unique_lock lock(mutex_);
            ++arrived_;
            changed_.notify_all();
            changed_.wait(lock, [this] { return passes_ > 0; });
            --passes_;
        };
    }
    void letThrough(int count) {
        const std::lock_guard lock(mutex_);
        passes_ += count;
        changed_.notify_all();
    }
    int arrived() {
        const std::lock_guard lock(mutex_);
        return arrived_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int arrived_ = 0;
    int passes_ = 0;
};

class Background : public testing::Test {
protected:
    void SetUp() override {
        std::vector<test::SlotContent> slots = test::patternedSlots(100);
        slots[0] = {sine(4000, 40.0, 30.0), "quiet.wav", 3999};
        slots[1] = {sine(3000, 25.0, 90.0), "loud.wav", 2999};
        w = std::make_unique<test::LoadedWindow>(slots, BackgroundWork::Runs::OnWorkerThread);
        window().setSampleFormat(SampleFormat::Pcm8); // no readout to measure unless asked
        window().finishWork();
    }
    void TearDown() override {
        gate.letThrough(1000); // nothing may stay held when the window goes
        window().finishWork();
        window().setSampleFormat(SampleFormat::Pcm8); // the preference stays clean
        window().finishWork();
    }
    MainWindow& window() { return *w->window; }
    QString label(const char* name) { return test::labelText(window(), QString::fromLatin1(name)); }
    // Spins the window's event loop until the worker holds `count` computations at the gate.
    void waitForArrivals(int count) {
        ASSERT_TRUE(test::spinEventLoopUntil([&] { return gate.arrived() >= count; }, 10000))
            << "the worker never reached the gate";
    }
    Gate gate;
    std::unique_ptr<test::LoadedWindow> w;
};

TEST_F(Background, TheWindowAnswersWhileAnEditComputes) {
    const Slot before = window().workspace().slot(1);
    window().edits().setGate(gate.hold());
    window().normaliseSlot();
    waitForArrivals(1);

    EXPECT_EQ(window().workspace().slot(1), before) << "applied before it was computed";
    EXPECT_EQ(label("statusLine"), QStringLiteral("Normalising slot 1…"));
    EXPECT_EQ(window().cursor().shape(), Qt::BusyCursor);
    // Another slot is shown at once, the computation still held.
    window().chooseSlot(2);
    EXPECT_EQ(label("nameReadout"), QStringLiteral("loud.wav"));
    EXPECT_TRUE(window().findChild<WaveformView*>()->accessibleDescription().startsWith(
        QStringLiteral("Slot 2, loud.wav")));
    // A Play output asked for behind the edit, then Stop: the stale output is never played
    // (with no sound server it would report an error; with one, it would be playing).
    window().playOutput();
    window().stopPlaying();

    gate.letThrough(2);
    window().finishWork();
    EXPECT_EQ(window().workspace().slot(1), normalisedSlot(before));
    EXPECT_TRUE(w->errors->isEmpty()) << w->errors->join('\n').toStdString();
    EXPECT_TRUE(label("playingIndicator").isEmpty()) << label("playingIndicator").toStdString();
    EXPECT_TRUE(label("statusLine").isEmpty()) << label("statusLine").toStdString();
    EXPECT_EQ(window().cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(window().currentSlot(), 2);
}

// Edits asked for while one computes apply one after another, each on what the one before
// left: the same slots as the same steps made directly on the workspace.
TEST_F(Background, EditsAskedForMeanwhileApplyInTheOrderAsked) {
    Workspace expected(window().workspace().folder(), window().workspace().bank());
    expected.normalise(std::int16_t{1});
    expected.trim(1, 2500);
    expected.undo();
    expected.setLoop(1, 100, expected.slot(1).endIndex);
    expected.trim(1, 3000);

    window().edits().setGate(gate.hold());
    window().normaliseSlot();
    window().applyTypedEnd(2500);
    window().undo();
    window().setLoopStartAt(100); // to the end point of the slot as the undo left it
    window().applyTypedEnd(3000);
    waitForArrivals(1);
    EXPECT_TRUE(window().workBusy());
    gate.letThrough(100);
    window().finishWork();

    ASSERT_TRUE(w->errors->isEmpty()) << w->errors->join('\n').toStdString();
    EXPECT_EQ(test::allSlots(window().workspace().bank()), test::allSlots(expected.bank()));
    EXPECT_EQ(window().workspace().history().undoText(), expected.history().undoText());
}

TEST_F(Background, AFailedEditIsShownAndTheEditsAfterItStillApply) {
    window().edits().setGate(gate.hold());
    window().cutStartAt(999999); // outside the slot: refused on the worker
    window().normaliseSlot();
    gate.letThrough(2);
    window().finishWork();
    ASSERT_EQ(w->errors->size(), 1);
    EXPECT_TRUE(w->errors->front().contains(QStringLiteral("slot 1")))
        << w->errors->front().toStdString();
    EXPECT_EQ(window().workspace().history().undoText(), QStringLiteral("normalise slot 1"));
}

// The signal-to-noise readout of a slot left before it was measured is never shown for the
// slot chosen since; once measured it is kept, and shown again without encoding again.
TEST_F(Background, AStaleReadoutIsDroppedAndAMeasuredOneIsKept) {
    window().readouts().setGate(gate.hold());
    window().setSampleFormat(SampleFormat::Adpcm4); // measures slot 1
    waitForArrivals(1);
    EXPECT_EQ(label("statusLine"), QStringLiteral("Encoding slot 1 to ADPCM…"));
    window().chooseSlot(2);
    EXPECT_EQ(label("snrReadout"), QStringLiteral("SNR …"));

    gate.letThrough(1); // slot 1's figure arrives while slot 2 is shown
    waitForArrivals(2);
    EXPECT_EQ(label("snrReadout"), QStringLiteral("SNR …")) << "slot 1's figure shown for slot 2";
    gate.letThrough(1);
    window().finishWork();
    const auto shown = [](const Slot& slot, std::int16_t number) {
        return QStringLiteral("SNR %1 dB").arg(previewAdpcm(slot, number).snrDb, 0, 'f', 1);
    };
    EXPECT_EQ(label("snrReadout"), shown(window().workspace().slot(2), 2));

    window().chooseSlot(1);
    EXPECT_FALSE(window().readouts().busy()) << "slot 1 encoded again";
    EXPECT_EQ(label("snrReadout"), shown(window().workspace().slot(1), 1));
}

} // namespace
} // namespace wtb
