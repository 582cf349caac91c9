// Upload to Board and Play on Board: the upload runs on a thread of its own over a copy of the
// slots, its steps shown in a progress dialog, so the window stays responsive.
#include "messages/ExportNotes.h"
#include "window/MainWindow.h"
#include "workspace/Choices.h"
#include "workspace/Session.h"
#include "workspace/Workspace.h"

#include <QMetaObject>
#include <QProgressDialog>
#include <QThread>

#include <atomic>
#include <memory>

namespace wtb {

namespace {

QString stepText(UploadStep step) {
    switch (step) {
    case UploadStep::Building:
        return QStringLiteral("Building the sketch with arduino-builder...");
    case UploadStep::Resetting:
        return QStringLiteral("Starting the board's bootloader...");
    case UploadStep::Writing:
        return QStringLiteral("Writing the flash...");
    case UploadStep::Verifying:
        return QStringLiteral("Verifying the flash...");
    }
    return {};
}

} // namespace

void MainWindow::uploadToBoard() {
    guarded([this] {
        if (upload_.running) {
            return; // one upload at a time; its dialog shows how far it is
        }
        const Board chosenBoard = board();
        const ExportCheck check = session_.checkPlayerSketch(openWorkspace());
        if (check.needsConfirmation()) {
            prompts_->showError(this, QString::fromStdString(overBudgetWarning(check)) +
                                          QStringLiteral(" Nothing was sent to the board."));
            return;
        }
        const std::optional<QString> port = prompts_->askUploadPort(this, uploadPorts(chosenBoard));
        if (!port) {
            return;
        }
        upload_.running = true;
        // Shared with the upload's thread, which may outlive the window.
        const auto cancelled = std::make_shared<std::atomic<bool>>(false);
        upload_.revision = openWorkspace().revision();
        auto* progress = new QProgressDialog(stepText(UploadStep::Building),
                                             QStringLiteral("Cancel"), 0, 100, this);
        progress->setObjectName(QStringLiteral("uploadProgress"));
        progress->setWindowTitle(QStringLiteral("Upload to Board"));
        progress->setAccessibleName(QStringLiteral("Upload progress"));
        progress->setMinimumDuration(0);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        progress->setValue(0);
        connect(progress, &QProgressDialog::canceled, this, [cancelled, progress] {
            *cancelled = true;
            progress->setLabelText(QStringLiteral("Stopping avrdude..."));
        });
        const SlotBank bank = openWorkspace().bank();
        const SampleFormat format = sampleFormat();
        const PlayerOptions options = playerOptions();
        QThread* worker =
            QThread::create([this, bank, chosenBoard, format, options, port, progress, cancelled] {
                std::string failure;
                try {
                    Workspace::uploadSlots(
                        bank, chosenBoard, format, *port, OverBudget::Refuse,
                        [progress](UploadStep step, int percent) {
                            QMetaObject::invokeMethod(
                                progress,
                                [progress, step, percent] {
                                    progress->setLabelText(stepText(step));
                                    progress->setValue(percent);
                                },
                                Qt::QueuedConnection);
                        },
                        [cancelled] { return cancelled->load(); }, options);
                } catch (const std::exception& error) {
                    failure = error.what();
                }
                // Only through the event loop, and dropped when the window is gone.
                QMetaObject::invokeMethod(
                    this,
                    [this, progress, failure, port, chosenBoard] {
                        progress->deleteLater();
                        upload_.running = false;
                        if (!failure.empty()) {
                            upload_.heldRevision.reset();
                            prompts_->showError(this, QString::fromStdString(failure));
                            updateBoardActions();
                            return;
                        }
                        upload_.heldRevision = upload_.revision;
                        upload_.port = *port;
                        upload_.board = chosenBoard;
                        confirmWritten({QStringLiteral("Uploaded to %1").arg(*port),
                                        QStringLiteral("Uploaded and verified on %1").arg(*port)});
                        updateBoardActions();
                    },
                    Qt::QueuedConnection);
            });
        connect(worker, &QThread::finished, worker, &QObject::deleteLater);
        worker->start();
    });
}

void MainWindow::playOnBoard() {
    guarded([this] {
        if (!boardHoldsSlots()) {
            prompts_->showError(this, QStringLiteral("The board does not hold these slots: "
                                                     "upload them first (Ctrl+U)."));
            return;
        }
        const QString port = upload_.port;
        const std::int16_t slot = currentSlot();
        // Opening the port may reset the board, which takes a moment to greet: off the window's
        // thread.
        QThread* worker = QThread::create([this, port, slot] {
            std::string failure;
            try {
                playSlotOnBoard(port, slot);
            } catch (const std::exception& error) {
                failure = error.what();
            }
            if (!failure.empty()) {
                QMetaObject::invokeMethod(
                    this,
                    [this, failure] { prompts_->showError(this, QString::fromStdString(failure)); },
                    Qt::QueuedConnection);
            }
        });
        connect(worker, &QThread::finished, worker, &QObject::deleteLater);
        worker->start();
    });
}

bool MainWindow::boardHoldsSlots() const {
    return workspace_ && upload_.heldRevision && *upload_.heldRevision == workspace_->revision();
}

void MainWindow::updateBoardActions() {
    actions_[WindowCommand::PlayOnBoard]->setEnabled(boardHoldsSlots());
}

} // namespace wtb
