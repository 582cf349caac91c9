// Slots at more than one rate: what the window says before a save, the offer when the target
// rate changes, and the player sketch it writes.
#include "WindowTestSupport.h"

#include "export/PlayerSketch.h"
#include "export/PlayerSketchWriter.h"
#include "export/PcmTableSketch.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>

#include <gtest/gtest.h>

namespace wtb {
namespace {

using Choice = UserPrompts::MixedRatesChoice;

// Slot 16 at 16,384 Hz when `mixed`, the others at 8,000 Hz.
SlotBank rateKit(bool mixed) {
    SlotBank bank = test::bankOf(test::patternedSlots(120));
    if (mixed) {
        bank[16].sampleRate = 16384;
    }
    return bank;
}

class Rates : public testing::Test {
protected:
    void load(bool mixed) {
        w = std::make_unique<test::LoadedWindow>(rateKit(mixed));
        window().setTargetRate(0);
        w->questions->clear();
    }
    void TearDown() override {
        if (w) {
            w->window->setTargetRate(0); // the preference stays clean
        }
    }
    MainWindow& window() { return *w->window; }
    const SlotBank& bank() { return window().workspace().bank(); }
    std::unique_ptr<test::LoadedWindow> w;
    test::TempFolder target;
};

struct SaveCase {
    const char* name;
    bool mixed;
    Choice answer;
    bool asked;
    bool written;
    std::int32_t slot16Rate; // after the save
};

class SaveAtRates : public Rates, public testing::WithParamInterface<SaveCase> {};

TEST_P(SaveAtRates, AsksWhichSlotsDifferAndDoesWhatWasChosen) {
    const SaveCase& each = GetParam();
    load(each.mixed);
    *w->mixedRates = each.answer;
    const SlotBank before = bank();
    w->dialog->answers = {target.file("kit.ino")};
    window().saveWavetable();
    EXPECT_TRUE(w->errors->isEmpty()) << w->errors->join('\n').toStdString();
    if (each.asked) {
        ASSERT_EQ(w->questions->size(), 1);
        EXPECT_EQ(w->questions->at(0).toStdString(),
                  "The slots are not all at one sample rate: slots 1-15 at 8000 Hz, slot 16 at "
                  "16384 Hz. Played at one rate, the slots at the others sound at the wrong "
                  "pitch and speed; the player sketch plays each slot at its own rate. "
                  "[Resample all to 8000 Hz]");
    } else {
        EXPECT_TRUE(w->questions->isEmpty()) << w->questions->join('\n').toStdString();
    }
    EXPECT_EQ(bank()[16].sampleRate, each.slot16Rate);
    EXPECT_EQ(window().workspace().history().canUndo(), each.answer == Choice::ResampleAll);
    if (!each.written) {
        EXPECT_TRUE(w->dialog->requests.empty()) << "a file was asked for after Cancel";
        EXPECT_EQ(bank(), before);
        EXPECT_TRUE(QDir(target.path()).isEmpty());
        return;
    }
    // The table as it is, byte for byte; resampled first when that was chosen.
    EXPECT_EQ(test::readText(target.file("kit.ino")), buildSketchText(bank()));
    if (each.answer == Choice::ResampleAll) {
        window().undo(); // the resample was one step
        EXPECT_EQ(bank(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SaveAtRates,
    testing::Values(SaveCase{"Cancel", true, Choice::Cancel, true, false, 16384},
                    SaveCase{"SaveAnyway", true, Choice::SaveAnyway, true, true, 16384},
                    SaveCase{"ResampleAll", true, Choice::ResampleAll, true, true, 8000},
                    SaveCase{"OneRateAsksNothing", false, Choice::Cancel, false, true, 8000}),
    [](const auto& test) { return std::string(test.param.name); });

// "Keep source rate" offers the most common rate; a chosen target rate is offered as it is.
TEST_F(Rates, ResampleAllOffersTheTargetRateWhenOneIsChosen) {
    load(true);
    *w->resampleToTarget = false;
    window().setTargetRate(11025);
    w->questions->clear();
    window().saveWavetable();
    ASSERT_EQ(w->questions->size(), 1);
    EXPECT_TRUE(w->questions->at(0).endsWith("[Resample all to 11025 Hz]"))
        << w->questions->at(0).toStdString();
}

struct TargetCase {
    const char* name;
    bool accept;
};

class TargetRateChange : public Rates, public testing::WithParamInterface<TargetCase> {};

TEST_P(TargetRateChange, OffersToResampleTheSlotsAtOtherRatesInOneStep) {
    load(true);
    *w->resampleToTarget = GetParam().accept;
    const SlotBank before = bank();
    window().setTargetRate(8000);
    ASSERT_EQ(w->questions->size(), 1);
    EXPECT_TRUE(w->questions->at(0).contains("slot 16 is at other rates"))
        << w->questions->at(0).toStdString();
    if (!GetParam().accept) {
        EXPECT_EQ(bank(), before);
        EXPECT_FALSE(window().workspace().history().canUndo());
    } else {
        EXPECT_EQ(bank()[16].sampleRate, 8000);
        window().undo();
        EXPECT_EQ(bank(), before) << "the resample was more than one step";
    }
    window().setTargetRate(8000); // no change: no question
    EXPECT_EQ(w->questions->size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Answers, TargetRateChange,
                         testing::Values(TargetCase{"Accept", true}, TargetCase{"Decline", false}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(Rates, TheSlotButtonsTellEachSlotsRate) {
    load(true);
    QAbstractButton* slot16 = window().findChild<QButtonGroup*>("slotButtons")->button(16);
    EXPECT_TRUE(slot16->toolTip().contains("16384 Hz")) << slot16->toolTip().toStdString();
    EXPECT_TRUE(slot16->accessibleDescription().contains("16384 Hz"))
        << slot16->accessibleDescription().toStdString();
}

// The folder is made beside the chosen place, named as given ("Zozedovad" proposed), holding
// the player sketch of the slots at their own rates.
TEST_F(Rates, SavePlayerSketchWritesTheFolderAndTheSketchOfEachSlotsRate) {
    load(true);
    *w->mixedRates = Choice::SaveAnyway;
    w->dialog->answers = {std::nullopt, target.file("Bells")};
    window().savePlayerSketch(); // the folder dialog cancelled
    EXPECT_TRUE(QDir(target.path()).isEmpty());
    window().savePlayerSketch();
    EXPECT_TRUE(w->errors->isEmpty()) << w->errors->join('\n').toStdString();
    ASSERT_EQ(w->dialog->requests.size(), 2u);
    EXPECT_EQ(w->dialog->requests[0].fileName, "Zozedovad");
    EXPECT_EQ(w->questions->size(), 0); // the player plays each slot at its own rate
    EXPECT_EQ(test::readText(target.file("Bells/Bells.ino")), playerUserSketchText());
    EXPECT_EQ(test::readText(target.file("Bells/Zozedovad.h")),
              buildPlayerHeaderText(buildSketchText(bank()), playerRates(bank()), {}));
    EXPECT_EQ(test::labelText(window(), "statusLine").section('\n', 0, 0),
              "Wrote Zozedovad.h, wrote Bells.ino");
    std::array<std::int32_t, 16> rates{};
    rates.fill(8000);
    rates[15] = 16384;
    EXPECT_EQ(playerRates(bank()), rates);
}

TEST_F(Rates, SavePlayerSketchRefusesARateThePlayerCannotPlay) {
    SlotBank fast = rateKit(false);
    fast[4].sampleRate = 192000;
    w = std::make_unique<test::LoadedWindow>(fast);
    *w->mixedRates = Choice::SaveAnyway;
    w->dialog->answers = {target.file("Fast")};
    window().savePlayerSketch();
    ASSERT_EQ(w->errors->size(), 1);
    EXPECT_TRUE(w->errors->at(0).contains("Resample slot 4")) << w->errors->at(0).toStdString();
    EXPECT_TRUE(QDir(target.path()).isEmpty());
}

} // namespace
} // namespace wtb
