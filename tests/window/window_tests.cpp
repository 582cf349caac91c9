#include "WindowTestSupport.h"

#include "export/SketchWriter.h"
#include "window/ClickSlider.h"
#include "window/WaveformView.h"

#include <QButtonGroup>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;
const QSize kBox(577, 129);
const QStringList kLabels{"bitsReadout", "rateReadout",  "samplesReadout",
                          "endReadout",  "totalReadout", "nameReadout"};

QWidget* control(MainWindow& window, const QString& name) {
    auto* found = window.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}
QStringList labelTexts(MainWindow& window) {
    QStringList texts;
    for (const QString& label : kLabels) {
        texts << test::labelText(window, label);
    }
    return texts;
}
QImage picture(MainWindow& window) {
    return static_cast<WaveformView*>(control(window, "waveformView"))->picture();
}
QButtonGroup& options(MainWindow& window) {
    return *window.findChild<QButtonGroup*>("slotButtons");
}

TEST(MainWindow, ControlsHaveTheirKindCaptionPlaceAndTabOrder) {
    MainWindow window(QStringLiteral("/nonexistent"));
    EXPECT_EQ(window.windowTitle(), "Brimtock - Wavetable builder 1.1");
    EXPECT_EQ(window.size(), QSize(851, 303));        // opens at the original size,
    EXPECT_EQ(window.minimumSize(), QSize(851, 303)); // its smallest
    EXPECT_GT(window.maximumSize().width(), 851);     // and may grow
    EXPECT_GT(window.maximumSize().height(), 303);
    struct Expected {
        QString name, kind, caption;
        QRect geometry;
    };
    std::vector<Expected> expected{
        {"waveformView", "wtb::WaveformView", "", {8, 8, 577, 129}},
        {"importButton", "QPushButton", "Import wav...", {592, 8, 113, 49}},
        {"bitsReadout", "QLabel", "", {592, 88, 113, 25}},
        {"rateReadout", "QLabel", "", {592, 112, 113, 25}},
        {"samplesReadout", "QLabel", "", {592, 136, 113, 25}},
        {"endSlider", "wtb::ClickSlider", "", {8, 144, 577, 17}},
        {"endReadout", "QLabel", "", {592, 160, 113, 25}},
        {"saveButton", "QPushButton", "Save Wavetable...", {720, 8, 113, 49}},
        {"totalReadout", "QLabel", "", {720, 120, 113, 41}},
        {"nameReadout", "QLabel", "", {592, 64, 113, 25}},
        {"playButton", "QPushButton", "Play wav file", {176, 176, 129, 65}}};
    for (int i = 1; i <= 16; ++i) {
        expected.push_back({"slotButton" + QString::number(i),
                            "QRadioButton",
                            QString::number(i),
                            {8 + 40 * ((i - 1) % 4), 176 + 32 * ((i - 1) / 4), 33, 25}});
    }
    for (const Expected& e : expected) {
        QWidget* widget = control(window, e.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->metaObject()->className(), e.kind) << e.name.toStdString();
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name.toStdString();
        EXPECT_EQ(widget->property("text").toString(), e.caption) << e.name.toStdString();
    }
    // Controls added since sit in the free areas: right of Play and below the readouts, under
    // Play, and under the total.
    const QList<QRect> freeAreas{QRect(313, 186, 851 - 313, 303 - 186),
                                 QRect(176, 242, 313 - 176, 303 - 242),
                                 QRect(706, 162, 851 - 706, 186 - 162)};
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool original = std::any_of(expected.begin(), expected.end(), [&](const Expected& e) {
            return e.name == child->objectName();
        });
        const bool free = std::any_of(freeAreas.begin(), freeAreas.end(), [&](const QRect& area) {
            return area.contains(child->geometry());
        });
        EXPECT_TRUE(original || free) << child->objectName().toStdString();
    }
    // No added control covers another control ("Save Player Sketch..." among them); the
    // original readouts overlap by design.
    const auto children = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_NE(window.findChild<QPushButton*>("savePlayerButton"), nullptr);
    for (QWidget* added : children) {
        if (std::any_of(expected.begin(), expected.end(),
                        [&](const Expected& e) { return e.name == added->objectName(); })) {
            continue;
        }
        for (QWidget* other : children) {
            EXPECT_TRUE(other == added || !added->geometry().intersects(other->geometry()))
                << added->objectName().toStdString() << " covers "
                << other->objectName().toStdString();
        }
    }

    // Focus visits the buttons, the options and the slider in tab order; labels never.
    QStringList order;
    QWidget* widget = control(window, "importButton");
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != control(window, "importButton"));
    QStringList tabOrder{"importButton"};
    for (int i = 1; i <= 16; ++i) {
        tabOrder << "slotButton" + QString::number(i);
    }
    tabOrder << "endSlider"
             << "saveButton"
             << "playButton";
    EXPECT_EQ(order.mid(0, tabOrder.size()), tabOrder); // the new controls come after
    EXPECT_EQ(order.indexOf("formatBox"), order.indexOf("boardBox") + 1);
    const auto* formatLabel = window.findChild<QLabel*>("formatLabel");
    ASSERT_NE(formatLabel, nullptr);
    EXPECT_EQ(formatLabel->buddy(), control(window, "formatBox")); // Alt+F reaches the box
    EXPECT_TRUE(formatLabel->text().contains("&F"));

    const QFont font = control(window, "totalReadout")->font();
    EXPECT_TRUE(QStringList({"MS Sans Serif", "DejaVu Sans", "Liberation Sans"})
                    .contains(QFontInfo(font).family()));
    EXPECT_EQ(QFontInfo(font).pointSize(), 12);
    EXPECT_LE(2 * QFontMetrics(font).lineSpacing(), 41); // both of its lines fit
}

TEST(MainWindow, StartsEmptyWithOptionOneInAnExclusiveGroup) {
    MainWindow window(QStringLiteral("/nonexistent"));
    EXPECT_EQ(options(window).checkedId(), 1);
    EXPECT_EQ(labelTexts(window).join(""), "");
    EXPECT_EQ(picture(window), WaveformView(kBox).picture());
    EXPECT_EQ(test::slider(window).minimum(), 0);
    options(window).button(7)->click();
    options(window).button(7)->click(); // clicking the selected one keeps it
    EXPECT_EQ(options(window).checkedId(), 7);
    EXPECT_FALSE(options(window).button(1)->isChecked());
    options(window).button(16)->click();
    EXPECT_EQ(options(window).checkedId(), 16);
    EXPECT_FALSE(options(window).button(7)->isChecked());
}

TEST(MainWindow, StartUpDrawsSlotOneAndTheOptionsRedrawTheirSlot) {
    std::vector<test::SlotContent> slots = test::patternedSlots(600);
    slots[6].endIndex = 300;
    test::LoadedWindow w(slots);
    MainWindow& window = *w.window;
    EXPECT_EQ(window.currentSlot(), 1);
    EXPECT_EQ(picture(window), test::viewPicture(kBox, slots[0].bytes, 599));

    const auto before = test::allSlots(window.workspace().bank());
    options(window).button(7)->click(); // the user's click reaches chooseSlot
    EXPECT_EQ(window.currentSlot(), 7);
    EXPECT_EQ(picture(window), test::viewPicture(kBox, slots[6].bytes, 300));
    EXPECT_EQ(test::labelText(window, "nameReadout"), "slot 7.wav");
    window.chooseSlot(16);
    EXPECT_EQ(picture(window), test::viewPicture(kBox, slots[15].bytes, 599));
    EXPECT_EQ(test::allSlots(window.workspace().bank()), before);
    EXPECT_EQ(window.workspace().bank()[7].endIndex, 300);
    EXPECT_TRUE(w.errors->isEmpty());
}

TEST(MainWindow, ReadoutsSliderAndTotalDescribeTheSlots) {
    std::vector<test::SlotContent> slots = test::patternedSlots(50); // end index 49 each
    test::LoadedWindow w(slots);
    EXPECT_EQ(test::labelText(*w.window, "totalReadout"), "Total Samples: \r\n784");

    slots[2] = {Bytes(1000, 77), "a <b>name</b>", 999};
    test::LoadedWindow changed(slots);
    changed.window->chooseSlot(3);
    EXPECT_EQ(labelTexts(*changed.window),
              QStringList({"8 bit", "8000 Hz", "1000 input samples", "999 output samples",
                           "Total Samples: \r\n1734", "a <b>name</b>"}));
    EXPECT_EQ(test::slider(*changed.window).maximum(), 999);
    EXPECT_EQ(test::slider(*changed.window).value(), 999);
}

TEST(MainWindow, AnEmptySlotOnlyClearsAndAOneSampleSlotStandsAtTheLeft) {
    std::vector<test::SlotContent> slots = test::patternedSlots(300);
    slots[1] = {{255}, "one.wav", 0};
    slots[8] = {{}, "empty.wav", 0};
    test::LoadedWindow w(slots);
    MainWindow& window = *w.window;
    window.chooseSlot(4);
    const QStringList before = labelTexts(window);
    window.chooseSlot(9);
    EXPECT_EQ(picture(window), WaveformView(kBox).picture());
    EXPECT_EQ(labelTexts(window), before);
    EXPECT_EQ(test::slider(window).maximum(), 299);

    window.chooseSlot(2);
    EXPECT_EQ(test::labelText(window, "samplesReadout"), "1 input samples");
    EXPECT_EQ(test::slider(window).maximum(), 0);
    const QImage image = picture(window);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 0, 255)); // the sample, drawn last
    EXPECT_EQ(image.pixelColor(0, 1), QColor(0, 255, 0)); // the marker over the start line
    EXPECT_EQ(image.pixelColor(1, 0), kPictureBackground);
    EXPECT_TRUE(w.errors->isEmpty());
}

TEST(MainWindow, LinesAndTraceLandOnTheirPixels) {
    std::vector<test::SlotContent> slots = test::patternedSlots(20);
    slots[0] = {Bytes(1000, 255), "top.wav", 499}; // the trace runs along the top row
    test::LoadedWindow w(slots);
    const QImage image = picture(*w.window);
    for (int y = 1; y < 129; ++y) {
        EXPECT_EQ(image.pixelColor(0, y), QColor(255, 0, 0));   // start line
        EXPECT_EQ(image.pixelColor(288, y), QColor(0, 255, 0)); // 499 / 999 * 577 = 288.2
    }
    for (int x = 0; x < 577; ++x) {
        EXPECT_EQ(image.pixelColor(x, 0), QColor(0, 0, 255));
        EXPECT_EQ(image.pixelColor(x, 64), x == 288 ? QColor(0, 255, 0) : QColor(255, 0, 0));
        EXPECT_EQ(image.pixelColor(x, 1) == kPictureBackground, x != 0 && x != 288);
    }
}

TEST(MainWindow, AFailingHandlerShowsWhyAndKeepsWhatItHadDone) {
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    slots[5].endIndex = 2'000'000'000; // its marker lies beyond 32-bit pixels
    test::LoadedWindow w(slots);
    MainWindow& window = *w.window;
    window.chooseSlot(6);
    ASSERT_EQ(w.errors->size(), 1);
    EXPECT_EQ(window.currentSlot(), 6); // stored before the redraw failed
    EXPECT_EQ(test::labelText(window, "endReadout"), "99 output samples"); // still slot 1's
    const QImage image = picture(window); // cleared, red lines only
    EXPECT_EQ(image.pixelColor(300, 64), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(300, 10), kPictureBackground);

    for (int slot = 2; slot <= 16; ++slot) {
        slots[slot - 1].endIndex = 300'000'000; // the total passes 2^31
    }
    test::LoadedWindow huge(slots);
    EXPECT_TRUE(huge.errors->isEmpty()) << huge.errors->join("\n").toStdString();
    EXPECT_EQ(test::labelText(*huge.window, "totalReadout"), "Total Samples: \r\n4500000099");
}

TEST(MainWindow, ButtonsAndTheSliderReachTheirHandlers) {
    test::LoadedWindow w(test::patternedSlots(100));
    MainWindow& window = *w.window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    static_cast<QPushButton*>(control(window, "importButton"))->click(); // cancelled
    static_cast<QPushButton*>(control(window, "saveButton"))->click();   // cancelled
    ASSERT_EQ(w.dialog->requests.size(), 2u);
    EXPECT_EQ(w.dialog->requests[0].mode, FileDialogRequest::Mode::Open);
    EXPECT_EQ(w.dialog->requests[1].mode, FileDialogRequest::Mode::Save);
    window.chooseSlot(3); // the program sets the slider: no click, no trim
    EXPECT_EQ(window.workspace().bank()[3].endIndex, 99);
    QTest::mouseClick(&test::slider(window), Qt::LeftButton, {}, QPoint(100, 8));
    EXPECT_LT(window.workspace().bank()[3].endIndex,
              test::slider(window).maximum() / 4); // the click's trim ran
    EXPECT_EQ(test::slider(window).value(), window.workspace().bank()[3].endIndex);
    EXPECT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
    // The arrow keys choose among the options as a click does.
    options(window).button(3)->click();
    options(window).button(3)->setFocus();
    QTest::keyClick(options(window).button(3), Qt::Key_Down);
    EXPECT_EQ(window.currentSlot(), 7);
}

TEST(MainWindow, SaveWritesTheSketchWhereTheUserChoseOrNothing) {
    std::vector<test::SlotContent> slots = test::patternedSlots(40);
    test::LoadedWindow w(slots);
    test::TempFolder target;
    w.window->fileDialog().setNameFilters("Wave (*.wav)");
    w.dialog->answers = {target.file("chosen.ino"), std::nullopt, target.file("bad.ino")};
    w.window->saveWavetable();
    const FileDialogRequest& request = w.dialog->requests.at(0);
    EXPECT_EQ(request.mode, FileDialogRequest::Mode::Save);
    EXPECT_EQ(request.fileName, "Zozedovad.ino");
    EXPECT_EQ(request.nameFilters.split(";;").first(), "Arduino sketch (*.ino)"); // its own
    writeSketch(w.window->workspace().bank(), target.file("direct.ino"), Board::Uno,
                SampleFormat::Pcm8, OverBudget::Allow);
    EXPECT_EQ(test::readText(target.file("chosen.ino")), test::readText(target.file("direct.ino")));

    w.window->saveWavetable();                                                // cancelled
    EXPECT_EQ(QDir(w.dialog->requests.at(1).directory), QDir(target.path())); // where it was
    std::vector<test::SlotContent> pastItsEnd = slots;
    pastItsEnd[11].endIndex = 40;
    test::LoadedWindow broken(pastItsEnd);
    broken.dialog->answers = {target.file("bad.ino")};
    broken.window->saveWavetable();
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files),
              QStringList({"chosen.ino", "direct.ino"}));
    ASSERT_EQ(broken.errors->size(), 1);
    EXPECT_TRUE(broken.errors->at(0).contains("Slot 12"));
}

TEST(ClickSlider, ReportsOnlyTheUsersLeftClickAfterJumpingToIt) {
    ClickSlider slider;
    slider.setGeometry(0, 0, 577, 17);
    slider.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&slider));
    QSignalSpy clicks(&slider, &ClickSlider::clicked);
    slider.setMaximum(999);
    slider.setValue(5000); // beyond the range: shown at the end
    EXPECT_EQ(slider.value(), 999);
    slider.setMaximum(300);
    slider.setValue(-1);
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_PageUp, Qt::Key_End}) {
        QTest::keyClick(&slider, key);
    }
    EXPECT_EQ(slider.value(), 300); // keys move the knob but apply nothing
    QTest::keyClick(&slider, Qt::Key_Escape);
    QTest::mouseClick(&slider, Qt::RightButton, {}, QPoint(100, 8));
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(clicks.count(), 0);

    slider.setMaximum(999);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(288, 8));
    EXPECT_EQ(clicks.count(), 0);         // nothing until the button comes up
    EXPECT_NEAR(slider.value(), 500, 15); // a jump, not a page step
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(288, 8));
    EXPECT_EQ(clicks.count(), 1);
}

} // namespace
} // namespace wtb
