// The window's controls beyond the original layout: the target rate, the exported sound's
// preview, resampling and normalising slots, and undo. They sit in the free area right of
// "Play wav file" and below the readouts; the slot actions are also on the picture's menu.
#include "window/frmMain.h"

#include "audio/SoundOutput.h"
#include "common/Preferences.h"
#include "editing/Normalise.h"
#include "editing/Resample.h"
#include "export/ExportedSamples.h"
#include "slots/Resampler.h"
#include "window/LabelledComboBox.h"
#include "window/PictureBox.h"
#include "window/SlotUndo.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QUndoStack>

namespace wtb {

namespace {

const QString kKeepSourceRate = QStringLiteral("Keep source rate");
constexpr std::int32_t kCommonRates[] = {8000, 11025, 16000, 16384, 22050, 32000, 32768, 44100};

QPushButton* editButton(QWidget* window, const char* name, const QString& caption,
                        const QRect& geometry, const QString& tip) {
    auto* button = new QPushButton(caption, window);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->setToolTip(tip);
    button->setAccessibleName(caption);
    return button;
}

} // namespace

QAction* frmMain::addWindowAction(const QString& text, const QList<QKeySequence>& keys,
                                  void (frmMain::*handler)()) {
    auto* action = new QAction(text, this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    addAction(action);
    return action;
}

void frmMain::createEditingControls() {
    undoStack_ = new QUndoStack(this);
    undoStack_->setUndoLimit(100); // each step keeps copies of the slots it changed

    cboTargetRate = labelledComboBox(
        this, {"lblTargetRate", QStringLiteral("Target rate (Hz):"), QRect(316, 194, 90, 20),
               "cboTargetRate", QRect(408, 192, 124, 22), QStringLiteral("Target rate"),
               QStringLiteral("The rate the board plays: imports and \"Resample\" convert "
                              "slots to it. Choose one or type a whole number from 1000 to "
                              "96000; \"Keep source rate\" leaves every sound at its own "
                              "rate.")});
    cboTargetRate->setEditable(true);
    cboTargetRate->setInsertPolicy(QComboBox::NoInsert);
    cboTargetRate->addItem(kKeepSourceRate);
    for (const std::int32_t rate : kCommonRates) {
        cboTargetRate->addItem(QString::number(rate));
    }
    cboTargetRate->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("Keep source rate|[0-9]{1,5}")), cboTargetRate));
    const std::int32_t remembered = preferredTargetRate();
    cboTargetRate->setCurrentText(remembered >= kLowestTargetRate &&
                                          remembered <= kHighestTargetRate
                                      ? QString::number(remembered)
                                      : kKeepSourceRate);
    connect(cboTargetRate, &QComboBox::activated, this, [this] { targetRateEdited(); });
    connect(cboTargetRate->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { targetRateEdited(); });

    chkNormalise = new QCheckBox(QStringLiteral("Normalise on import"), this);
    chkNormalise->setObjectName(QStringLiteral("chkNormalise"));
    chkNormalise->setGeometry(544, 192, 150, 22);
    chkNormalise->setChecked(preferNormaliseOnImport());
    chkNormalise->setToolTip(
        QStringLiteral("Scale each imported sound so its loudest sample reaches full level."));
    chkNormalise->setAccessibleName(QStringLiteral("Normalise on import"));
    connect(chkNormalise, &QCheckBox::toggled, this,
            [](bool checked) { setPreferNormaliseOnImport(checked); });

    cmdPlayOutput =
        editButton(this, "cmdPlayOutput", QStringLiteral("Play output"), QRect(316, 220, 100, 24),
                   QStringLiteral("Play what the sketch will hold for this slot: "
                                  "samples 0 to the end index, at the slot's rate "
                                  "(Ctrl+P)."));
    cmdStop = editButton(this, "cmdStop", QStringLiteral("Stop"), QRect(420, 220, 70, 24),
                         QStringLiteral("Stop playing (Escape)."));
    cmdResampleSlot = editButton(this, "cmdResampleSlot", QStringLiteral("Resample slot"),
                                 QRect(316, 248, 100, 24),
                                 QStringLiteral("Convert this slot to the target rate."));
    cmdResampleAll =
        editButton(this, "cmdResampleAll", QStringLiteral("Resample all"), QRect(420, 248, 100, 24),
                   QStringLiteral("Convert every slot at another rate to the "
                                  "target rate."));
    cmdNormaliseSlot = editButton(this, "cmdNormaliseSlot", QStringLiteral("Normalise slot"),
                                  QRect(524, 248, 100, 24),
                                  QStringLiteral("Scale this slot so its loudest sample reaches "
                                                 "full level."));
    cmdNormaliseAll = editButton(this, "cmdNormaliseAll", QStringLiteral("Normalise all"),
                                 QRect(628, 248, 100, 24),
                                 QStringLiteral("Scale every slot so its loudest sample reaches "
                                                "full level."));
    connect(cmdPlayOutput, &QPushButton::clicked, this, [this] { cmdPlayOutput_Click(); });
    connect(cmdStop, &QPushButton::clicked, this, [this] { cmdStop_Click(); });
    connect(cmdResampleSlot, &QPushButton::clicked, this, [this] { cmdResampleSlot_Click(); });
    connect(cmdResampleAll, &QPushButton::clicked, this, [this] { cmdResampleAll_Click(); });
    connect(cmdNormaliseSlot, &QPushButton::clicked, this, [this] { cmdNormaliseSlot_Click(); });
    connect(cmdNormaliseAll, &QPushButton::clicked, this, [this] { cmdNormaliseAll_Click(); });

    // The window-wide keys, and the same actions on the picture's context menu.
    QAction* playOutput =
        addWindowAction(QStringLiteral("Play output"), {QKeySequence(Qt::CTRL | Qt::Key_P)},
                        &frmMain::cmdPlayOutput_Click);
    QAction* stop = addWindowAction(QStringLiteral("Stop"), {QKeySequence(Qt::Key_Escape)},
                                    &frmMain::cmdStop_Click);
    undoAction_ =
        addWindowAction(QStringLiteral("Undo"), {QKeySequence::Undo}, &frmMain::Undo_Click);
    redoAction_ = addWindowAction(
        QStringLiteral("Redo"),
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
        &frmMain::Redo_Click);
    const auto menuAction = [this](const QString& text, QPushButton* button) {
        auto* action = new QAction(text, this);
        connect(action, &QAction::triggered, button, &QPushButton::click);
        connect(button, &QPushButton::destroyed, action, &QObject::deleteLater);
        return action;
    };
    const auto separator = [this] {
        auto* action = new QAction(this);
        action->setSeparator(true);
        return action;
    };
    PicIn->setContextMenuPolicy(Qt::ActionsContextMenu);
    PicIn->addActions({playOutput, stop, separator(),
                       menuAction(QStringLiteral("Resample slot"), cmdResampleSlot),
                       menuAction(QStringLiteral("Resample all slots"), cmdResampleAll),
                       menuAction(QStringLiteral("Normalise slot"), cmdNormaliseSlot),
                       menuAction(QStringLiteral("Normalise all slots"), cmdNormaliseAll),
                       separator(), undoAction_, redoAction_});

    connect(undoStack_, &QUndoStack::indexChanged, this, [this] { updateEditingControls(); });
    updateEditingControls();
}

void frmMain::updateEditingControls() {
    const bool hasTarget = targetRate().has_value();
    cmdResampleSlot->setEnabled(hasTarget);
    cmdResampleAll->setEnabled(hasTarget);
    undoAction_->setEnabled(undoStack_->canUndo());
    undoAction_->setText(undoStack_->canUndo() ? "Undo " + undoStack_->undoText()
                                               : QStringLiteral("Undo"));
    redoAction_->setEnabled(undoStack_->canRedo());
    redoAction_->setText(undoStack_->canRedo() ? "Redo " + undoStack_->redoText()
                                               : QStringLiteral("Redo"));
}

std::optional<std::int32_t> frmMain::targetRate() const {
    bool isNumber = false;
    const int rate = cboTargetRate->currentText().toInt(&isNumber);
    if (!isNumber || rate < kLowestTargetRate || rate > kHighestTargetRate) {
        return std::nullopt;
    }
    return rate;
}

void frmMain::setTargetRate(std::int32_t rate) {
    cboTargetRate->setCurrentText(rate == 0 ? kKeepSourceRate : QString::number(rate));
    targetRateEdited();
}

void frmMain::targetRateEdited() {
    const QString text = cboTargetRate->currentText();
    if (text != kKeepSourceRate && !targetRate()) {
        const std::int32_t remembered = preferredTargetRate();
        prompts_->showError(this, QStringLiteral("The target rate \"%1\" is not a whole number "
                                                 "from %2 to %3 Hz; the rate stays as it was.")
                                      .arg(text)
                                      .arg(kLowestTargetRate)
                                      .arg(kHighestTargetRate));
        cboTargetRate->setCurrentText(remembered == 0 ? kKeepSourceRate
                                                      : QString::number(remembered));
    }
    setPreferredTargetRate(targetRate().value_or(0));
    updateEditingControls();
}

void frmMain::redrawAfterUndo() {
    guarded([this] { UpdateDisplay(); });
}

void frmMain::recordSlotEdit(const QString& text, const std::vector<std::int16_t>& slots,
                             const std::function<void()>& edit) {
    std::vector<SlotEditCommand::Change> changes;
    for (const std::int16_t slot : slots) {
        changes.push_back({slot, takeSlotSnapshot(bank_, slot), {}});
    }
    edit();
    std::erase_if(changes, [this](SlotEditCommand::Change& change) {
        change.after = takeSlotSnapshot(bank_, change.slot);
        return change.after.sound == change.before.sound && change.after.name == change.before.name;
    });
    if (!changes.empty()) {
        undoStack_->push(
            new SlotEditCommand(text, bank_, std::move(changes), [this] { redrawAfterUndo(); }));
    }
}

void frmMain::cmdPlayOutput_Click() {
    guarded([this] {
        const std::int16_t slot = bank_.CurWave;
        soundOutput().play(exportedSamples(bank_, slot), bufferOf(bank_, slot).sampleRate());
    });
}

void frmMain::cmdStop_Click() {
    if (soundOutput_) {
        soundOutput_->stop();
    }
}

void frmMain::cmdResampleSlot_Click() {
    guarded([this] {
        const std::int16_t slot = bank_.CurWave;
        const std::int32_t rate = targetRate().value_or(0);
        recordSlotEdit(QStringLiteral("resample slot %1").arg(slot), {slot},
                       [&] { resampleSlot(bank_, slot, rate); });
        UpdateDisplay();
    });
}

void frmMain::cmdResampleAll_Click() {
    guarded([this] {
        const std::int32_t rate = targetRate().value_or(0);
        recordSlotEdit(QStringLiteral("resample all slots"), allSlotNumbers(),
                       [&] { resampleSlotsAtOtherRates(bank_, rate); });
        UpdateDisplay();
    });
}

void frmMain::cmdNormaliseSlot_Click() {
    guarded([this] {
        const std::int16_t slot = bank_.CurWave;
        recordSlotEdit(QStringLiteral("normalise slot %1").arg(slot), {slot},
                       [&] { normaliseSlot(bank_, slot); });
        UpdateDisplay();
    });
}

void frmMain::cmdNormaliseAll_Click() {
    guarded([this] {
        recordSlotEdit(QStringLiteral("normalise all slots"), allSlotNumbers(),
                       [&] { normaliseAllSlots(bank_); });
        UpdateDisplay();
    });
}

void frmMain::Undo_Click() {
    undoStack_->undo();
}

void frmMain::Redo_Click() {
    undoStack_->redo();
}

} // namespace wtb
