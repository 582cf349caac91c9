#include "WindowTestSupport.h"

#include "export/SketchWriter.h"
#include "window/ClickSlider.h"
#include "window/PictureBox.h"

#include <QButtonGroup>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;
const QSize kBox(577, 129);
const QStringList kLabels{"lblBits",      "lblFreq",        "lblSamples",
                          "lblOutbuflen", "lblTotalSample", "lblFilename"};

QWidget* control(frmMain& window, const QString& name) {
    auto* found = window.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}
QStringList labelTexts(frmMain& window) {
    QStringList texts;
    for (const QString& label : kLabels) {
        texts << test::labelText(window, label);
    }
    return texts;
}
QImage picture(frmMain& window) {
    return static_cast<PictureBox*>(control(window, "PicIn"))->image();
}
QButtonGroup& options(frmMain& window) {
    return *window.findChild<QButtonGroup*>("optCurWave");
}

TEST(MainWindow, ControlsHaveTheirKindCaptionPlaceAndTabOrder) {
    frmMain window(QStringLiteral("/nonexistent"));
    EXPECT_EQ(window.windowTitle(), "Brimtock - Wavetable builder 1.1");
    EXPECT_EQ(window.minimumSize(), QSize(851, 303));
    EXPECT_EQ(window.maximumSize(), QSize(851, 303));
    struct Expected {
        QString name, kind, caption;
        QRect geometry;
    };
    std::vector<Expected> expected{
        {"PicIn", "wtb::PictureBox", "", {8, 8, 577, 129}},
        {"cmdConvertText", "QPushButton", "Import wav...", {592, 8, 113, 49}},
        {"lblBits", "QLabel", "", {592, 88, 113, 25}},
        {"lblFreq", "QLabel", "", {592, 112, 113, 25}},
        {"lblSamples", "QLabel", "", {592, 136, 113, 25}},
        {"sldBuffer", "wtb::ClickSlider", "", {8, 144, 577, 17}},
        {"lblOutbuflen", "QLabel", "", {592, 160, 113, 25}},
        {"cmdSave", "QPushButton", "Save Wavetable...", {720, 8, 113, 49}},
        {"lblTotalSample", "QLabel", "", {720, 120, 113, 41}},
        {"lblFilename", "QLabel", "", {592, 64, 113, 25}},
        {"cmdPlay", "QPushButton", "Play wav file", {176, 176, 129, 65}}};
    for (int i = 1; i <= 16; ++i) {
        expected.push_back({"optCurWave" + QString::number(i),
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
    // Controls added since sit in the free area right of Play and below the readouts.
    const QRect freeArea(313, 186, 851 - 313, 303 - 186);
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool original = std::any_of(expected.begin(), expected.end(), [&](const Expected& e) {
            return e.name == child->objectName();
        });
        EXPECT_TRUE(original || freeArea.contains(child->geometry()))
            << child->objectName().toStdString();
    }

    // Focus visits the buttons, the options and the slider in tab order; labels never.
    QStringList order;
    QWidget* widget = control(window, "cmdConvertText");
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != control(window, "cmdConvertText"));
    QStringList tabOrder{"cmdConvertText"};
    for (int i = 1; i <= 16; ++i) {
        tabOrder << "optCurWave" + QString::number(i);
    }
    tabOrder << "sldBuffer"
             << "cmdSave"
             << "cmdPlay";
    EXPECT_EQ(order.mid(0, tabOrder.size()), tabOrder); // the new controls come after

    const QFont font = control(window, "lblTotalSample")->font();
    EXPECT_TRUE(QStringList({"MS Sans Serif", "DejaVu Sans", "Liberation Sans"})
                    .contains(QFontInfo(font).family()));
    EXPECT_EQ(QFontInfo(font).pointSize(), 12);
    EXPECT_LE(2 * QFontMetrics(font).lineSpacing(), 41); // both of its lines fit
}

TEST(MainWindow, StartsEmptyWithOptionOneInAnExclusiveGroup) {
    frmMain window(QStringLiteral("/nonexistent"));
    EXPECT_EQ(options(window).checkedId(), 1);
    EXPECT_EQ(labelTexts(window).join(""), "");
    EXPECT_EQ(picture(window), PictureBox(kBox).image());
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
    frmMain& window = *w.window;
    EXPECT_EQ(window.bank().CurWave, 1);
    EXPECT_EQ(window.bank().WaveData, slots[0].bytes);
    EXPECT_EQ(window.bank().WaveDataSlot, 1);
    EXPECT_EQ(picture(window), test::viewPicture(kBox, slots[0].bytes, 599));

    const auto before = test::allSlotStates(window.bank());
    options(window).button(7)->click(); // the user's click reaches optCurWave_Click
    EXPECT_EQ(window.bank().CurWave, 7);
    EXPECT_EQ(window.bank().WaveData, slots[6].bytes);
    EXPECT_EQ(window.bank().WaveDataSlot, 7);
    EXPECT_EQ(picture(window), test::viewPicture(kBox, slots[6].bytes, 300));
    EXPECT_EQ(test::labelText(window, "lblFilename"), "slot 7.wav");
    window.optCurWave_Click(16);
    EXPECT_EQ(window.bank().WaveData, slots[15].bytes);
    EXPECT_EQ(test::allSlotStates(window.bank()), before);
    EXPECT_EQ(window.bank().OutBufLen[7], 300);
    EXPECT_TRUE(w.errors->isEmpty());
}

TEST(MainWindow, ReadoutsSliderAndTotalDescribeTheSlots) {
    std::vector<test::SlotContent> slots = test::patternedSlots(50); // end index 49 each
    test::LoadedWindow w(slots);
    EXPECT_EQ(test::labelText(*w.window, "lblTotalSample"), "Total Samples: \r\n784");

    slots[2] = {Bytes(1000, 77), "a <b>name</b>", 999};
    test::fillBank(w.window->bank(), slots);
    w.window->optCurWave_Click(3);
    EXPECT_EQ(labelTexts(*w.window),
              QStringList({"8 bit", "8000 Hz", "1000 input samples", "999 output samples",
                           "Total Samples: \r\n1734", "a <b>name</b>"}));
    EXPECT_EQ(test::slider(*w.window).maximum(), 999);
    EXPECT_EQ(test::slider(*w.window).value(), 999);
}

TEST(MainWindow, AnEmptySlotOnlyClearsAndAOneSampleSlotStandsAtTheLeft) {
    std::vector<test::SlotContent> slots = test::patternedSlots(300);
    slots[1] = {{255}, "one.wav", 0};
    slots[8] = {{}, "empty.wav", 0};
    test::LoadedWindow w(slots);
    frmMain& window = *w.window;
    window.optCurWave_Click(4);
    const QStringList before = labelTexts(window);
    window.optCurWave_Click(9);
    EXPECT_EQ(picture(window), PictureBox(kBox).image());
    EXPECT_EQ(labelTexts(window), before);
    EXPECT_EQ(test::slider(window).maximum(), 299);
    EXPECT_EQ(window.bank().WaveData, slots[3].bytes);
    EXPECT_EQ(window.bank().WaveDataSlot, 4);

    window.optCurWave_Click(2);
    EXPECT_EQ(test::labelText(window, "lblSamples"), "1 input samples");
    EXPECT_EQ(test::slider(window).maximum(), 0);
    const QImage image = picture(window);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 0, 255)); // the sample, drawn last
    EXPECT_EQ(image.pixelColor(0, 1), QColor(0, 255, 0)); // the marker over the start line
    EXPECT_EQ(image.pixelColor(1, 0), PictureBox::kBackground);
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
        EXPECT_EQ(image.pixelColor(x, 1) == PictureBox::kBackground, x != 0 && x != 288);
    }
}

TEST(MainWindow, AFailingHandlerShowsWhyAndKeepsWhatItHadDone) {
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    slots[5].endIndex = 2'000'000'000; // its marker lies beyond 32-bit pixels
    test::LoadedWindow w(slots);
    frmMain& window = *w.window;
    window.optCurWave_Click(6);
    ASSERT_EQ(w.errors->size(), 1);
    EXPECT_EQ(window.bank().CurWave, 6); // stored before the redraw failed
    EXPECT_EQ(test::labelText(window, "lblOutbuflen"), "99 output samples"); // still slot 1's
    const QImage image = picture(window); // cleared, red lines only
    EXPECT_EQ(image.pixelColor(300, 64), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(300, 10), PictureBox::kBackground);

    for (int slot = 2; slot <= 16; ++slot) {
        window.bank().OutBufLen[slot] = 300'000'000; // the total passes 2^31
    }
    window.optCurWave_Click(1);
    ASSERT_EQ(w.errors->size(), 2);
    EXPECT_EQ(test::slider(window).maximum(), 99); // set before the total
    EXPECT_EQ(test::labelText(window, "lblTotalSample"),
              "Total Samples: \r\n2000001485"); // as at start
}

TEST(MainWindow, ButtonsAndTheSliderReachTheirHandlers) {
    test::LoadedWindow w(test::patternedSlots(100));
    frmMain& window = *w.window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    static_cast<QPushButton*>(control(window, "cmdConvertText"))->click(); // cancelled
    static_cast<QPushButton*>(control(window, "cmdSave"))->click();        // cancelled
    ASSERT_EQ(w.dialog->requests.size(), 2u);
    EXPECT_EQ(w.dialog->requests[0].mode, FileDialogRequest::Mode::Open);
    EXPECT_EQ(w.dialog->requests[1].mode, FileDialogRequest::Mode::Save);
    window.optCurWave_Click(3); // the program sets the slider: no click, no trim
    EXPECT_EQ(window.bank().OutBufLen[3], 99);
    QTest::mouseClick(&test::slider(window), Qt::LeftButton, {}, QPoint(100, 8));
    EXPECT_LT(window.bank().OutBufLen[3],
              test::slider(window).maximum() / 4); // the click's trim ran
    EXPECT_EQ(test::slider(window).value(), window.bank().OutBufLen[3]);
    EXPECT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
    // The arrow keys choose among the options as a click does.
    options(window).button(3)->click();
    options(window).button(3)->setFocus();
    QTest::keyClick(options(window).button(3), Qt::Key_Down);
    EXPECT_EQ(window.bank().CurWave, 7);
}

TEST(MainWindow, SaveWritesTheSketchWhereTheUserChoseOrNothing) {
    std::vector<test::SlotContent> slots = test::patternedSlots(40);
    test::LoadedWindow w(slots);
    test::TempFolder target;
    w.window->CommonDialog1().setFilter("Wave (*.wav)|*.wav");
    w.dialog->answers = {target.file("chosen.ino"), std::nullopt, target.file("bad.ino")};
    w.window->cmdSave_Click();
    const FileDialogRequest& request = w.dialog->requests.at(0);
    EXPECT_EQ(request.mode, FileDialogRequest::Mode::Save);
    EXPECT_EQ(request.fileName, "Zozedovad.ino");
    EXPECT_EQ(request.nameFilters, "Wave (*.wav)"); // the filter stays as it was
    writeSketch(w.window->bank(), target.file("direct.ino"));
    EXPECT_EQ(test::readText(target.file("chosen.ino")), test::readText(target.file("direct.ino")));

    w.window->cmdSave_Click();                                                // cancelled
    EXPECT_EQ(QDir(w.dialog->requests.at(1).directory), QDir(target.path())); // where it was
    w.window->bank().OutBufLen[12] = 40;                                      // past its end
    w.window->cmdSave_Click();
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files),
              QStringList({"chosen.ino", "direct.ino"}));
    ASSERT_EQ(w.errors->size(), 1);
    EXPECT_TRUE(w.errors->at(0).contains("Slot 12"));
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

TEST(CommonDialog, ConvertsTheFilterAndReportsTheChoiceOrTheCancel) {
    EXPECT_EQ(CommonDialog::toQtNameFilters("Wave files|*.wav;*.wave|All files (*.*)|*.*"),
              "Wave files (*.wav *.wave);;All files (*)");
    auto script = std::make_shared<test::ScriptedDialog::Script>();
    script->answers = {std::nullopt, "/tmp/a/../my.wav"};
    CommonDialog dialog;
    dialog.setRunner(std::make_unique<test::ScriptedDialog>(script));
    dialog.setFileName("x.wav");
    EXPECT_FALSE(dialog.showOpen(nullptr));
    EXPECT_EQ(dialog.fileName(), "x.wav");
    EXPECT_TRUE(dialog.showOpen(nullptr));
    EXPECT_EQ(dialog.fileName(), "/tmp/my.wav");
    EXPECT_EQ(script->requests.at(1).mode, FileDialogRequest::Mode::Open);
    EXPECT_EQ(script->requests.at(1).fileName, "x.wav");
}

struct PromptAnswer {
    const char* name;
    std::function<void(QMessageBox&)> answer;
    UserPrompts::SaveFailureChoice choice;
};

void clickButton(QMessageBox& box, const QString& text) {
    for (QAbstractButton* button : box.buttons()) {
        if (button->text() == text) {
            button->click();
        }
    }
}

class SaveFailurePrompt : public testing::TestWithParam<PromptAnswer> {};

TEST_P(SaveFailurePrompt, EveryWayOutOfTheRealBoxGivesItsChoice) {
    QTimer timer; // answers the box once it is up
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer.stop();
            GetParam().answer(*box);
        }
    });
    timer.start();
    UserPrompts prompts;
    EXPECT_EQ(prompts.askAfterFailedSave(nullptr, QStringLiteral("9.wav: disk full")),
              GetParam().choice);
}

using Choice = UserPrompts::SaveFailureChoice;
INSTANTIATE_TEST_SUITE_P(
    Each, SaveFailurePrompt,
    testing::Values(
        PromptAnswer{"Escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); },
                     Choice::KeepOpen},
        PromptAnswer{"CloseButton", [](QMessageBox& box) { box.close(); }, Choice::KeepOpen},
        PromptAnswer{"Enter", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); },
                     Choice::Retry},
        PromptAnswer{"Retry", [](QMessageBox& box) { clickButton(box, "Retry"); }, Choice::Retry},
        PromptAnswer{"CloseWithoutSaving",
                     [](QMessageBox& box) { clickButton(box, "Close without saving"); },
                     Choice::CloseWithoutSaving},
        PromptAnswer{"KeepOpen", [](QMessageBox& box) { clickButton(box, "Keep the window open"); },
                     Choice::KeepOpen}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace wtb
