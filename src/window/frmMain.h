#pragma once

#include "export/Boards.h"
#include "slots/SlotBank.h"
#include "window/CommonDialog.h"
#include "window/UserPrompts.h"

#include <QKeySequence>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QUndoStack;

namespace wtb {

class ClickSlider;
class PictureBox;
class SoundOutput;
class WorkingFolderLock;

// The program's one window. It owns the slot bank; every user action is one handler, and
// every handler runs inside a guard that shows a failure instead of letting it escape. The
// controls sit at fixed pixel positions; the window cannot be resized.
class frmMain : public QWidget {
    Q_OBJECT

public:
    explicit frmMain(QString workingFolder, std::unique_ptr<UserPrompts> prompts = nullptr,
                     QWidget* parent = nullptr);
    ~frmMain() override;

    // Locks and loads the working folder and draws slot 1, before the window is first shown.
    // False when the folder could not be loaded or is open in another window; the user has
    // been told why, and the folder will not be written at close.
    bool Form_Load();

    // The handlers, one per user action. Each shows its own failure and returns.
    void cmdConvertText_Click();
    void cmdPlay_Click();
    void cmdSave_Click();
    void optCurWave_Click(std::int16_t index);
    void sldBuffer_Click();

    // Beyond the original window: hearing the exported sound, converting slots to the rate
    // the board plays, and undoing edits of slots.
    void cmdPlayOutput_Click();
    void cmdStop_Click();
    void cmdResampleSlot_Click();
    void cmdResampleAll_Click();
    void cmdNormaliseSlot_Click();
    void cmdNormaliseAll_Click();
    void Undo_Click();
    void Redo_Click();

    // The rate imports and resampling convert to; nothing to keep each sound's own rate.
    std::optional<std::int32_t> targetRate() const;
    // Sets the target-rate box as the user would, remembering the choice; 0 keeps the rate.
    void setTargetRate(std::int32_t rate);
    QUndoStack& undoStack() { return *undoStack_; }
    // The board the wavetable is checked against, as chosen in the window and remembered.
    Board board() const;
    void setBoard(Board board);

    // Draws the current slot and fills the readouts; raises on failure, leaving what it had
    // drawn and set before the failing step.
    void UpdateDisplay();

    SlotBank& bank() { return bank_; }
    const QString& workingFolder() const { return workingFolder_; }
    CommonDialog& CommonDialog1() { return commonDialog1_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    // The output Play and Play output use, made at the first play.
    SoundOutput& soundOutput();
    void createEditingControls();
    QAction* addWindowAction(const QString& text, const QList<QKeySequence>& keys,
                             void (frmMain::*handler)());
    void targetRateEdited();
    void updateEditingControls();
    // Runs `edit` on the listed slots and, when it changed any, records it for undo.
    void recordSlotEdit(const QString& text, const std::vector<std::int16_t>& slots,
                        const std::function<void()>& edit);
    void redrawAfterUndo();
    void createBudgetControls();
    void updateBudgetMeter();
    // Saves the slots; false when the user chose to keep the window open after a failure.
    bool Form_Unload();

    // Keyboard and assistive technology: the shortcuts, Return on the buttons, and every
    // control's accessible name and tooltip.
    void installShortcuts();
    void nameControls();
    // Each slot button's description and tooltip carry its slot's name.
    void describeSlots();

    // The view's fixed lines and its end marker at `endIndex`, then the trace of WaveData.
    void drawLinesAndMarker(std::int32_t endIndex, std::int32_t last);
    void drawTrace();
    // Redraws the current slot's view with its end marker at `endIndex`, changing nothing in
    // the slot: where a keyboard move of the slider would put the end.
    void previewEndMarker(std::int32_t endIndex);

    // Runs a handler body; a failure is shown to the user and goes no further.
    template <class Body> bool guarded(Body&& body);

    QString workingFolder_;
    std::unique_ptr<UserPrompts> prompts_;
    SlotBank bank_;
    std::unique_ptr<SoundOutput> soundOutput_;
    std::unique_ptr<WorkingFolderLock> lock_; // held from the load until the window goes
    bool loaded_ = false;
    CommonDialog commonDialog1_;

    PictureBox* PicIn = nullptr;
    QPushButton* cmdConvertText = nullptr;
    QButtonGroup* optCurWave = nullptr;
    QLabel* lblBits = nullptr;
    QLabel* lblFreq = nullptr;
    QLabel* lblSamples = nullptr;
    ClickSlider* sldBuffer = nullptr;
    QLabel* lblOutbuflen = nullptr;
    QPushButton* cmdSave = nullptr;
    QLabel* lblTotalSample = nullptr;
    QLabel* lblFilename = nullptr;
    QPushButton* cmdPlay = nullptr;

    QComboBox* cboTargetRate = nullptr;
    QCheckBox* chkNormalise = nullptr;
    QPushButton* cmdPlayOutput = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdResampleSlot = nullptr;
    QPushButton* cmdResampleAll = nullptr;
    QPushButton* cmdNormaliseSlot = nullptr;
    QPushButton* cmdNormaliseAll = nullptr;
    QComboBox* cboBoard = nullptr;
    QProgressBar* prgBudget = nullptr;
    QUndoStack* undoStack_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
};

template <class Body> bool frmMain::guarded(Body&& body) {
    try {
        body();
        return true;
    } catch (const std::exception& error) {
        prompts_->showError(this, QString::fromUtf8(error.what()));
    } catch (...) {
        prompts_->showError(this, QStringLiteral("An unexpected error stopped the action."));
    }
    return false;
}

} // namespace wtb
