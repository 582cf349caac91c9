// The controls beyond the original window: target rate, resample, normalise, undo, the board's
// budget and the checks before a save.
#include "WindowTestSupport.h"

#include "editing/Resample.h"
#include "export/AdpcmSketch.h"
#include "export/BoardSketch.h"
#include "export/FlashBudget.h"
#include "export/SketchWriter.h"
#include "messages/ExportNotes.h"
#include "workspace/Choices.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>

#include <gtest/gtest.h>

#include <cmath>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

using test::sine;

class SlotEdits : public testing::Test {
protected:
    void SetUp() override {
        std::vector<test::SlotContent> slots = test::patternedSlots(100);
        slots[2] = {sine(4000, 40.0, 60.0), "quiet.wav", 3999};
        w = std::make_unique<test::LoadedWindow>(slots);
    }
    void TearDown() override { w->window->setTargetRate(0); } // the preference stays clean
    MainWindow& window() { return *w->window; }
    std::unique_ptr<test::LoadedWindow> w;
};

TEST_F(SlotEdits, EveryEditUndoesAndRedoesExactly) {
    test::TempFolder source;
    test::writeWav8(source.file("loud.wav"), sine(8820, 100.0, 30.0), 22050);
    window().setTargetRate(11025);
    window().chooseSlot(3);

    const std::vector<std::pair<const char*, std::function<void()>>> edits{
        {"import",
         [&] {
             w->dialog->answers = {source.file("loud.wav")};
             window().importSound();
         }},
        {"trim",
         [&] {
             test::slider(window()).setValue(2000);
             window().applyEndSlider();
         }},
        {"normalise slot", [&] { window().normaliseSlot(); }},
        {"resample all", [&] { window().resampleAllSlots(); }},
        {"normalise all", [&] { window().normaliseAllSlots(); }},
    };
    std::vector<std::vector<Slot>> states{test::allSlots(window().workspace().bank())};
    for (const auto& [name, edit] : edits) {
        edit();
        ASSERT_TRUE(w->errors->isEmpty()) << name << ": " << w->errors->join("\n").toStdString();
        states.push_back(test::allSlots(window().workspace().bank()));
        EXPECT_NE(states.back(), states[states.size() - 2]) << name << " changed nothing";
    }
    EXPECT_EQ(window().workspace().slot(3).sampleRate, 11025); // imported at the target rate
    EXPECT_EQ(window().workspace().slot(3).sampleCount(), 4410);
    EXPECT_EQ(window().workspace().slot(7).sampleRate, 11025); // resampled with the rest

    for (std::size_t step = edits.size(); step > 0; --step) {
        window().undo();
        EXPECT_EQ(test::allSlots(window().workspace().bank()), states[step - 1])
            << "undo of " << edits[step - 1].first;
    }
    for (std::size_t step = 1; step <= edits.size(); ++step) {
        window().redo();
        EXPECT_EQ(test::allSlots(window().workspace().bank()), states[step])
            << "redo of " << edits[step - 1].first;
    }
    EXPECT_EQ(test::labelText(window(), "rateReadout"), "11025 Hz"); // redrawn
    EXPECT_TRUE(w->errors->isEmpty()) << w->errors->join("\n").toStdString();
}

TEST_F(SlotEdits, TheTargetRateIsRememberedAndABadOneRefused) {
    auto& box = *window().findChild<QComboBox*>("targetRateBox");
    window().setTargetRate(16384);
    EXPECT_EQ(window().targetRate(), 16384);
    {
        test::LoadedWindow again(test::patternedSlots(10));
        EXPECT_EQ(again.window->targetRate(), 16384);
    }
    box.setCurrentText("999");
    window().setTargetRate(999);
    EXPECT_EQ(window().targetRate(), 16384) << "a rate below 1000 Hz was taken";
    ASSERT_EQ(w->errors->size(), 1);
    EXPECT_TRUE(w->errors->at(0).contains("999")) << w->errors->at(0).toStdString();
    window().setTargetRate(0);
    EXPECT_EQ(window().targetRate(), std::nullopt);
    EXPECT_EQ(box.currentText(), "Keep source rate");
}

TEST_F(SlotEdits, SaveChecksTheBoardBeforeAnythingIsWritten) {
    test::TempFolder target;
    auto& meter = *window().findChild<QProgressBar*>("budgetMeter");
    window().setBoard(Board::Uno);
    EXPECT_TRUE(meter.property("fits").toBool());
    // The table, 15 * 100 + 4000, and the player.
    const auto flash = 5500 + playerCodeBytes(Board::Uno, SampleFormat::Pcm8, false);
    EXPECT_TRUE(meter.text().contains(QString::number(flash))) << meter.text().toStdString();
    // Too large for the Uno: sixteen slots of 2000 samples, asked about, cancelled by default.
    w = std::make_unique<test::LoadedWindow>(test::patternedSlots(2000));
    auto& bigMeter = *window().findChild<QProgressBar*>("budgetMeter");
    EXPECT_FALSE(bigMeter.property("fits").toBool());
    w->dialog->answers = {target.file("a.ino"), target.file("b.ino")};
    window().saveWavetable();
    ASSERT_EQ(w->questions->size(), 1);
    EXPECT_TRUE(w->questions->at(0).contains("32000")) << w->questions->at(0).toStdString();
    EXPECT_TRUE(w->dialog->requests.empty()) << "a file was asked for after Cancel";
    *w->saveAnyway = true;
    window().saveWavetable();
    EXPECT_TRUE(QFile::exists(target.file("a.ino")));
    // Beyond what the accessors reach: refused with the numbers, no question, nothing written.
    auto questions = w->questions;
    w = std::make_unique<test::LoadedWindow>(test::patternedSlots(5000));
    w->dialog->answers = {target.file("c.ino")};
    window().saveWavetable();
    EXPECT_EQ(w->questions->size(), 0);
    EXPECT_EQ(questions->size(), 2);
    ASSERT_EQ(w->errors->size(), 1);
    EXPECT_TRUE(w->errors->at(0).contains("80000")) << w->errors->at(0).toStdString();
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files), QStringList({"a.ino"}));
}

TEST_F(SlotEdits, TheFormatBoxCountsTheBytesItWritesShowsTheSnrAndIsRemembered) {
    auto& meter = *window().findChild<QProgressBar*>("budgetMeter");
    auto& box = *window().findChild<QComboBox*>("formatBox");
    auto& snr = *window().findChild<QLabel*>("snrReadout");
    window().chooseSlot(3); // the sine: a sound ADPCM cannot give back exactly
    const SlotBank& bank = window().workspace().bank();
    for (const Board board : {Board::Uno, Board::Mega2560}) {
        window().setBoard(board);
        for (const SampleFormat format : {SampleFormat::Adpcm4, SampleFormat::Pcm8}) {
            box.setCurrentIndex(box.findData(static_cast<int>(format)));
            Q_EMIT box.activated(box.currentIndex()); // as the user chooses it
            const FlashBudget budget = flashBudget(bank, board, format);
            EXPECT_EQ(meter.maximum(), budget.room);
            EXPECT_EQ(meter.value(), std::min(budget.bytes, budget.room));
            EXPECT_TRUE(meter.text().contains(QString::number(budget.bytes)))
                << meter.text().toStdString();
            if (format == SampleFormat::Adpcm4) {
                const double measured = previewAdpcm(bank[3], 3).snrDb;
                EXPECT_EQ(snr.text(), QStringLiteral("SNR %1 dB").arg(measured, 0, 'f', 1));
            } else {
                EXPECT_EQ(snr.text(), QString());
            }
            EXPECT_EQ(rememberedSampleFormat(), format);
            test::LoadedWindow again(test::patternedSlots(10));
            EXPECT_EQ(again.window->sampleFormat(), format);
        }
    }
}

TEST_F(SlotEdits, ASaveForTheMegaSaysHowManyBytesItsGuardChanged) {
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    std::fill(slots[0].bytes.begin() + 10, slots[0].bytes.begin() + 17,
              std::uint8_t{0xa1}); // stored as 0x21
    w = std::make_unique<test::LoadedWindow>(slots);
    auto& note = *window().findChild<QLabel*>("lastNote");
    test::TempFolder target;
    for (const Board board : {Board::Mega2560, Board::Uno}) {
        window().setBoard(board);
        const std::int32_t changed =
            buildSketchText(window().workspace().bank(), board, SampleFormat::Pcm8).changedBytes;
        w->dialog->answers = {target.file("kit.ino")};
        window().saveWavetable();
        ASSERT_TRUE(w->errors->isEmpty()) << w->errors->join("\n").toStdString();
        if (board == Board::Mega2560) {
            ASSERT_GT(changed, 0);
            EXPECT_EQ(note.text(), QStringLiteral("Mega guard: %1 bytes").arg(changed));
            EXPECT_EQ(note.toolTip().toStdString(), guardedBytesNote(changed));
        } else {
            EXPECT_EQ(note.text(), QString()) << "a board without the guard kept the note";
        }
    }
}

} // namespace
} // namespace wtb
