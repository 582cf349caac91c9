#pragma once

#include "slots/SlotBank.h"
#include "window/CommonDialog.h"
#include "window/UserPrompts.h"

#include <QWidget>

#include <cstdint>
#include <memory>

class QButtonGroup;
class QLabel;
class QPushButton;

namespace wtb {

class ClickSlider;
class PictureBox;
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
    // Saves the slots; false when the user chose to keep the window open after a failure.
    bool Form_Unload();

    // Runs a handler body; a failure is shown to the user and goes no further.
    template <class Body> bool guarded(Body&& body);

    QString workingFolder_;
    std::unique_ptr<UserPrompts> prompts_;
    SlotBank bank_;
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
};

} // namespace wtb
