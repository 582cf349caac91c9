// The window's editing beyond the end point: several files at once and dropped files, the
// start cut and the silence trim, the loop; each a thin call of the workspace.

#include "common/AtomicFile.h"
#include "common/RuntimeError.h"
#include "common/SystemPath.h"
#include "messages/ExportNotes.h"
#include "messages/ImportNoteText.h"
#include "window/MainWindow.h"
#include "window/Readouts.h"
#include "window/WaveformView.h"
#include "workspace/Choices.h"
#include "workspace/Session.h"
#include "workspace/Workspace.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

namespace wtb {

namespace {

QString slotName(const Slot& slot) {
    return QString::fromStdString(slot.name);
}

// "slot 4 (Kick) with kick.ogg" for each file, one a line.
QString replacementList(const Workspace& workspace, std::int16_t firstSlot,
                        const QStringList& paths) {
    QStringList lines;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const auto number = static_cast<std::int16_t>(firstSlot + i);
        const QString name = slotName(workspace.slot(number));
        lines << QStringLiteral("Slot %1%2 with %3")
                     .arg(number)
                     .arg(name.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(name),
                          QFileInfo(paths[i]).fileName());
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void MainWindow::connectDrops() {
    for (QAbstractButton* button : controls_.slotButtons->buttons()) {
        button->setAcceptDrops(true);
        button->installEventFilter(this);
    }
    controls_.waveformView->setAcceptDrops(true);
    controls_.waveformView->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool enter = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove;
    if (!enter && event->type() != QEvent::Drop) {
        return QWidget::eventFilter(watched, event);
    }
    const int button = controls_.slotButtons->id(qobject_cast<QAbstractButton*>(watched));
    const bool onPicture = watched == controls_.waveformView;
    auto* drop = static_cast<QDropEvent*>(event);
    if ((button < 1 && !onPicture) || !drop->mimeData()->hasUrls()) {
        return QWidget::eventFilter(watched, event);
    }
    // Any list of addresses is taken, so a refused one is explained on the drop, not ignored.
    drop->acceptProposedAction();
    if (!enter) {
        dropFiles(onPicture ? currentSlot_ : static_cast<std::int16_t>(button),
                  drop->mimeData()->urls());
    }
    return true;
}

void MainWindow::dropFiles(std::int16_t firstSlot, const QList<QUrl>& urls) {
    guarded([&] {
        QStringList paths;
        for (const QUrl& url : urls) {
            if (!url.isLocalFile()) {
                wtb::raise(ErrorKind::File,
                           "Only files on this computer can be dropped here; \"" +
                               url.toDisplayString().toStdString() +
                               "\" is not one. Save it to a folder first. No slot was changed.");
            }
            paths << pathFromFileUrl(url);
        }
        importFilesFrom(firstSlot, paths, true);
    });
}

void MainWindow::importFilesFrom(std::int16_t firstSlot, const QStringList& paths, bool confirm) {
    guarded([&] {
        if (paths.isEmpty()) {
            return;
        }
        Workspace& work = openWorkspace();
        checkSlotNumber(firstSlot);
        // Too many files: the workspace refuses them, naming the slots there are.
        if (confirm && paths.size() <= kLastSlot - firstSlot + 1) {
            const QString question =
                QStringLiteral("Replace %1?\n\n%2")
                    .arg(paths.size() == 1 ? QStringLiteral("this slot")
                                           : QStringLiteral("these %1 slots").arg(paths.size()),
                         replacementList(work, firstSlot, paths));
            if (!prompts_->askReplaceSlots(this, question)) {
                return; // cancelled: every slot stays as it was
            }
        }
        const DecodeOptions options{targetRate(), controls_.normaliseOnImportBox->isChecked()};
        const QString what = paths.size() == 1 ? QFileInfo(paths.front()).fileName()
                                               : QStringLiteral("%1 files").arg(paths.size());
        runEdit(QStringLiteral("Importing %1 into slot %2…").arg(what).arg(firstSlot),
                [this, firstSlot, paths, options](Workspace& copy) -> ShowEdit {
                    std::vector<std::string> notes;
                    for (const ImportNote& note : copy.importFiles(firstSlot, paths, options)) {
                        notes.push_back(importNoteText(note));
                    }
                    return [this, firstSlot, notes, count = paths.size()] {
                        showImportNotes(notes);
                        warnOversized(firstSlot, static_cast<std::int32_t>(count));
                    };
                });
    });
}

void MainWindow::showImportNotes(const std::vector<std::string>& notes) {
    QStringList detail;
    for (const std::string& note : notes) {
        detail << QString::fromStdString(note);
    }
    showNote(notes.empty() ? QString()
                           : QStringLiteral("Import: %1 note%2")
                                 .arg(notes.size())
                                 .arg(notes.size() == 1 ? QString() : QStringLiteral("s")),
             detail.join(QLatin1Char('\n')));
}

void MainWindow::warnOversized(std::int16_t firstSlot, std::int32_t count) {
    QStringList warnings;
    for (const OversizedSlot& oversized :
         session_.oversizedSlots(openWorkspace().bank(), firstSlot, count)) {
        warnings << QString::fromStdString(oversizedSlotNote(oversized, session_.board()));
    }
    if (!warnings.isEmpty()) {
        prompts_->showWarning(this, warnings.join(QStringLiteral("\n\n")));
    }
}

void MainWindow::showNote(const QString& text, const QString& detail) {
    QLabel& note = *controls_.lastNote;
    showReadout(note, text);
    note.setAccessibleDescription(detail);
    if (!detail.isEmpty()) {
        // Rich text, so Qt wraps a long sentence instead of drawing one line across the screen.
        QString html = detail.toHtmlEscaped();
        html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        note.setToolTip(QStringLiteral("<p>") + html + QStringLiteral("</p>"));
    }
}

std::int32_t MainWindow::pointerSample() const {
    // The picture's own mapping of x to samples, so the menu acts on the sample drawn there.
    const std::optional<std::int32_t> index = controls_.waveformView->menuIndex();
    if (!index) {
        wtb::raise(ErrorKind::Bounds,
                   "Slot " + std::to_string(currentSlot_) + " has no samples to act on.");
    }
    return *index;
}

void MainWindow::cutStartHere() {
    guarded([this] { cutStartAt(pointerSample()); });
}

void MainWindow::loopStartHere() {
    guarded([this] { setLoopStartAt(pointerSample()); });
}

void MainWindow::loopEndHere() {
    guarded([this] { setLoopEndAt(pointerSample()); });
}

void MainWindow::makeSingleCycleHere() {
    makeSingleCycleHere(defaultSingleCycleLength());
}

void MainWindow::makeSingleCycleHere(std::int32_t length) {
    guarded([this, length] {
        const std::int32_t at = pointerSample();
        const std::int16_t slot = currentSlot_;
        const SampleFormat format = sampleFormat();
        runEdit(QStringLiteral("Making slot %1 a single cycle…").arg(slot),
                [this, slot, length, at, format](Workspace& copy) -> ShowEdit {
                    const SingleCycleReport report = copy.makeSingleCycle(slot, length, at, format);
                    return [this, slot, length, report] {
                        const QString shorter =
                            report.length == length
                                ? QString()
                                : QStringLiteral(" (%1 cells asked: their rate is more than the "
                                                 "player of the chosen format plays)")
                                      .arg(length);
                        showNote(QStringLiteral("Cycle: %1 Hz").arg(report.frequency, 0, 'f', 2),
                                 QStringLiteral("Slot %1 is one cycle of %2 cells%7: pitch %3 Hz "
                                                "around sample %4, rate %5 Hz, looped whole, "
                                                "seam jump %6.")
                                     .arg(slot)
                                     .arg(report.length)
                                     .arg(report.frequency, 0, 'f', 2)
                                     .arg(report.at)
                                     .arg(report.rate)
                                     .arg(report.seamJump)
                                     .arg(shorter));
                    };
                });
    });
}

void MainWindow::cutStartAt(std::int32_t index) {
    const std::int16_t slot = currentSlot_;
    runEdit(QStringLiteral("Cutting the start of slot %1…").arg(slot),
            [this, slot, index](Workspace& copy) -> ShowEdit {
                const std::optional<StartCut> cut = copy.cutStart(slot, index);
                if (!cut) {
                    return {};
                }
                return [this, slot, index, removed = cut->removed, loop = cut->loop] {
                    const char* const loops[] = {
                        "", " The loop moved with the sound.",
                        " The loop now begins at the first sample.",
                        " The loop lay wholly before the cut and was removed."};
                    showNote(QStringLiteral("Start cut: %1").arg(removed),
                             QStringLiteral("Slot %1: %2 samples removed from the start, up to "
                                            "the zero crossing at or after sample %3.%4")
                                 .arg(slot)
                                 .arg(removed)
                                 .arg(index)
                                 .arg(QString::fromLatin1(loops[static_cast<int>(loop)])));
                };
            });
}

void MainWindow::setLoopStartAt(std::int32_t index) {
    const std::int16_t slot = currentSlot_;
    runEdit(QStringLiteral("Snapping the loop of slot %1…").arg(slot),
            [this, slot, index](Workspace& copy) -> ShowEdit {
                // Without a loop the new one runs to the end point: the whole kept sound after it.
                const Slot& before = copy.slot(slot);
                const bool kept = before.loop.has_value();
                copy.setLoop(slot, index, kept ? before.loop->end : before.endIndex);
                const QString how =
                    kept ? QStringLiteral("start at sample %1").arg(index)
                         : QStringLiteral("start at sample %1, end at the end point, as the slot "
                                          "had no loop")
                               .arg(index);
                return [this, slot, how] { showSettledLoop(slot, how); };
            });
}

void MainWindow::setLoopEndAt(std::int32_t index) {
    const std::int16_t slot = currentSlot_;
    runEdit(QStringLiteral("Snapping the loop of slot %1…").arg(slot),
            [this, slot, index](Workspace& copy) -> ShowEdit {
                // Without a loop the new one starts at the first sample: the whole sound up to
                // here.
                const Slot& before = copy.slot(slot);
                const bool kept = before.loop.has_value();
                copy.setLoop(slot, kept ? before.loop->start : 0, index);
                const QString how =
                    kept ? QStringLiteral("end at sample %1").arg(index)
                         : QStringLiteral("end at sample %1, start at the first sample, as the "
                                          "slot had no loop")
                               .arg(index);
                return [this, slot, how] { showSettledLoop(slot, how); };
            });
}

void MainWindow::showSettledLoop(std::int16_t slot, const QString& how) {
    const std::optional<Loop>& loop = openWorkspace().slot(slot).loop;
    if (!loop) {
        return;
    }
    const std::int32_t jump = seamJump(openWorkspace().slot(slot).samples.bytes(), *loop);
    showNote(QStringLiteral("Loop %1-%2, jump %3").arg(loop->start).arg(loop->end).arg(jump),
             QStringLiteral("Slot %1 loops samples %2 to %3 (asked: %4; both ends moved to the "
                            "nearest seamless join). The seam jumps %5 steps of 256.")
                 .arg(slot)
                 .arg(loop->start)
                 .arg(loop->end)
                 .arg(how)
                 .arg(jump));
}

void MainWindow::removeLoop() {
    const std::int16_t slot = currentSlot_;
    runEdit(QStringLiteral("Removing the loop of slot %1…").arg(slot),
            [this, slot](Workspace& copy) -> ShowEdit {
                const bool removed = copy.removeLoop(slot);
                return [this, slot, removed] {
                    showNote(removed ? QStringLiteral("Loop removed") : QString(),
                             removed
                                 ? QStringLiteral("Slot %1 plays once, without a loop.").arg(slot)
                                 : QString());
                };
            });
}

void MainWindow::trimSilenceSlot() {
    const std::int16_t slot = currentSlot_;
    runEdit(QStringLiteral("Trimming the silence of slot %1…").arg(slot),
            [this, slot](Workspace& copy) -> ShowEdit {
                const std::int32_t before = copy.slot(slot).endIndex;
                const auto trims = copy.trimSilence(slot, kDefaultSilenceThreshold);
                if (trims.empty()) {
                    return {};
                }
                const SilenceTrim& trim = trims.front().trim;
                const std::int32_t tail = before - trim.removed - trim.slot.endIndex;
                return [this, slot, tail, silent = trim.silent, removed = trim.removed] {
                    showNote(silent ? QStringLiteral("Slot is silent")
                                    : QStringLiteral("Trimmed %1 + %2").arg(removed).arg(tail),
                             silent ? QStringLiteral("Slot %1 holds nothing above the silence "
                                                     "threshold.")
                                          .arg(slot)
                                    : QStringLiteral("Slot %1: %2 quiet samples removed from the "
                                                     "start, %3 from the end.")
                                          .arg(slot)
                                          .arg(removed)
                                          .arg(tail));
                };
            });
}

void MainWindow::trimSilenceAllSlots() {
    runEdit(QStringLiteral("Trimming the silence of all slots…"),
            [this](Workspace& copy) -> ShowEdit {
                std::vector<std::int32_t> before;
                for (std::int16_t number = 1; number <= kLastSlot; ++number) {
                    before.push_back(copy.slot(number).endIndex);
                }
                const auto trims = copy.trimSilence(std::nullopt, kDefaultSilenceThreshold);
                QStringList detail;
                for (const Workspace::SlotSilenceTrim& each : trims) {
                    const std::int32_t tail = before[static_cast<std::size_t>(each.slot - 1)] -
                                              each.trim.removed - each.trim.slot.endIndex;
                    if (each.trim.silent) {
                        detail << QStringLiteral("Slot %1: silent").arg(each.slot);
                    } else if (each.trim.removed > 0 || tail > 0) {
                        detail << QStringLiteral("Slot %1: %2 + %3 samples")
                                      .arg(each.slot)
                                      .arg(each.trim.removed)
                                      .arg(tail);
                    }
                }
                return [this, detail] {
                    showNote(QStringLiteral("Trimmed %1 slots").arg(detail.size()),
                             QStringLiteral("Quiet samples removed from the start + the end:\n") +
                                 detail.join(QLatin1Char('\n')));
                };
            });
}

} // namespace wtb
