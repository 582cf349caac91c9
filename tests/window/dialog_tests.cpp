// The dialogs the window asks through: the file dialog's places and titles, and every way
// out of the real message boxes.
#include "WindowTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace wtb {
namespace {

TEST(CommonDialog, ReportsTheChoiceOrTheCancel) {
    auto script = std::make_shared<test::ScriptedDialog::Script>();
    script->answers = {std::nullopt, "/tmp/a/../my.wav"};
    CommonDialog dialog;
    dialog.setRunner(std::make_unique<test::ScriptedDialog>(script));
    dialog.setFileName("x.wav");
    EXPECT_FALSE(dialog.showOpen(nullptr, "Import Sounds", DialogPlace::Sounds));
    EXPECT_EQ(dialog.fileName(), "x.wav");
    EXPECT_TRUE(dialog.showOpen(nullptr, "Import Sounds", DialogPlace::Sounds));
    EXPECT_EQ(dialog.fileName(), "/tmp/my.wav");
    EXPECT_EQ(script->requests.at(1).mode, FileDialogRequest::Mode::Open);
    EXPECT_EQ(script->requests.at(1).fileName, "x.wav");
    EXPECT_EQ(script->requests.at(1).title, "Import Sounds");
}

// The sketch dialogs start in the Arduino sketchbook when there is one, else where the program
// started, and then where the last sketch was saved; the sounds keep a folder of their own.
TEST(CommonDialog, OpensSketchesInTheSketchbookAndEachPlaceWhereItWasLast) {
    for (const bool sketchbook : {true, false}) {
        SCOPED_TRACE(sketchbook);
        test::TempFolder home;
        test::TempFolder sounds;
        test::TempFolder saved;
        if (sketchbook) {
            QDir(home.path()).mkdir("Arduino");
        }
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        auto script = std::make_shared<test::ScriptedDialog::Script>();
        script->answers = {sounds.file("a.wav"), saved.file("Kit.ino"), std::nullopt, std::nullopt};
        CommonDialog dialog;
        dialog.setRunner(std::make_unique<test::ScriptedDialog>(script));
        qputenv("HOME", oldHome);
        const QString started = sketchbook ? home.file("Arduino") : QDir::currentPath();
        dialog.showOpen(nullptr, "Import Sounds", DialogPlace::Sounds);
        dialog.setFileName("Zozedovad.ino");
        dialog.showSave(nullptr, "Save Wavetable", DialogPlace::Sketches);
        dialog.setFileName("Zozedovad");
        dialog.showSave(nullptr, "Save Player Sketch", DialogPlace::Sketches);
        dialog.showOpen(nullptr, "Import Sounds", DialogPlace::Sounds);
        ASSERT_EQ(script->requests.size(), 4u);
        EXPECT_EQ(QDir(script->requests[1].directory), QDir(started));
        EXPECT_EQ(script->requests[1].title, "Save Wavetable");
        EXPECT_EQ(QDir(script->requests[2].directory), QDir(saved.path()));
        EXPECT_EQ(script->requests[2].title, "Save Player Sketch");
        EXPECT_EQ(QDir(script->requests[3].directory), QDir(sounds.path()));
    }
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

struct MixedRatesAnswer {
    const char* name;
    std::function<void(QMessageBox&)> answer;
    UserPrompts::MixedRatesChoice choice;
};

class MixedRatesPrompt : public testing::TestWithParam<MixedRatesAnswer> {};

// Anything but a deliberate choice cancels: nothing is written or changed then.
TEST_P(MixedRatesPrompt, EveryWayOutOfTheRealBoxGivesItsChoice) {
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer.stop();
            GetParam().answer(*box);
        }
    });
    timer.start();
    UserPrompts prompts;
    EXPECT_EQ(prompts.askMixedRates(nullptr, QStringLiteral("slot 16 at 16384 Hz"), 8000),
              GetParam().choice);
}

using Mixed = UserPrompts::MixedRatesChoice;
INSTANTIATE_TEST_SUITE_P(
    Each, MixedRatesPrompt,
    testing::Values(
        MixedRatesAnswer{"Escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); },
                         Mixed::Cancel},
        MixedRatesAnswer{"CloseButton", [](QMessageBox& box) { box.close(); }, Mixed::Cancel},
        MixedRatesAnswer{"Enter", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); },
                         Mixed::Cancel},
        MixedRatesAnswer{"Resample",
                         [](QMessageBox& box) { clickButton(box, "Resample all to 8000 Hz"); },
                         Mixed::ResampleAll},
        MixedRatesAnswer{"SaveAnyway", [](QMessageBox& box) { clickButton(box, "Save anyway"); },
                         Mixed::SaveAnyway}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace wtb
