// Single cycles from the window for the player of the chosen format, the advice of a refused
// player sketch followed from the window, and the picture's menu in its submenus.
#include "WindowTestSupport.h"

#include "window/WaveformView.h"

#include <QDir>
#include <QMenu>

#include <gtest/gtest.h>

#include <cmath>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A steady 220 Hz sawtooth at 16,384 Hz: one cycle of 256 cells plays at 56,320 Hz.
Bytes sawtooth() {
    Bytes bytes(16384);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const double cycles = 220.0 * double(n) / 16384;
        bytes[n] = static_cast<std::uint8_t>(28 + std::lround(200 * (cycles - std::floor(cycles))));
    }
    return bytes;
}

class WindowCycles : public testing::Test {
protected:
    void SetUp() override {
        SlotBank bank = test::bankOf(test::patternedSlots(300), 16384);
        bank[6] = test::makeSlot(sawtooth(), 16383, "saw", 16384);
        w = std::make_unique<test::LoadedWindow>(bank);
        window().chooseSlot(6);
        view().setPointer(QPoint(view().width() / 2, 10));
    }
    void TearDown() override { window().setSampleFormat(SampleFormat::Pcm8); }
    MainWindow& window() { return *w->window; }
    WaveformView& view() { return *window().findChild<WaveformView*>(); }
    const Slot& slot6() { return window().workspace().slot(6); }
    // The entry of the picture's menu, or of a submenu, whose text is `path`'s last part.
    QAction* entry(const QStringList& path) {
        QList<QAction*> actions = view().actions();
        QAction* found = nullptr;
        for (const QString& text : path) {
            found = nullptr;
            for (QAction* action : actions) {
                if (action->text() == text) {
                    found = action;
                }
            }
            if (!found) {
                return nullptr;
            }
            actions = found->menu() ? found->menu()->actions() : QList<QAction*>();
        }
        return found;
    }
    bool savePlayer(const QString& name) {
        w->errors->clear();
        w->dialog->answers = {target.file(name)};
        window().savePlayerSketch();
        return w->errors->isEmpty() && QFileInfo::exists(target.file(name + "/Zozedovad.h"));
    }
    test::TempFolder target;
    std::unique_ptr<test::LoadedWindow> w;
};

TEST_F(WindowCycles, EveryLengthInTheMenuMakesACycleThePlayerOfTheFormatPlays) {
    for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
        window().setSampleFormat(format);
        for (const std::int32_t length : {32, 64, 128, 256, 512, 1024, 2048}) {
            SCOPED_TRACE(std::to_string(length) + " cells in " +
                         std::string(sampleFormatDisplayName(format)));
            QAction* cells = entry({"&Loop", "Make single cycle", QString("%1 cells").arg(length)});
            ASSERT_NE(cells, nullptr);
            cells->trigger();
            ASSERT_TRUE(w->errors->isEmpty()) << w->errors->join('\n').toStdString();
            // 220 Hz: at most 256 cells in PCM (96 kHz), 128 in ADPCM (48 kHz).
            const std::int32_t fits = format == SampleFormat::Pcm8 ? 256 : 128;
            EXPECT_EQ(slot6().sampleCount(), std::min(length, fits));
            EXPECT_EQ(test::labelText(window(), "lastNote").left(7), "Cycle: ");
            EXPECT_TRUE(savePlayer(QString("Kit%1").arg(length)))
                << w->errors->join('\n').toStdString();
            window().undo();
        }
    }
}

TEST_F(WindowCycles, TheAdviceOfARefusedPlayerSketchWorksWhenFollowed) {
    entry({"&Loop", "Make single cycle", "256 cells"})->trigger(); // PCM: 56,320 Hz
    window().setSampleFormat(SampleFormat::Adpcm4);
    EXPECT_FALSE(savePlayer("Refused"));
    ASSERT_EQ(w->errors->size(), 1);
    EXPECT_TRUE(w->errors->front().contains("Make slot 6 a single cycle again"))
        << w->errors->front().toStdString();
    // The resample a rate refusal would suggest keeps the cycle's cells, and says why.
    w->errors->clear();
    window().setTargetRate(16000);
    window().resampleSlot();
    window().setTargetRate(0);
    ASSERT_EQ(w->errors->size(), 1);
    EXPECT_TRUE(w->errors->front().contains("keeps its cells")) << w->errors->front().toStdString();
    EXPECT_EQ(slot6().sampleCount(), 256);

    entry({"&Loop", "Make single cycle", "256 cells"})->trigger();
    EXPECT_EQ(slot6().sampleCount(), 128);
    EXPECT_NEAR(slot6().sampleRate, 128 * 220, 128 * 220 / 860); // its pitch, within 2 cents
    EXPECT_TRUE(savePlayer("Followed")) << w->errors->join('\n').toStdString();
}

// Grouped, the menu is short enough for a 1280x720 screen at twice the scale: 360 pixels of
// the window's own.
TEST_F(WindowCycles, ThePicturesMenuGroupsItsEntriesAndFitsHalfOf720Pixels) {
    const std::vector<QStringList> entries{
        {"&Loop", "Loop start here"},
        {"&Loop", "Loop end here"},
        {"&Loop", "Remove loop"},
        {"&Trim", "Cut the start here"},
        {"&Trim", "Trim silence"},
        {"&Trim", "Trim silence of all slots"},
        {"&Slot", "Resample slot"},
        {"&Slot", "Normalise all slots"},
        {"Release output"},
        {"&Board", "Upload to board"},
        {"&Zoom", "Show the whole sound"},
    };
    for (const QStringList& path : entries) {
        EXPECT_NE(entry(path), nullptr) << path.join(" > ").toStdString();
    }
    QMenu menu;
    menu.setFont(view().font());
    menu.addActions(view().actions());
    EXPECT_LE(menu.sizeHint().height(), 360);
    EXPECT_LE(menu.actions().size(), 20);
}

} // namespace
} // namespace wtb
