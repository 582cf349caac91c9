// The window's work off its own thread: edits computed on a copy of the slots and applied in
// order, the signal-to-noise readout measured and kept per slot, and what the window shows
// meanwhile (a busy pointer and what it is doing in the status line).
#include "window/MainWindow.h"

#include "window/Readouts.h"
#include "workspace/Session.h"
#include "workspace/Workspace.h"

#include <QLabel>

#include <cmath>
#include <stdexcept>

namespace wtb {

void MainWindow::setWorkRuns(BackgroundWork::Runs runs) {
    if ((edits_ && edits_->busy()) || (readouts_ && readouts_->busy())) {
        throw std::logic_error("the window's work cannot change while some is running");
    }
    edits_ = std::make_unique<BackgroundWork>(runs);
    readouts_ = std::make_unique<BackgroundWork>(runs);
    for (BackgroundWork* work : {edits_.get(), readouts_.get()}) {
        work->setFailureHandler([this](const std::exception_ptr& failure) {
            guarded([&] { std::rethrow_exception(failure); });
        });
        connect(work, &BackgroundWork::doingChanged, this, [this] { showWorkDoing(); });
    }
}

bool MainWindow::workBusy() const {
    return edits_->busy() || readouts_->busy();
}

void MainWindow::finishWork() {
    while (workBusy()) {
        edits_->finish();
        readouts_->finish();
    }
}

void MainWindow::showWorkDoing() {
    const QString& doing = edits_->busy() ? edits_->doing() : readouts_->doing();
    if (doing.isEmpty()) {
        unsetCursor();
        showReadout(*controls_.statusLine, idleStatus_.line, idleStatus_.detail);
        return;
    }
    setCursor(Qt::BusyCursor); // the window still answers: not the wait cursor
    showReadout(*controls_.statusLine, doing);
}

void MainWindow::showStatus(const QString& line, const QString& detail) {
    idleStatus_ = {line, detail};
    if (!workBusy()) {
        showReadout(*controls_.statusLine, line, detail);
    }
}

void MainWindow::runEdit(const QString& doing, EditOnCopy edit) {
    edits_->queue(doing, [this, edit = std::move(edit)]() -> BackgroundWork::Compute {
        // Taken in the edit's turn: the slots as every edit queued before left them.
        Workspace& work = openWorkspace();
        const Workspace::SaveSnapshot snapshot = work.snapshotForSave();
        return [this, edit, snapshot, from = &work]() -> BackgroundWork::Apply {
            Workspace copy(snapshot.folder, snapshot.bank);
            ShowEdit show = edit(copy);
            std::optional<EditHistory::Step> step;
            if (const EditHistory::Step* made = copy.history().lastDone()) {
                step = *made;
            }
            return [this, show = std::move(show), step = std::move(step), snapshot, from] {
                // Another folder opened meanwhile, or the slots changed another way: the edit
                // would overwrite that change, so it is dropped and the user told.
                if (workspace_.get() != from ||
                    (step && !workspace_->adopt(*step, snapshot.revision))) {
                    showNote(QStringLiteral("Edit dropped"),
                             QStringLiteral("The slots changed while the edit was computed, so "
                                            "it was not applied; make it again."));
                    return;
                }
                if (show) {
                    show();
                }
            };
        };
    });
}

void MainWindow::updateSnrReadout() {
    QLabel& readout = *controls_.snrReadout;
    if (!workspace_ || sampleFormat() != SampleFormat::Adpcm4) {
        showReadout(readout, QString());
        return;
    }
    const std::int16_t number = currentSlot_;
    const Slot slot = current();
    if (const std::optional<double> snr = session_.knownSnr(number, slot)) {
        showSnr(*snr);
        return;
    }
    showReadout(readout, QStringLiteral("SNR …"));
    readouts_->queue(
        QStringLiteral("Encoding slot %1 to ADPCM…").arg(number),
        [this, number, slot]() -> BackgroundWork::Compute {
            if (session_.knownSnr(number, slot) || !stillShown(number, slot)) {
                return {}; // measured already, or the user moved on before its turn
            }
            return [this, number, slot]() -> BackgroundWork::Apply {
                // A slot the export refuses has nothing to measure; the export says why.
                const std::optional<double> snr = Session::measureSnr(slot, number);
                return [this, number, slot, snr] {
                    if (snr) {
                        session_.keepSnr(number, slot, *snr);
                    }
                    if (stillShown(number, slot)) { // else stale: another slot or sound is shown
                        snr ? showSnr(*snr) : showReadout(*controls_.snrReadout, QString());
                    }
                };
            };
        });
}

bool MainWindow::stillShown(std::int16_t number, const Slot& slot) const {
    return workspace_ && currentSlot_ == number && sampleFormat() == SampleFormat::Adpcm4 &&
           current() == slot;
}

void MainWindow::showSnr(double snrDb) {
    showReadout(*controls_.snrReadout, std::isfinite(snrDb)
                                           ? QStringLiteral("SNR %1 dB").arg(snrDb, 0, 'f', 1)
                                           : QStringLiteral("SNR exact"));
}

} // namespace wtb
