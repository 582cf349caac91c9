// What the window shows of the workspace: the current slot, the readouts, the slot buttons'
// descriptions, the budget meter, and the state of the editing controls.
#include "window/MainWindow.h"

#include "messages/ExportNotes.h"
#include "slots/Resampler.h"
#include "window/ClickSlider.h"
#include "window/EndIndexBox.h"
#include "window/Readouts.h"
#include "window/WaveformView.h"
#include "workspace/Choices.h"
#include "workspace/Session.h"
#include "workspace/Workspace.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace wtb {

void MainWindow::nameControls() {
    const WindowControls& c = controls_;
    const auto name = [](QWidget* control, const QString& accessibleName, const QString& tip) {
        control->setAccessibleName(accessibleName);
        control->setToolTip(plainToolTip(tip));
    };
    name(c.waveformView, QStringLiteral("Waveform"),
         QStringLiteral("The current slot: red start and zero lines, green end marker, blue "
                        "samples;\na loop, where the slot has one, shaded pale amber between "
                        "orange lines"));
    for (const auto& [command, action] : actions_) {
        action->setToolTip(commandTip(command));
    }
    for (const auto& [button, command] : c.commandButtons()) {
        name(button, commandText(command).accessibleName, commandTip(command));
    }
    name(c.endSlider, QStringLiteral("End index"),
         QStringLiteral("Where the current slot ends, stepped back to a zero crossing.\n"
                        "Click or drag with the mouse; or move with the arrow keys, Page Up/Down "
                        "and Home/End,\nthen Return to apply (Escape puts the knob back)."));
    name(c.targetRateBox, QStringLiteral("Target rate"),
         QStringLiteral("The rate the board plays: imports and \"Resample\" convert slots to "
                        "it. Choose one or type a whole number from %1 to %2; \"Keep source "
                        "rate\" leaves every sound at its own rate.")
             .arg(kLowestTargetRate)
             .arg(kHighestTargetRate));
    name(c.normaliseOnImportBox, QStringLiteral("Normalise on import"),
         QStringLiteral("Scale each imported sound so its loudest sample reaches full level."));
    name(c.boardBox, QStringLiteral("Board"),
         QStringLiteral("The board the sketch is for: the meter beside it compares the sample "
                        "table with the flash it leaves."));
    name(c.formatBox, QStringLiteral("Sample format"),
         QStringLiteral("How the sketch's table holds the samples: 8-bit PCM, one byte each, or "
                        "4-bit ADPCM, about twice the sound in the same flash, decoded by the "
                        "board as it plays. \"Play output\" plays what the board will play."));
    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->buddy()) {
            label->setToolTip(label->buddy()->toolTip()); // a box's caption explains it too
        }
    }
    c.budgetMeter->setAccessibleName(QStringLiteral("Flash budget"));
    makeReadout(*c.snrReadout, QStringLiteral("ADPCM signal-to-noise ratio"),
                QStringLiteral("In 4-bit ADPCM: how far the current slot's decoded samples stay "
                               "from its 8-bit samples, as a signal-to-noise ratio in dB (higher "
                               "is closer; about 6 dB a bit)"));
    makeReadout(*c.lastNote, QStringLiteral("Last note"),
                QStringLiteral("What the last export, import, trim or loop did, in short; its "
                               "tooltip says it whole"));
    makeReadout(*c.nameReadout, QStringLiteral("Sound name"),
                QStringLiteral("The current slot's name"));
    makeReadout(*c.bitsReadout, QStringLiteral("Bits per sample"),
                QStringLiteral("Bits per sample of the current slot"));
    makeReadout(*c.rateReadout, QStringLiteral("Sample rate"),
                QStringLiteral("Sample rate of the current slot"));
    makeReadout(*c.samplesReadout, QStringLiteral("Input samples"),
                QStringLiteral("Samples in the current slot"));
    makeReadout(*c.endReadout, QStringLiteral("Output samples"),
                QStringLiteral("End index of the current slot"));
    makeReadout(*c.totalReadout, QStringLiteral("Total samples"),
                QStringLiteral("The end indices of all sixteen slots added up"));
    describeSlots();
    nameStatusControls();
}

void MainWindow::describeSlots() {
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        QAbstractButton* button = controls_.slotButtons->button(slot);
        const QString name =
            workspace_ ? QString::fromStdString(workspace_->slot(slot).name) : QString();
        const QString sound = name.isEmpty() ? QStringLiteral("(no name)") : name;
        // The rate is what the board plays the slot at: slots at different rates show it here
        // before an export warns about it.
        const QString rate = workspace_
                                 ? QStringLiteral(", %1 Hz").arg(workspace_->slot(slot).sampleRate)
                                 : QString();
        const QString keys = slotKeys(slot).isEmpty()
                                 ? QStringLiteral("the arrow keys from another slot")
                                 : keysText(slotKeys(slot));
        button->setAccessibleName(QStringLiteral("Slot %1").arg(slot));
        button->setAccessibleDescription(
            QStringLiteral("Sound: %1%2. Choose it with %3.").arg(sound, rate, keys));
        button->setToolTip(plainToolTip(
            QStringLiteral("Slot %1: %2%3\nChoose it with %4").arg(slot).arg(sound, rate, keys)));
    }
}

void MainWindow::showCurrentSlot() {
    describeSlots(); // a slot's name may have changed with what came before
    const Slot& slot = current();
    const QString name = QString::fromStdString(slot.name);
    const bool another = shownSlot_ != currentSlot_;
    shownSlot_ = currentSlot_;
    controls_.waveformView->showSound(slot.samples, slot.endIndex, slot.loop, another);
    actions_[WindowCommand::RemoveLoop]->setEnabled(slot.loop.has_value());
    if (slot.samples.empty()) {
        controls_.waveformView->setAccessibleDescription(
            QStringLiteral("Slot %1, %2: no samples").arg(currentSlot_).arg(name));
        return; // nothing to show; the readouts still describe the slot shown before
    }
    showReadouts(slot);
    // QSlider shows a value outside the samples shown at the nearer end; the slot keeps its own.
    showShownRange();
    controls_.endIndexBox->showEnd(slot.endIndex, slot.lastIndex());
    controls_.waveformView->setAccessibleDescription(
        QStringLiteral("Slot %1, %2: %3 samples, end index %4%5")
            .arg(currentSlot_)
            .arg(name)
            .arg(slot.sampleCount())
            .arg(slot.endIndex)
            .arg(slot.loop
                     ? QStringLiteral(", loop %1 to %2").arg(slot.loop->start).arg(slot.loop->end)
                     : QString()));
    updateBudgetMeter();
    updateSnrReadout();
}

void MainWindow::showReadouts(const Slot& slot) {
    const WindowControls& c = controls_;
    showReadout(*c.bitsReadout, QStringLiteral("8 bit"));
    showReadout(*c.rateReadout, QString::number(slot.sampleRate) + QStringLiteral(" Hz"));
    const QString rate = QStringLiteral(" at %1 Hz").arg(slot.sampleRate);
    showReadout(*c.samplesReadout,
                QString::number(slot.sampleCount()) + QStringLiteral(" input samples"),
                durationText(slot.sampleCount(), slot.sampleRate) + rate);
    const std::int32_t kept = slot.keptSamples();
    showReadout(*c.endReadout, QString::number(slot.endIndex) + QStringLiteral(" output samples"),
                QStringLiteral("The sketch keeps samples 0 to %1: %2 samples, %3%4")
                    .arg(slot.endIndex)
                    .arg(kept)
                    .arg(durationText(kept, slot.sampleRate), rate));
    const SlotTotals totals = slotTotals(workspace_->bank());
    showReadout(*c.totalReadout,
                QStringLiteral("Total Samples: \r\n") + QString::number(totals.endIndices));
    showReadout(*c.nameReadout, QString::fromStdString(slot.name));
}

void MainWindow::updateBudgetMeter() {
    QProgressBar& meter = *controls_.budgetMeter;
    if (!workspace_) {
        return;
    }
    FlashBudget budget;
    try {
        budget = session_.budget(workspace_->bank());
    } catch (const std::exception& error) {
        // A bank whose end indices add up past 32 bits has no budget to show.
        meter.setRange(0, 1);
        meter.setValue(0);
        meter.setFormat(QStringLiteral("No budget"));
        meter.setToolTip(QString::fromUtf8(error.what()));
        return;
    }
    const QLocale locale = QLocale::c();
    const QString bytes = locale.toString(budget.tableBytes);
    meter.setRange(0, budget.room);
    meter.setValue(std::min(budget.bytes, budget.room));
    meter.setFormat(QStringLiteral("Player sketch: %1 of %2 bytes")
                        .arg(locale.toString(budget.bytes), locale.toString(budget.room)));
    const QString tip =
        QStringLiteral("%1: what \"Save Player Sketch...\" writes takes that much of the %2's "
                       "flash, the table %3 bytes in %4 and the player %5.%6")
            .arg(QString::fromStdString(flashFigureText(budget)), boardDisplayName(board()), bytes,
                 sampleFormatDisplayText(sampleFormat()), locale.toString(budget.playerBytes),
                 budget.fits ? QString() : QStringLiteral(" It does not fit."));
    meter.setToolTip(tip);
    meter.setAccessibleDescription(tip);
    QPalette palette = meter.palette();
    palette.setColor(QPalette::Highlight, budget.fits ? QColor(0x30, 0x8c, 0x3c) : Qt::red);
    meter.setPalette(palette);
    meter.setProperty("fits", budget.fits);
    // The readout's whole text, the bytes it does not count, and how long the table plays.
    const std::int64_t tableMs = playingTimes(workspace_->bank()).tableMs;
    controls_.totalReadout->setToolTip(plainToolTip(
        QStringLiteral("%1\nThe sketch's table will hold %2 bytes: the sum of each slot's end "
                       "index + 1.\nEvery slot played once: %3.")
            .arg(controls_.totalReadout->text().simplified(), bytes, durationText(tableMs))));
}

void MainWindow::updateEditingControls() {
    const bool hasTarget = targetRate().has_value();
    controls_.resampleSlotButton->setEnabled(hasTarget);
    controls_.resampleAllButton->setEnabled(hasTarget);
    actions_[WindowCommand::ResampleSlot]->setEnabled(hasTarget);
    actions_[WindowCommand::ResampleAll]->setEnabled(hasTarget);
    const EditHistory* history = workspace_ ? &workspace_->history() : nullptr;
    QAction* undoAction = actions_[WindowCommand::Undo];
    QAction* redoAction = actions_[WindowCommand::Redo];
    undoAction->setEnabled(history && history->canUndo());
    undoAction->setText(undoAction->isEnabled() ? "Undo " + history->undoText()
                                                : QStringLiteral("Undo"));
    redoAction->setEnabled(history && history->canRedo());
    redoAction->setText(redoAction->isEnabled() ? "Redo " + history->redoText()
                                                : QStringLiteral("Redo"));
}

std::optional<std::int32_t> MainWindow::targetRate() const {
    return session_.targetRate();
}

void MainWindow::setTargetRate(std::int32_t rate) {
    controls_.targetRateBox->setCurrentText(rate == 0 ? keepSourceRateText()
                                                      : QString::number(rate));
    targetRateEdited();
}

void MainWindow::targetRateEdited() {
    const QString text = controls_.targetRateBox->currentText();
    const std::optional<std::int32_t> typed = targetRateFromText(text);
    if (text != keepSourceRateText() && !typed) {
        prompts_->showError(this, QStringLiteral("The target rate \"%1\" is not a whole number "
                                                 "from %2 to %3 Hz; the rate stays as it was.")
                                      .arg(text)
                                      .arg(kLowestTargetRate)
                                      .arg(kHighestTargetRate));
        const std::optional<std::int32_t> remembered = rememberedTargetRate();
        controls_.targetRateBox->setCurrentText(remembered ? QString::number(*remembered)
                                                           : keepSourceRateText());
    }
    const std::optional<std::int32_t> before = rememberedTargetRate();
    session_.setTargetRate(targetRateFromText(controls_.targetRateBox->currentText()));
    rememberTargetRate(targetRate());
    updateEditingControls();
    if (targetRate() && targetRate() != before) {
        offerResampleToTarget(*targetRate());
    }
}

void MainWindow::offerResampleToTarget(std::int32_t rate) {
    guarded([this, rate] {
        if (!workspace_) {
            return;
        }
        const std::vector<std::int16_t> others = workspace_->rates().slotsNotAt(rate);
        if (others.empty()) {
            return;
        }
        const QString message =
            QStringLiteral("The target rate converts sounds as they are imported; %1 %2 %3 at "
                           "other rates. Resample %4 to %5 Hz now? (One step; Undo puts them "
                           "back.)")
                .arg(others.size() == 1 ? QStringLiteral("slot") : QStringLiteral("slots"),
                     QString::fromStdString(slotRangesText(others)),
                     others.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                     others.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"))
                .arg(rate);
        if (prompts_->askResampleToTarget(this, message)) {
            resampleSlotsTo(std::nullopt, rate);
        }
    });
}

Board MainWindow::board() const {
    return session_.board();
}

void MainWindow::setBoard(Board chosen) {
    session_.setBoard(chosen);
    controls_.boardBox->setCurrentIndex(controls_.boardBox->findData(static_cast<int>(chosen)));
    updateBudgetMeter();
}

SampleFormat MainWindow::sampleFormat() const {
    return session_.format();
}

void MainWindow::setSampleFormat(SampleFormat chosen) {
    session_.setFormat(chosen);
    controls_.formatBox->setCurrentIndex(controls_.formatBox->findData(static_cast<int>(chosen)));
    updateBudgetMeter();
    updateSnrReadout();
}

void MainWindow::showGuardedBytes(std::int32_t changedBytes) {
    QLabel& note = *controls_.lastNote;
    if (changedBytes <= 0) {
        showReadout(note, QString());
        return;
    }
    showReadout(note, QStringLiteral("Mega guard: %1 bytes").arg(changedBytes));
    note.setToolTip(QString::fromStdString(guardedBytesNote(changedBytes)));
}

} // namespace wtb
