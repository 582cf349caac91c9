// The window in a process of its own, for the tests that kill it: it opens a working folder
// offscreen, runs the steps given, prints "ready" and goes on running until it is killed.
//
//   window_child <folder> <step>...
//
// Steps: import:SLOT:FILE (through the Import dialog), trim:SLOT:INDEX (a click on the
// end-point slider), resample:SLOT:RATE (the target rate, then "Resample slot"), undo, and
// wait:MS (the event loop runs on).

#include "messages/Messages.h"
#include "WindowTestSupport.h"
#include "slots/SoundHeaderProbe.h"

#include <QApplication>
#include <QElapsedTimer>

#include <iostream>

namespace {

using namespace wtb;

void runFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

void runStep(MainWindow& window, test::ScriptedDialog::Script& dialog, const QString& step) {
    const QStringList parts = step.split(':');
    const QString& what = parts[0];
    if (what == "import") {
        window.chooseSlot(static_cast<std::int16_t>(parts[1].toInt()));
        dialog.answers = {parts.mid(2).join(':')};
        window.importSound();
    } else if (what == "trim") {
        window.chooseSlot(static_cast<std::int16_t>(parts[1].toInt()));
        test::slider(window).setValue(parts[2].toInt());
        window.applyEndSlider();
    } else if (what == "resample") {
        window.chooseSlot(static_cast<std::int16_t>(parts[1].toInt()));
        window.setTargetRate(parts[2].toInt());
        window.resampleSlot();
    } else if (what == "undo") {
        window.undo();
    } else if (what == "wait") {
        runFor(parts[1].toInt());
    }
}

} // namespace

int main(int argc, char** argv) {
    wtb::installMessages();
    answerHeaderProbeIfAsked(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    auto errors = std::make_shared<QStringList>();
    auto dialog = std::make_shared<test::ScriptedDialog::Script>();
    MainWindow window(arguments.at(1), std::make_unique<test::RecordingPrompts>(errors));
    window.fileDialog().setRunner(std::make_unique<test::ScriptedDialog>(dialog));
    if (!window.open()) {
        std::cout << "not opened: " << errors->join(" ").toStdString() << std::endl;
        return 1;
    }
    for (const QString& step : arguments.mid(2)) {
        runStep(window, *dialog, step);
    }
    std::cout << (errors->isEmpty() ? "ready" : "failed: " + errors->join(" ").toStdString())
              << std::endl;
    return app.exec();
}
