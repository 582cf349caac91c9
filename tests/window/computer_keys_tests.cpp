// The board as an instrument in the window: the computer's keys play the board's mix, and the
// key map and the player's options are edited in their dialog through the workspace.
#include "WindowTestSupport.h"

#include "audio/GeneratedSoundSource.h"
#include "export/VoiceMix.h"
#include "window/ComputerKeyboard.h"
#include "window/KeyMapDialog.h"
#include "workspace/Choices.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Slot 1 looped on C3 and above, slots 3 and 4 (drums) on their default notes 38 and 39.
SlotBank playedBank() {
    SlotBank bank = test::bankOf(test::patternedSlots(400));
    bank[1].loop = Loop{100, 300};
    bank[1].keys = KeyRange{48, 48, 72, 0};
    return bank;
}

// Each key the user presses or lets go, then how many bytes the sound output pulls, and what
// the board's mix is told in between (nothing for a key the piano leaves alone).
struct KeyStep {
    int key;
    bool press;
    Qt::KeyboardModifiers modifiers;
    int bytes;
    enum { None, On, Off } reference;
    std::int32_t note;
};

TEST(ComputerKeys, PlayTheSamplesTheBoardsMixWould) {
    const SlotBank bank = playedBank();
    PlayerOptions options;
    options.voices = 4;
    QWidget window;
    auto* typed = new QLineEdit(&window); // keys never reach the focused control while live
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    typed->setFocus();
    ComputerPiano piano(&window);
    piano.setMix(std::make_unique<VoiceMix>(bank, SampleFormat::Pcm8, options, Board::Uno));
    piano.setLive(true);
    GeneratedSoundSource source([&piano] { return piano.nextSample(); });
    source.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    VoiceMix reference(bank, SampleFormat::Pcm8, options, Board::Uno);

    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const KeyStep steps[] = {
        {Qt::Key_K, true, none, 333, KeyStep::On, 48},   // C3, an octave up: slot 1 at its rate
        {Qt::Key_S, true, none, 250, KeyStep::On, 38},   // D2, the drum of slot 3
        {Qt::Key_E, true, none, 97, KeyStep::On, 39},    // D#2: slot 4's default note
        {Qt::Key_K, false, none, 400, KeyStep::Off, 48}, // slot 1 released into its tail
        {Qt::Key_X, true, none, 10, KeyStep::None, 0},   // an octave up
        {Qt::Key_X, false, none, 10, KeyStep::None, 0},
        {Qt::Key_U, true, none, 500, KeyStep::On, 58}, // A#3: slot 1 ten semitones up
        {Qt::Key_U, true, Qt::ControlModifier, 20, KeyStep::None, 0}, // a shortcut's, not a note
        {Qt::Key_Z, true, none, 10, KeyStep::None, 0},                // back down
        {Qt::Key_U, false, none, 300, KeyStep::Off, 58}, // releases the note it started
        {Qt::Key_E, false, none, 600, KeyStep::Off, 39},
    };
    Bytes played;
    Bytes expected;
    for (const KeyStep& step : steps) {
        if (step.press) {
            QTest::keyPress(typed, static_cast<Qt::Key>(step.key), step.modifiers);
        } else {
            QTest::keyRelease(typed, static_cast<Qt::Key>(step.key), step.modifiers);
        }
        if (step.reference == KeyStep::On) {
            reference.noteOn(step.note, 127);
        } else if (step.reference == KeyStep::Off) {
            reference.noteOff(step.note);
        }
        const QByteArray bytes = source.read(step.bytes);
        ASSERT_EQ(bytes.size(), step.bytes);
        played.insert(played.end(), bytes.begin(), bytes.end());
        for (int i = 0; i < step.bytes; ++i) {
            expected.push_back(reference.next());
        }
    }
    EXPECT_EQ(typed->text(), "");
    EXPECT_GT(std::count_if(played.begin(), played.end(), [](std::uint8_t b) { return b != 128; }),
              1000);
    EXPECT_EQ(played, expected);

    piano.setLive(false); // off: every note released, the keys type again and play nothing
    reference.allNotesOff();
    QTest::keyPress(typed, Qt::Key_A);
    EXPECT_EQ(typed->text(), "a");
    const QByteArray after = source.read(200);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(static_cast<std::uint8_t>(after[i]), reference.next()) << i;
    }
}

TEST(ComputerKeys, TheLegendNamesEachKeysNote) {
    const QString legend = pianoLegend(kFirstPianoBase);
    for (const char* part : {"A C2", "W C#2", "K C3", "' F3", "Z/X"}) {
        EXPECT_TRUE(legend.contains(part)) << part << " in " << qPrintable(legend);
    }
    EXPECT_TRUE(pianoLegend(kFirstPianoBase + 24).contains("A C4"));
}

// The keys of both commands; the computer's keys without a sound output say why and stay
// off, so no key is taken from the window for a piano nobody hears.
TEST(ComputerKeys, TheirShortcutsWorkAndWithoutASoundOutputTheyStayOff) {
    QTemporaryDir nowhere; // the sound clients of this process find no server there
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(nowhere.path()));
    qputenv("PULSE_SERVER", QFile::encodeName("unix:" + nowhere.path() + "/pulse/native"));
    test::LoadedWindow w(test::patternedSlots(100));
    w.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));

    QTest::keyClick(w.window.get(), Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(w.errors->size(), 1);
    EXPECT_TRUE(w.errors->first().startsWith("No sound output is available"))
        << qPrintable(w.errors->first());
    EXPECT_FALSE(w.window->computerPiano()->isLive());

    QTest::keyClick(w.window.get(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    auto* dialog = w.window->findChild<KeyMapDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
}

// The dialog edits through the workspace: one undoable step an edit, a refused map shown and
// nothing changed; the player's options are remembered.
TEST(KeyMapTable, EditsKeyMapsAsStepsAndRemembersThePlayersOptions) {
    test::LoadedWindow w(test::patternedSlots(100));
    w.window->showKeysAndPlayer();
    auto* dialog = w.window->findChild<KeyMapDialog*>();
    ASSERT_NE(dialog, nullptr);
    QTableWidget* table = dialog->table();
    EXPECT_EQ(table->item(2, 1)->text(), "38 (D2)"); // slot 3's default map
    EXPECT_TRUE(table->item(2, 1)->font().italic());

    table->item(2, 3)->setText("C5");
    EXPECT_EQ(w.window->workspace().slot(3).keys, (KeyRange{38, 38, 72, 0}));
    table->item(2, 2)->setText("80"); // above the highest: refused
    ASSERT_EQ(w.errors->size(), 1);
    EXPECT_TRUE(w.errors->first().contains("lies above the highest"))
        << qPrintable(w.errors->first());
    EXPECT_EQ(table->item(2, 2)->text(), "38 (D2)");
    table->item(2, 2)->setText("H2"); // no note: said, and the cell shows the slot's again
    EXPECT_EQ(table->item(2, 2)->text(), "38 (D2)");
    EXPECT_TRUE(dialog->findChild<QLabel*>("keyMapProblem")->text().startsWith("\"H2\" is not"));
    table->item(2, 1)->setText("F#3");
    EXPECT_EQ(w.window->workspace().slot(3).keys, (KeyRange{54, 38, 72, 0}));
    EXPECT_EQ(w.window->workspace().history().undoText(), "set keys of slot 3");
    ASSERT_TRUE(w.window->workspace().undo());
    EXPECT_EQ(table->item(2, 1)->text(), "38 (D2)");
    EXPECT_FALSE(table->item(2, 1)->font().italic());

    dialog->findChild<QSpinBox*>("voicesBox")->setValue(4);
    auto* pins = dialog->findChild<QLineEdit*>("triggerPinsEdit");
    pins->setText("1=2, 3=4");
    Q_EMIT pins->editingFinished();
    pins->setText("1=2, 1=5"); // one slot on two pins: refused, the pins before kept
    Q_EMIT pins->editingFinished();
    EXPECT_FALSE(dialog->findChild<QLabel*>("triggerPinsProblem")->text().isEmpty());
    const std::vector<TriggerPin> kept{{1, 2}, {3, 4}};
    EXPECT_EQ(w.window->playerOptions().voices, 4);
    EXPECT_EQ(w.window->playerOptions().pins, kept);
    EXPECT_EQ(rememberedPlayerOptions(), w.window->playerOptions());
}

} // namespace
} // namespace wtb
