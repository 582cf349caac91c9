#include "window/MainWindow.h"

#include "audio/SoundOutput.h"
#include "common/AtomicFile.h"
#include "messages/Messages.h"
#include "slots/SoundFormats.h"
#include "slots/WorkingFolderLock.h"
#include "window/ClickSlider.h"
#include "window/WaveformView.h"
#include "window/WindowCaption.h"
#include "workspace/AutoSave.h"
#include "workspace/Choices.h"
#include "workspace/Workspace.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace wtb {

MainWindow::MainWindow(QString workingFolder, std::unique_ptr<UserPrompts> prompts, QWidget* parent)
    : QWidget(parent), workingFolder_(std::move(workingFolder)),
      prompts_(prompts ? std::move(prompts) : std::make_unique<UserPrompts>()) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    // Opens at the original size, which is also the smallest; larger gives the picture room.
    setMinimumSize(kDefaultWindowWidth, kDefaultWindowHeight);
    resize(kDefaultWindowWidth, kDefaultWindowHeight);
    // The fixed layout was drawn for an 8-point window font; a larger or wider one would cut
    // the readouts and the slot numbers short. Liberation Sans has the metrics the layout was
    // measured with; without it the platform's face is kept.
    QFont windowFont = font();
    windowFont.setFamilies({QStringLiteral("Liberation Sans"), windowFont.family()});
    windowFont.setPointSizeF(std::min(windowFont.pointSizeF(), 8.0));
    setFont(windowFont);
    controls_ = createWindowControls(this);
    setWorkRuns(BackgroundWork::Runs::OnWorkerThread);
    createActions();
    connectControls();
    nameControls();
    updateEditingControls();
    setUpKeys();
    buildPictureMenu();
}

MainWindow::~MainWindow() = default;

void MainWindow::createActions() {
    const std::pair<WindowCommand, void (MainWindow::*)()> handlers[] = {
        {WindowCommand::Import, &MainWindow::importSound},
        {WindowCommand::Save, &MainWindow::saveWavetable},
        {WindowCommand::Play, &MainWindow::playSlot},
        {WindowCommand::PlayOutput, &MainWindow::playOutput},
        {WindowCommand::ReleaseOutput, &MainWindow::releaseOutput},
        {WindowCommand::Stop, &MainWindow::stopPlaying},
        {WindowCommand::Undo, &MainWindow::undo},
        {WindowCommand::Redo, &MainWindow::redo},
        {WindowCommand::ResampleSlot, &MainWindow::resampleSlot},
        {WindowCommand::ResampleAll, &MainWindow::resampleAllSlots},
        {WindowCommand::NormaliseSlot, &MainWindow::normaliseSlot},
        {WindowCommand::NormaliseAll, &MainWindow::normaliseAllSlots},
        {WindowCommand::SavePlayer, &MainWindow::savePlayerSketch},
        {WindowCommand::CutStartHere, &MainWindow::cutStartHere},
        {WindowCommand::MakeSingleCycle, &MainWindow::makeSingleCycleHere},
        {WindowCommand::TrimSilenceSlot, &MainWindow::trimSilenceSlot},
        {WindowCommand::TrimSilenceAll, &MainWindow::trimSilenceAllSlots},
        {WindowCommand::LoopStartHere, &MainWindow::loopStartHere},
        {WindowCommand::LoopEndHere, &MainWindow::loopEndHere},
        {WindowCommand::RemoveLoop, &MainWindow::removeLoop},
        {WindowCommand::UploadToBoard, &MainWindow::uploadToBoard},
        {WindowCommand::PlayOnBoard, &MainWindow::playOnBoard},
    };
    for (const auto& [command, handler] : handlers) {
        actions_[command] = addCommand(command, handler);
    }
    for (int slot = 1; slot <= kLastSlotWithKeys; ++slot) {
        auto* choose = new QAction(this);
        choose->setShortcut(slotKeys(slot));
        choose->setShortcutContext(Qt::WindowShortcut);
        choose->setAutoRepeat(false);
        // As a click on the slot's button: it is checked, and the handler gets its number.
        connect(choose, &QAction::triggered, this,
                [this, slot] { controls_.slotButtons->button(slot)->click(); });
        addAction(choose);
    }
    actions_[WindowCommand::PlayOnBoard]->setEnabled(false); // until an upload
    createPictureActions();
}

QAction* MainWindow::addCommand(WindowCommand command, void (MainWindow::*handler)()) {
    const WindowCommandText& text = commandText(command);
    auto* action = new QAction(text.accessibleName, this);
    action->setShortcuts(text.keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setAutoRepeat(false); // a held key acts once
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    addAction(action);
    return action;
}

void MainWindow::connectControls() {
    WindowControls& c = controls_;
    auto* returnPresses = new ReturnPressesButton(this);
    for (const auto& [button, command] : c.commandButtons()) {
        connect(button, &QPushButton::clicked, actions_[command], &QAction::trigger);
        returnPresses->watch(button);
    }
    for (QAbstractButton* button : c.slotButtons->buttons()) {
        returnPresses->watch(button);
    }
    connect(c.slotButtons, &QButtonGroup::idClicked, this,
            [this](int id) { chooseSlot(static_cast<std::int16_t>(id)); });
    connect(c.endSlider, &ClickSlider::clicked, this, [this] { applyEndSlider(); });
    connect(c.endSlider, &ClickSlider::previewed, this,
            [this](int value) { guarded([&] { controls_.waveformView->previewEnd(value); }); });
    connect(c.endSlider, &ClickSlider::previewCancelled, this, [this] {
        guarded([this] { controls_.waveformView->previewEnd(current().endIndex); });
    });
    connectChoices();
    connectPictureControls();
    connectDrops();
}

void MainWindow::connectChoices() {
    WindowControls& c = controls_;
    c.targetRateBox->setValidator(new QRegularExpressionValidator(
        QRegularExpression(keepSourceRateText() + QStringLiteral("|[0-9]{1,5}")), c.targetRateBox));
    const std::optional<std::int32_t> rate = session_.targetRate();
    c.targetRateBox->setCurrentText(rate ? QString::number(*rate) : keepSourceRateText());
    connect(c.targetRateBox, &QComboBox::activated, this, [this] { targetRateEdited(); });
    connect(c.targetRateBox->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { targetRateEdited(); });
    c.normaliseOnImportBox->setChecked(rememberedNormaliseOnImport());
    connect(c.normaliseOnImportBox, &QCheckBox::toggled, this,
            [](bool checked) { rememberNormaliseOnImport(checked); });

    for (const Board each : allBoards()) {
        c.boardBox->addItem(boardDisplayName(each), static_cast<int>(each));
    }
    setBoard(session_.board());
    connect(c.boardBox, &QComboBox::activated, this, [this] {
        session_.setBoard(static_cast<Board>(controls_.boardBox->currentData().toInt()));
        rememberBoard(board());
        slotsChangedForPiano(); // the keys play as the board chosen plays
        updateBudgetMeter();
    });
    for (const SampleFormat format : allSampleFormats()) {
        c.formatBox->addItem(sampleFormatDisplayText(format), static_cast<int>(format));
    }
    setSampleFormat(session_.format());
    connect(c.formatBox, &QComboBox::activated, this, [this] {
        session_.setFormat(static_cast<SampleFormat>(controls_.formatBox->currentData().toInt()));
        rememberSampleFormat(sampleFormat());
        slotsChangedForPiano(); // the keys play the format the board will
        updateBudgetMeter();
        updateSnrReadout();
    });
}

bool MainWindow::open() {
    autoSave_.reset();
    workspace_.reset();
    std::unique_ptr<WorkingFolderLock> lock;
    try {
        lock = std::make_unique<WorkingFolderLock>(workingFolder_);
    } catch (const std::exception& error) {
        prompts_->showError(this, QString::fromUtf8(error.what()));
        return false; // another window has the folder: not a byte of it is touched
    }
    try {
        workspace_ = std::make_unique<Workspace>(workingFolder_, std::move(lock),
                                                 NewFolder::WriteDefaultKit);
    } catch (const std::exception& error) {
        // Only a FilesChangedError changed files before failing, and its message says which.
        const bool unchanged = dynamic_cast<const FilesChangedError*>(&error) == nullptr;
        prompts_->showError(
            this, QStringLiteral("The slots could not be loaded from the working folder "
                                 "\"%1\".\n\n%2%3")
                      .arg(QString::fromStdString(displayPath(workingFolder_)),
                           QString::fromUtf8(error.what()),
                           unchanged ? QStringLiteral("\n\nNothing in the folder was changed.")
                                     : QString()));
        return false;
    }
    connect(workspace_.get(), &Workspace::slotsChanged, this, [this] {
        updateEditingControls();
        updateBoardActions(); // a changed slot is not on the board
        slotsChangedForPiano();
        guarded([this] { showCurrentSlot(); });
    });
    autoSave_ = std::make_unique<AutoSave>(*workspace_);
    connect(autoSave_.get(), &AutoSave::saveFailed, this, [this](const QString& reason) {
        prompts_->showError(this, QStringLiteral("The slots could not be saved to the working "
                                                 "folder.\n\n%1\n\nThey stay as they are in the "
                                                 "window; it tries again after the next change "
                                                 "and when it closes.")
                                      .arg(reason));
    });
    currentSlot_ = 1;
    updateEditingControls();
    // The slots are loaded and will be saved at close even when slot 1 cannot be shown.
    guarded([this] { showCurrentSlot(); });
    tellUnusableFields();
    return true;
}

void MainWindow::tellUnusableFields() {
    QStringList notes;
    for (const UnusableSlot& unusable : workspace_->unusableSlots()) {
        notes << QString::fromStdString(unusableFieldsNote(unusable));
    }
    if (!notes.isEmpty()) {
        prompts_->showWarning(this, notes.join(QStringLiteral("\n\n")));
    }
}

bool MainWindow::saveBeforeClosing() {
    if (!workspace_) {
        return true; // a folder that did not load is the user's to mend; never overwrite it
    }
    autoSave_->finishRunning(); // never two saves of the folder at once
    for (;;) {
        try {
            workspace_->save();
            return true;
        } catch (const std::exception& error) {
            const QString message =
                QStringLiteral("The slots could not be saved to the working folder.\n\n%1\n\n"
                               "Retry, close without saving the slots, or keep the window open "
                               "(to free space, say, and close again)?")
                    .arg(QString::fromUtf8(error.what()));
            const auto choice = prompts_->askAfterFailedSave(this, message);
            if (choice != UserPrompts::SaveFailureChoice::Retry) {
                return choice == UserPrompts::SaveFailureChoice::CloseWithoutSaving;
            }
        }
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    finishWork(); // what the user asked for is in the slots that are saved
    if (!saveBeforeClosing()) {
        event->ignore(); // kept open: the slots are still here to be saved later
        return;
    }
    // Saved once; a second close event must not save again, and the lock goes with the
    // workspace, so the folder is free for the next program.
    autoSave_.reset();
    workspace_.reset();
    event->accept();
}

void MainWindow::showFailure(const std::exception& error) {
    QString message = QString::fromUtf8(error.what());
    const auto* failure = dynamic_cast<const RuntimeError*>(&error);
    if (failure && failure->kind() == ErrorKind::Size) {
        message += QStringLiteral(
            "\n\nTo make the table smaller, choose a lower rate in \"Target rate (Hz)\" and "
            "press \"Resample all\" (a target rate converts imports; the slots already here "
            "keep their rates until resampled), or move the slots' ends earlier with the "
            "end-point slider.");
    } else if (failure && failure->kind() == ErrorKind::Internal) {
        message += QStringLiteral("\n\n") + QString::fromUtf8(kInternalFaultNote);
    }
    prompts_->showError(this, message);
}

Workspace& MainWindow::openWorkspace() const {
    if (!workspace_) {
        wtb::raise(ErrorKind::File, "No working folder is open in the window.");
    }
    return *workspace_;
}

const Slot& MainWindow::current() const {
    return openWorkspace().slot(currentSlot_);
}

SoundOutput& MainWindow::soundOutput() {
    if (!soundOutput_) {
        soundOutput_ = std::make_unique<SoundOutput>();
    }
    return *soundOutput_;
}

void MainWindow::chooseSlot(std::int16_t slot) {
    guarded([this, slot] {
        checkSlotNumber(slot);
        currentSlot_ = slot; // stays current even when showing it fails
        if (workspace_) {
            showCurrentSlot();
        }
    });
}

void MainWindow::importSound() {
    guarded([this] {
        fileDialog_.setNameFilters(soundFileNameFilters(readableSoundFormats()));
        const std::optional<QStringList> paths =
            fileDialog_.showOpenMany(this, QStringLiteral("Import Sounds"), DialogPlace::Sounds);
        if (!paths) {
            return; // cancelled: the slot keeps its sound, end index and name
        }
        // One file replaces the slot the user chose, as it always has; more replace others too.
        importFilesFrom(currentSlot_, *paths, paths->size() > 1);
    });
}

void MainWindow::playSlot() {
    guarded([this] { soundOutput().play(current().samples.bytes(), current().sampleRate); });
    watchPlaying();
}

void MainWindow::stopPlaying() {
    ++playRequest_; // an output still being prepared is not played
    if (soundOutput_) {
        soundOutput_->stop();
    }
    watchPlaying();
}

void MainWindow::applyEndSlider() {
    const std::int16_t slot = currentSlot_;
    const std::int32_t index = controls_.endSlider->value();
    runEdit(QStringLiteral("Trimming slot %1…").arg(slot), [this, slot, index](Workspace& copy) {
        copy.trim(slot, index);
        // Also after a click that changed nothing: the knob goes back to the end index.
        return [this] { showCurrentSlot(); };
    });
}

void MainWindow::resampleSlot() {
    resampleSlots(currentSlot_);
}

void MainWindow::resampleAllSlots() {
    resampleSlots(std::nullopt);
}

void MainWindow::resampleSlots(SlotChoice slots) {
    resampleSlotsTo(slots, targetRate().value_or(0));
}

void MainWindow::resampleSlotsTo(SlotChoice slots, std::int32_t rate) {
    runEdit(slots ? QStringLiteral("Resampling slot %1 to %2 Hz…").arg(*slots).arg(rate)
                  : QStringLiteral("Resampling all slots to %1 Hz…").arg(rate),
            [slots, rate](Workspace& copy) {
                copy.resample(slots, rate);
                return ShowEdit();
            });
}

void MainWindow::normaliseSlot() {
    normaliseSlots(currentSlot_);
}

void MainWindow::normaliseAllSlots() {
    normaliseSlots(std::nullopt);
}

void MainWindow::normaliseSlots(SlotChoice slots) {
    runEdit(slots ? QStringLiteral("Normalising slot %1…").arg(*slots)
                  : QStringLiteral("Normalising all slots…"),
            [slots](Workspace& copy) {
                copy.normalise(slots);
                return ShowEdit();
            });
}

// In turn after the edits before them: an undo takes back the last edit asked for.
void MainWindow::undo() {
    edits_->queueApply(QStringLiteral("Undoing…"), [this] { openWorkspace().undo(); });
}

void MainWindow::redo() {
    edits_->queueApply(QStringLiteral("Redoing…"), [this] { openWorkspace().redo(); });
}

} // namespace wtb
