// The window with the keyboard alone, as assistive technology sees it, and its readouts when a
// number is too long for its label.
#include "WindowTestSupport.h"

#include "window/WaveformView.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;
const QSize kBox(577, 129);

// Play reports a missing sound output: the handler ran. The sound clients of this process are
// pointed at a server that does not exist; call before anything plays.
void withoutSoundOutput(const QTemporaryDir& nowhere) {
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(nowhere.path()));
    qputenv("PULSE_SERVER", QFile::encodeName("unix:" + nowhere.path() + "/pulse/native"));
}
bool playRan(const test::LoadedWindow& w) {
    return !w.errors->isEmpty() && w.errors->last().startsWith("No sound output is available");
}

// A loaded window, shown and active, so that its shortcuts and focus work.
struct ActiveWindow : test::LoadedWindow {
    explicit ActiveWindow(const std::vector<test::SlotContent>& slots) : LoadedWindow(slots) {
        window->show();
        active = QTest::qWaitForWindowActive(window.get());
    }
    template <class Control = QWidget> Control* find(const QString& name) {
        return window->findChild<Control*>(name, Qt::FindDirectChildrenOnly);
    }
    QAbstractButton* option(int slot) {
        return window->findChild<QButtonGroup*>("slotButtons")->button(slot);
    }
    QImage picture() { return find<WaveformView>("waveformView")->picture(); }
    bool active = false;
};

TEST(Keyboard, EachShortcutDoesItsAction) {
    QTemporaryDir nowhere;
    withoutSoundOutput(nowhere);
    ActiveWindow w(test::patternedSlots(100));
    ASSERT_TRUE(w.active);
    test::TempFolder files;
    test::writeWav8(files.file("in.wav"), Bytes(40, 99));
    w.dialog->answers = {files.file("in.wav"), files.file("out.ino"), files.file("Player")};
    w.window->chooseSlot(16);

    struct Case {
        std::string keys;
        std::function<bool()> done;
    };
    std::vector<Case> cases{
        {"Ctrl+O",
         [&] { return test::slotBytes(w.window->workspace().bank(), 16) == Bytes(40, 99); }},
        {"Ctrl+S", [&] { return QFile::exists(files.file("out.ino")); }},
        {"Ctrl+Shift+S", [&] { return QFile::exists(files.file("Player/Player.ino")); }},
        {"Ctrl+Space", [&] { return playRan(w); }}};
    for (int slot = 1; slot <= 9; ++slot) {
        cases.push_back({"Alt+" + std::to_string(slot), [&w, slot] {
                             return w.window->currentSlot() == slot && w.option(slot)->isChecked();
                         }});
    }
    for (const Case& c : cases) {
        ASSERT_FALSE(c.done()) << c.keys << " before the keys";
        const QKeyCombination keys = QKeySequence(QString::fromStdString(c.keys))[0];
        QTest::keyClick(w.window.get(), keys.key(), keys.keyboardModifiers());
        EXPECT_TRUE(c.done()) << c.keys;
    }
    EXPECT_EQ(w.dialog->requests.size(), 3u); // one dialog per key, no more
}

TEST(Keyboard, ReturnAndEnterPressTheFocusedButton) {
    QTemporaryDir nowhere;
    withoutSoundOutput(nowhere);
    ActiveWindow w(test::patternedSlots(100));
    ASSERT_TRUE(w.active);
    struct Case {
        QString control;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::function<bool()> done;
    };
    const std::vector<Case> cases{
        {"playButton", Qt::Key_Return, Qt::NoModifier, [&] { return playRan(w); }},
        {"importButton", Qt::Key_Enter, Qt::KeypadModifier,
         [&] { return w.dialog->requests.size() == 1; }},
        {"saveButton", Qt::Key_Return, Qt::NoModifier,
         [&] { return w.dialog->requests.size() == 2; }},
        {"slotButton6", Qt::Key_Enter, Qt::KeypadModifier,
         [&] { return w.window->currentSlot() == 6; }}};
    for (const Case& c : cases) {
        QWidget* control = w.find(c.control);
        ASSERT_NE(control, nullptr) << c.control.toStdString();
        control->setFocus();
        ASSERT_FALSE(c.done()) << c.control.toStdString();
        QTest::keyClick(control, c.key, c.modifiers);
        EXPECT_TRUE(c.done()) << c.control.toStdString();
    }
}

// Slots 1 and 2 hold the same sound: blocks of 37 samples above and below the middle, so a trim
// steps back to the start of a block.
std::vector<test::SlotContent> blockSlots() {
    std::vector<test::SlotContent> slots = test::patternedSlots(300);
    for (int slot : {0, 1}) {
        for (std::size_t i = 0; i < 300; ++i) {
            slots[slot].bytes[i] = (i / 37) % 2 ? 60 : 200;
        }
    }
    return slots;
}

TEST(KeyboardTrim, KeysMoveTheKnobAndTheMarkerButNothingInTheSlot) {
    ActiveWindow w(blockSlots());
    ASSERT_TRUE(w.active);
    ClickSlider& slider = test::slider(*w.window);
    slider.setFocus();
    const auto before = test::allSlots(w.window->workspace().bank());
    const QString readout = test::labelText(*w.window, "endReadout");
    const Bytes bytes = test::slotBytes(w.window->workspace().bank(), 1);

    // 0..299: an arrow moves one sample, a page thirty.
    const std::vector<std::pair<Qt::Key, int>> moves{
        {Qt::Key_Home, 0},  {Qt::Key_Right, 1},  {Qt::Key_PageUp, 31},    {Qt::Key_Up, 32},
        {Qt::Key_End, 299}, {Qt::Key_Left, 298}, {Qt::Key_PageDown, 268}, {Qt::Key_Down, 267}};
    for (const auto& [key, value] : moves) {
        QTest::keyClick(&slider, key);
        EXPECT_EQ(slider.value(), value) << QTest::toString(key);
        EXPECT_EQ(w.picture(), test::viewPicture(kBox, bytes, value)) << QTest::toString(key);
    }
    QWheelEvent wheel(QPointF(100, 8), slider.mapToGlobal(QPointF(100, 8)), {}, QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&slider, &wheel);
    EXPECT_EQ(slider.value(), 267); // the wheel does nothing
    EXPECT_EQ(test::allSlots(w.window->workspace().bank()), before);
    EXPECT_EQ(test::labelText(*w.window, "endReadout"), readout);

    // Escape, or leaving the slider, puts the knob and the marker back on the end index.
    const std::vector<std::pair<const char*, std::function<void()>>> takeBacks{
        {"Escape", [&] { QTest::keyClick(&slider, Qt::Key_Escape); }},
        {"focus out", [&] { w.find("playButton")->setFocus(); }}};
    for (const auto& [name, takeBack] : takeBacks) {
        slider.setFocus();
        const int from = slider.value();
        QTest::keyClick(&slider, Qt::Key_PageDown);
        ASSERT_EQ(slider.value(), from - 30) << name;
        takeBack();
        EXPECT_EQ(slider.value(), 299) << name;
        EXPECT_EQ(w.picture(), test::viewPicture(kBox, bytes, 299)) << name;
    }
    EXPECT_EQ(test::allSlots(w.window->workspace().bank()), before);
    EXPECT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
}

TEST(KeyboardTrim, ReturnAndEnterTrimAsAMouseClickAtTheSameValueDoes) {
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Return, Qt::KeyboardModifiers()},
          std::pair{Qt::Key_Enter, Qt::KeyboardModifiers(Qt::KeypadModifier)}}) {
        ActiveWindow w(blockSlots());
        ASSERT_TRUE(w.active);
        ClickSlider& slider = test::slider(*w.window);
        QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(400, 8));
        const int clickedAt = slider.value();
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(400, 8));
        const std::int32_t byMouse = w.window->workspace().bank()[1].endIndex;
        ASSERT_LT(byMouse, clickedAt) << "the click should step back to a crossing";

        w.option(2)->click();
        slider.setFocus();
        QTest::keyClick(&slider, Qt::Key_End);
        for (int value = 299; value > clickedAt; --value) {
            QTest::keyClick(&slider, Qt::Key_Left);
        }
        ASSERT_EQ(slider.value(), clickedAt);
        QTest::keyClick(&slider, key, modifiers);
        EXPECT_EQ(w.window->workspace().bank()[2].endIndex, byMouse);
        EXPECT_EQ(slider.value(), byMouse);
        EXPECT_EQ(
            w.picture(),
            test::viewPicture(kBox, test::slotBytes(w.window->workspace().bank(), 2), byMouse));
        QTest::keyClick(&slider, Qt::Key_Escape); // nothing left to take back
        EXPECT_EQ(w.window->workspace().bank()[2].endIndex, byMouse);
        EXPECT_EQ(slider.value(), byMouse);
    }
}

TEST(ClickSlider, AKeyMoveIsAppliedByReturnOrTakenBack) {
    ClickSlider slider;
    slider.setGeometry(0, 0, 577, 17);
    slider.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&slider));
    QSignalSpy clicks(&slider, &ClickSlider::clicked);
    QSignalSpy cancels(&slider, &ClickSlider::previewCancelled);
    slider.setMaximum(300);
    slider.setValue(100);
    QTest::keyClick(&slider, Qt::Key_Right, Qt::ControlModifier); // left to the window
    EXPECT_EQ(slider.value(), 100);

    struct Case {
        const char* name;
        std::function<void()> after; // what follows a move to 101
        int value, clicks, cancels;  // after a further Escape
    };
    const std::vector<Case> cases{
        {"taken back", [] {}, 100, 0, 1},
        {"applied", [&] { QTest::keyClick(&slider, Qt::Key_Return); }, 101, 1, 0},
        {"set by the program", [&] { slider.setValue(50); }, 50, 0, 0}};
    for (const Case& c : cases) {
        slider.setValue(100);
        clicks.clear();
        cancels.clear();
        QTest::keyClick(&slider, Qt::Key_Right);
        ASSERT_EQ(slider.value(), 101) << c.name;
        c.after();
        QTest::keyClick(&slider, Qt::Key_Escape);
        EXPECT_EQ(slider.value(), c.value) << c.name;
        EXPECT_EQ(clicks.count(), c.clicks) << c.name;
        EXPECT_EQ(cancels.count(), c.cancels) << c.name;
    }
}

TEST(AccessibleNames, EveryControlIsNamedAndExplainedWithItsShortcut) {
    ActiveWindow w(test::patternedSlots(100));
    const QList<QWidget*> controls = w.window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_GE(controls.size(), 27);
    for (QWidget* control : controls) {
        QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(seen, nullptr);
        EXPECT_FALSE(seen->text(QAccessible::Name).isEmpty()) << qPrintable(control->objectName());
        EXPECT_FALSE(control->toolTip().isEmpty()) << qPrintable(control->objectName());
    }
    std::vector<std::pair<QString, QString>> shortcuts{{"importButton", "Ctrl+O"},
                                                       {"saveButton", "Ctrl+S"},
                                                       {"playButton", "Ctrl+Space"},
                                                       {"savePlayerButton", "Ctrl+Shift+S"}};
    for (int slot = 1; slot <= 9; ++slot) {
        shortcuts.emplace_back("slotButton" + QString::number(slot),
                               "Alt+" + QString::number(slot));
    }
    for (const auto& [name, keys] : shortcuts) {
        EXPECT_TRUE(w.find(name)->toolTip().contains(keys)) << qPrintable(name);
    }

    // A readout keeps its text and is read with its meaning; the picture tells what it shows.
    w.window->chooseSlot(3);
    EXPECT_EQ(test::labelText(*w.window, "rateReadout"), "8000 Hz");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w.find("rateReadout"))->text(QAccessible::Name),
              "Sample rate: 8000 Hz");
    EXPECT_EQ(w.find("waveformView")->accessibleDescription(),
              "Slot 3, slot 3.wav: 100 samples, end index 99");
}

TEST(AccessibleNames, ASlotButtonCarriesItsSoundsNameAfterAnImport) {
    ActiveWindow w(test::patternedSlots(100));
    const auto description = [&] {
        return QAccessible::queryAccessibleInterface(w.option(3))->text(QAccessible::Description);
    };
    EXPECT_TRUE(description().contains("slot 3.wav")) << qPrintable(description());
    test::TempFolder source;
    test::writeWav8(source.file("lead <line>.wav"), Bytes(50, 140));
    w.dialog->answers = {source.file("lead <line>.wav")};
    w.window->chooseSlot(3);
    w.window->importSound();
    EXPECT_TRUE(description().contains("lead <line>.wav")) << qPrintable(description());
    EXPECT_FALSE(description().contains("slot 3.wav"));
    EXPECT_TRUE(w.option(3)->toolTip().contains("lead &lt;line&gt;.wav")); // never markup
}

TEST(Readouts, ANumberTooLongForItsLabelIsShownInFullWithoutMovingIt) {
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    slots[4] = {Bytes(26'460'000, 128), std::string(60, 'n') + ".wav", 26'459'999};
    ActiveWindow w(slots);
    QHash<QString, QRect> places;
    for (QLabel* label : w.window->findChildren<QLabel*>()) {
        places[label->objectName()] = label->geometry();
    }
    const auto fits = [](QLabel* label) {
        const QFontMetricsF metrics(label->font());
        for (const QString& line : label->text().remove('\r').split('\n')) {
            if (metrics.horizontalAdvance(line) > label->contentsRect().width()) {
                return false;
            }
        }
        return true;
    };
    struct Readout {
        QString name, text;
        bool shrinks;
    };
    const std::vector<Readout> readouts{{"samplesReadout", "26460000 input samples", true},
                                        {"endReadout", "26459999 output samples", true},
                                        {"totalReadout", "Total Samples: \r\n26461484", false}};
    QHash<QString, QFont> fonts; // as a short number shows them
    for (int slot : {1, 5, 1}) {
        w.window->chooseSlot(static_cast<std::int16_t>(slot));
        for (const Readout& r : readouts) {
            auto* label = w.find<QLabel>(r.name);
            EXPECT_TRUE(fits(label)) << qPrintable(r.name) << " on slot " << slot;
            const QFont font = fonts.value(r.name, label->font());
            fonts[r.name] = font;
            EXPECT_EQ(QFontInfo(label->font()).family(), QFontInfo(font).family());
            if (slot == 5) {
                EXPECT_EQ(label->text(), r.text);
                EXPECT_EQ(label->font().pointSizeF() < font.pointSizeF(), r.shrinks)
                    << qPrintable(r.name);
            } else {
                EXPECT_EQ(label->font().pointSizeF(), font.pointSizeF()) << qPrintable(r.name);
            }
        }
    }
    w.window->chooseSlot(5);
    auto* name = w.find<QLabel>("nameReadout"); // too long at any size: the tooltip has it all
    EXPECT_FALSE(fits(name));
    EXPECT_EQ(name->font().pointSizeF(), w.window->font().pointSizeF()); // cut, not shrunk
    EXPECT_TRUE(name->toolTip().contains(QString::fromStdString(slots[4].name)));
    for (QLabel* label : w.window->findChildren<QLabel*>()) {
        EXPECT_EQ(label->geometry(), places[label->objectName()])
            << qPrintable(label->objectName());
    }
    EXPECT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
}

} // namespace
} // namespace wtb
