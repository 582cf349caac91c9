// The window's two exports, the table and the player sketch: the checks and questions before
// anything is written, then the workspace writes.
#include "window/MainWindow.h"

#include "audio/SoundOutput.h"
#include "common/AtomicFile.h"
#include "messages/ExportNotes.h"
#include "slots/WorkingFolderLock.h"
#include "window/ClickSlider.h"
#include "window/WaveformView.h"
#include "window/WindowCaption.h"
#include "workspace/AutoSave.h"
#include "workspace/Choices.h"
#include "workspace/Session.h"
#include "workspace/Workspace.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace wtb {

bool MainWindow::settleMixedRates() {
    const SlotRates rates = openWorkspace().rates();
    if (!rates.mixed()) {
        return true;
    }
    const std::int32_t rate = resampleRateFor(rates, targetRate());
    switch (prompts_->askMixedRates(this, QString::fromStdString(mixedRatesWarning(rates)), rate)) {
    case UserPrompts::MixedRatesChoice::ResampleAll:
        resampleSlotsTo(std::nullopt, rate);
        return true;
    case UserPrompts::MixedRatesChoice::SaveAnyway:
        return true;
    case UserPrompts::MixedRatesChoice::Cancel:
        break;
    }
    return false;
}

void MainWindow::saveWavetable() {
    guarded([this] {
        // Rates first: resampling changes the table's size, which the budget check weighs.
        if (!settleMixedRates()) {
            return; // cancelled: nothing is changed or written
        }
        // In turn after a resample just asked for, so the check weighs the slots it leaves.
        edits_->queueApply(QStringLiteral("Checking the wavetable…"),
                           [this] { saveCheckedWavetable(); });
    });
}

void MainWindow::saveCheckedWavetable() {
    // What no sketch could use is refused, and a table too large for the board is put to
    // the user, before a file is chosen or anything written.
    showGuardedBytes(0);
    const ExportCheck check = session_.checkSketch(openWorkspace());
    if (check.needsConfirmation() &&
        !prompts_->askSaveAnyway(this, QString::fromStdString(overBudgetWarning(check)))) {
        return;
    }
    fileDialog_.setNameFilters(sketchNameFilters());
    fileDialog_.setFileName(defaultSketchFileName());
    if (!fileDialog_.showSave(this, QStringLiteral("Save Wavetable"), DialogPlace::Sketches)) {
        return; // cancelled: nothing is written
    }
    confirmWritten({}); // until this one is written
    const QString path = fileDialog_.fileName();
    edits_->queue(
        QStringLiteral("Writing %1…").arg(QFileInfo(path).fileName()),
        [this, path, chosen = board(), format = sampleFormat()]() -> BackgroundWork::Compute {
            const Workspace::SaveSnapshot snapshot = openWorkspace().snapshotForSave();
            return [this, snapshot, path, chosen, format]() -> BackgroundWork::Apply {
                const Workspace copy(snapshot.folder, snapshot.bank);
                const std::int32_t changed =
                    copy.exportSketch(path, chosen, format, OverBudget::Allow);
                return [this, changed, path] {
                    showGuardedBytes(changed);
                    const QFileInfo file(path);
                    confirmWritten({QStringLiteral("Wrote %1").arg(file.fileName()),
                                    QStringLiteral("Wrote %1").arg(displayedPath(file))});
                };
            };
        });
}

void MainWindow::savePlayerSketch() {
    // In turn after the edits asked for before: the check weighs the slots they leave.
    edits_->queueApply(QStringLiteral("Checking the player sketch…"),
                       [this] { saveCheckedPlayerSketch(); });
}

void MainWindow::saveCheckedPlayerSketch() {
    // The player plays each slot at its own rate: mixed rates need no question here.
    showGuardedBytes(0);
    const ExportCheck check = session_.checkPlayerSketch(openWorkspace());
    if (check.needsConfirmation() &&
        !prompts_->askSaveAnyway(this, QString::fromStdString(overBudgetWarning(check)))) {
        return;
    }
    // The name given is the sketch's folder, made beside the chosen place, as the Arduino
    // IDE keeps a sketch.
    fileDialog_.setNameFilters(sketchNameFilters());
    fileDialog_.setFileName(defaultPlayerSketchName());
    if (!fileDialog_.showSave(this, QStringLiteral("Save Player Sketch"), DialogPlace::Sketches)) {
        return; // cancelled: nothing is written and no folder made
    }
    const QString folder = playerSketchFolder(fileDialog_.fileName());
    confirmWritten({}); // until this one is written
    edits_->queue(
        QStringLiteral("Writing the player sketch %1…").arg(QFileInfo(folder).fileName()),
        [this, folder, chosen = board(), format = sampleFormat(),
         options = playerOptions()]() -> BackgroundWork::Compute {
            const Workspace::SaveSnapshot snapshot = openWorkspace().snapshotForSave();
            return [this, snapshot, folder, chosen, format, options]() -> BackgroundWork::Apply {
                const Workspace copy(snapshot.folder, snapshot.bank);
                const WrittenPlayerSketch written =
                    copy.exportPlayerSketch(folder, chosen, format, OverBudget::Allow, options);
                return [this, written] { confirmPlayerSketch(written); };
            };
        });
}

void MainWindow::confirmPlayerSketch(const WrittenPlayerSketch& written) {
    showGuardedBytes(written.changedBytes);
    const QFileInfo header(written.header);
    const QFileInfo sketch(written.sketch);
    const QString sketchVerb =
        written.sketchWritten ? QStringLiteral("wrote") : QStringLiteral("kept your");
    confirmWritten(
        {QStringLiteral("Wrote %1, %2 %3").arg(header.fileName(), sketchVerb, sketch.fileName()),
         QStringLiteral("Wrote %1; %2 %3")
             .arg(displayedPath(header), sketchVerb, displayedPath(sketch))});
}

} // namespace wtb
