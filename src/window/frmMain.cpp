#include "window/frmMain.h"

#include "audio/SoundOutput.h"
#include "common/AtomicFile.h"
#include "common/CheckedInt.h"
#include "common/RoundHalfEven.h"
#include "common/RuntimeError.h"
#include "editing/SlotImport.h"
#include "editing/ZeroCrossingTrim.h"
#include "export/SketchWriter.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"
#include "window/ClickSlider.h"
#include "window/KeyboardAccess.h"
#include "window/PictureBox.h"
#include "window/Readouts.h"
#include "window/SlotUndo.h"
#include "window/WaveformRaster.h"
#include "window/WaveformScale.h"
#include "window/WindowCaption.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QUndoStack>

#include <algorithm>

namespace wtb {

namespace {

// The layout is drawn up in twips; 15 twips make one pixel at 96 dots per inch.
QRect fromTwips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

template <class Control>
Control* place(QWidget* window, Control* control, const char* name, const QRect& geometry) {
    control->setParent(window);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(geometry);
    return control;
}

QPushButton* commandButton(QWidget* window, const char* name, const QString& caption,
                           const QRect& geometry) {
    auto* button = place(window, new QPushButton(caption), name, geometry);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLabel* label(QWidget* window, const char* name, const QRect& geometry) {
    auto* text = place(window, new QLabel, name, geometry);
    text->setTextFormat(Qt::PlainText); // names are shown as they are, never as markup
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setFocusPolicy(Qt::NoFocus);
    return text;
}

} // namespace

frmMain::frmMain(QString workingFolder, std::unique_ptr<UserPrompts> prompts, QWidget* parent)
    : QWidget(parent), workingFolder_(std::move(workingFolder)),
      prompts_(prompts ? std::move(prompts) : std::make_unique<UserPrompts>()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    setFixedSize(851, 303);
    // The fixed layout was drawn for an 8-point window font; a larger or wider one would cut
    // the readouts and the slot numbers short. Liberation Sans has the metrics the layout was
    // measured with; without it the platform's face is kept.
    QFont windowFont = font();
    windowFont.setFamilies({QStringLiteral("Liberation Sans"), windowFont.family()});
    windowFont.setPointSizeF(std::min(windowFont.pointSizeF(), 8.0));
    setFont(windowFont);
    createControls();
    installShortcuts();
    nameControls();
}

frmMain::~frmMain() {
    // The undo stack goes with the window's children, after this part of the window: the
    // index change it announces as it empties must no longer reach the window.
    QObject::disconnect(undoStack_, nullptr, this, nullptr);
}

void frmMain::createControls() {
    // Created in the design's tab-index order; the focus chain set below leaves out the
    // labels and the picture, which take no focus.
    PicIn = place(this, new PictureBox(fromTwips(120, 120, 8655, 1935).size()), "PicIn",
                  fromTwips(120, 120, 8655, 1935));
    PicIn->setFocusPolicy(Qt::NoFocus);

    cmdConvertText = commandButton(this, "cmdConvertText", QStringLiteral("Import wav..."),
                                   fromTwips(8880, 120, 1695, 735));

    optCurWave = new QButtonGroup(this);
    optCurWave->setObjectName(QStringLiteral("optCurWave"));
    optCurWave->setExclusive(true);
    QList<QWidget*> tabOrder{cmdConvertText};
    for (int index = 1; index <= kLastSlot; ++index) {
        const int column = (index - 1) % 4;
        const int row = (index - 1) / 4;
        const QByteArray name = "optCurWave" + QByteArray::number(index);
        auto* option = place(this, new QRadioButton(QString::number(index)), name.constData(),
                             fromTwips(120 + 600 * column, 2640 + 480 * row, 495, 375));
        optCurWave->addButton(option, index);
        tabOrder << option;
    }
    optCurWave->button(1)->setChecked(true);

    lblBits = label(this, "lblBits", fromTwips(8880, 1320, 1695, 375));
    lblFreq = label(this, "lblFreq", fromTwips(8880, 1680, 1695, 375));
    lblSamples = label(this, "lblSamples", fromTwips(8880, 2040, 1695, 375));
    sldBuffer = place(this, new ClickSlider, "sldBuffer", fromTwips(120, 2160, 8655, 255));
    lblOutbuflen = label(this, "lblOutbuflen", fromTwips(8880, 2400, 1695, 375));
    cmdSave = commandButton(this, "cmdSave", QStringLiteral("Save Wavetable..."),
                            fromTwips(10800, 120, 1695, 735));
    lblTotalSample = label(this, "lblTotalSample", fromTwips(10800, 1800, 1695, 615));
    QFont totalFont(QStringLiteral("MS Sans Serif"));
    // The face this window was designed with is rarely installed; take a comparable one.
    totalFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                           QStringLiteral("DejaVu Sans")});
    totalFont.setStyleHint(QFont::SansSerif);
    totalFont.setPointSize(12);
    totalFont.setWeight(QFont::Normal);
    totalFont.setItalic(false);
    totalFont.setUnderline(false);
    totalFont.setStrikeOut(false);
    lblTotalSample->setFont(totalFont);
    lblFilename = label(this, "lblFilename", fromTwips(8880, 960, 1695, 375));
    cmdPlay = commandButton(this, "cmdPlay", QStringLiteral("Play wav file"),
                            fromTwips(2640, 2640, 1935, 975));

    tabOrder << sldBuffer << cmdSave << cmdPlay;
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }

    connect(cmdConvertText, &QPushButton::clicked, this, [this] { cmdConvertText_Click(); });
    connect(cmdPlay, &QPushButton::clicked, this, [this] { cmdPlay_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(optCurWave, &QButtonGroup::idClicked, this,
            [this](int id) { optCurWave_Click(static_cast<std::int16_t>(id)); });
    connect(sldBuffer, &ClickSlider::clicked, this, [this] { sldBuffer_Click(); });
    connect(sldBuffer, &ClickSlider::previewed, this,
            [this](int value) { previewEndMarker(value); });
    connect(sldBuffer, &ClickSlider::previewCancelled, this,
            [this] { previewEndMarker(bank_.OutBufLen[bank_.CurWave]); });
    // Moved to a screen of another pixel ratio: draw again at that screen's resolution.
    connect(PicIn, &PictureBox::pixelRatioChanged, this, [this] {
        if (loaded_) {
            guarded([this] { UpdateDisplay(); });
        }
    });

    createEditingControls();
    createBudgetControls();
}

void frmMain::installShortcuts() {
    const auto onKeys = [this](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(false); // a held key acts once
        connect(shortcut, &QShortcut::activated, this, action);
    };
    onKeys(importKeys(), [this] { cmdConvertText_Click(); });
    onKeys(saveKeys(), [this] { cmdSave_Click(); });
    onKeys(playKeys(), [this] { cmdPlay_Click(); });
    for (int slot = 1; slot <= kLastSlotWithKeys; ++slot) {
        // As a click on the slot's button: it is checked, and the handler gets its index.
        onKeys(slotKeys(slot), [this, slot] { optCurWave->button(slot)->click(); });
    }

    auto* returnPresses = new ReturnPressesButton(this);
    for (QAbstractButton* button : optCurWave->buttons()) {
        returnPresses->watch(button);
    }
    for (QPushButton* button : {cmdConvertText, cmdSave, cmdPlay}) {
        returnPresses->watch(button);
    }
}

void frmMain::nameControls() {
    const auto name = [](QWidget* control, const QString& accessibleName, const QString& tip) {
        control->setAccessibleName(accessibleName);
        control->setToolTip(plainToolTip(tip));
    };
    name(PicIn, QStringLiteral("Waveform"),
         QStringLiteral("The current slot: red start and zero lines, green end marker, blue "
                        "samples"));
    name(
        cmdConvertText, QStringLiteral("Import WAV file"),
        QStringLiteral("Import a WAV file into the current slot (%1)").arg(keysText(importKeys())));
    name(cmdSave, QStringLiteral("Save wavetable"),
         QStringLiteral("Write all sixteen slots as one sketch file (%1)")
             .arg(keysText(saveKeys())));
    name(cmdPlay, QStringLiteral("Play slot"),
         QStringLiteral("Play the current slot (%1)").arg(keysText(playKeys())));
    name(sldBuffer, QStringLiteral("End index"),
         QStringLiteral("Where the current slot ends, stepped back to a zero crossing.\n"
                        "Click or drag with the mouse; or move with the arrow keys, Page Up/Down "
                        "and Home/End,\nthen Return to apply (Escape puts the knob back)."));
    makeReadout(*lblFilename, QStringLiteral("Sound name"),
                QStringLiteral("The current slot's name"));
    makeReadout(*lblBits, QStringLiteral("Bits per sample"),
                QStringLiteral("Bits per sample of the current slot"));
    makeReadout(*lblFreq, QStringLiteral("Sample rate"),
                QStringLiteral("Sample rate of the current slot"));
    makeReadout(*lblSamples, QStringLiteral("Input samples"),
                QStringLiteral("Samples in the current slot"));
    makeReadout(*lblOutbuflen, QStringLiteral("Output samples"),
                QStringLiteral("End index of the current slot"));
    makeReadout(*lblTotalSample, QStringLiteral("Total samples"),
                QStringLiteral("The end indices of all sixteen slots added up"));
    describeSlots();
}

void frmMain::describeSlots() {
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        QAbstractButton* button = optCurWave->button(slot);
        const QString name = QString::fromStdString(bank_.WaveName[slot]);
        const QString sound = name.isEmpty() ? QStringLiteral("(no name)") : name;
        const QString keys = slotKeys(slot).isEmpty()
                                 ? QStringLiteral("the arrow keys from another slot")
                                 : keysText(slotKeys(slot));
        button->setAccessibleName(QStringLiteral("Slot %1").arg(slot));
        button->setAccessibleDescription(
            QStringLiteral("Sound: %1. Choose it with %2.").arg(sound, keys));
        button->setToolTip(plainToolTip(
            QStringLiteral("Slot %1: %2\nChoose it with %3").arg(slot).arg(sound, keys)));
    }
}

bool frmMain::Form_Load() {
    loaded_ = false;
    try {
        lock_ = std::make_unique<WorkingFolderLock>(workingFolder_);
    } catch (const std::exception& error) {
        prompts_->showError(this, QString::fromUtf8(error.what()));
        return false; // another window has the folder: not a byte of it is touched
    }
    try {
        LoadWorkingFolder(bank_, workingFolder_);
    } catch (const std::exception& error) {
        lock_.reset();
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
    loaded_ = true;
    // The slots are loaded and will be saved at close even when slot 1 cannot be drawn.
    guarded([this] { UpdateDisplay(); });
    return true;
}

bool frmMain::Form_Unload() {
    if (!loaded_) {
        return true; // a folder that did not load is the user's to mend; never overwrite it
    }
    for (;;) {
        try {
            SaveWorkingFolder(bank_, workingFolder_);
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

void frmMain::closeEvent(QCloseEvent* event) {
    if (!Form_Unload()) {
        event->ignore(); // kept open: the slots are still here to be saved later
        return;
    }
    loaded_ = false; // saved once; a second close event must not save again
    lock_.reset();   // the window writes no more: the folder is free for the next program
    event->accept();
}

void frmMain::cmdConvertText_Click() {
    guarded([this] {
        commonDialog1_.setFilter(QStringLiteral("Wave (*.wav)|*.wav"));
        if (!commonDialog1_.showOpen(this)) {
            return; // cancelled: the slot keeps its sound, end index and name
        }
        // The dialog is modal, so CurWave is still the slot the user pressed Import on.
        const std::int16_t slot = bank_.CurWave;
        const DecodeOptions options{targetRate(), chkNormalise->isChecked()};
        recordSlotEdit(QStringLiteral("import into slot %1").arg(slot), {slot},
                       [&] { importIntoSlot(bank_, slot, commonDialog1_.fileName(), options); });
        UpdateDisplay();
    });
}

void frmMain::cmdPlay_Click() {
    guarded([this] {
        const SoundBuffer& sound = bufferOf(bank_, bank_.CurWave);
        soundOutput().play(sound.bytes(), sound.sampleRate());
    });
}

SoundOutput& frmMain::soundOutput() {
    if (!soundOutput_) {
        soundOutput_ = std::make_unique<SoundOutput>();
    }
    return *soundOutput_;
}

void frmMain::sldBuffer_Click() {
    guarded([this] {
        const std::int16_t slot = bank_.CurWave;
        const std::int32_t before = bank_.OutBufLen[slot];
        if (trimCurrentSlot(bank_, sldBuffer->value()) && bank_.OutBufLen[slot] != before) {
            undoStack_->push(new EndIndexCommand(bank_, slot, before, bank_.OutBufLen[slot],
                                                 [this] { redrawAfterUndo(); }));
        }
        // Also after a click that changed nothing: the thumb goes back to the end index.
        UpdateDisplay();
    });
}

void frmMain::cmdSave_Click() {
    guarded([this] {
        // What no sketch could use is refused, and a table too large for the board is put to
        // the user, before a file is chosen or anything written.
        const ExportCheck check = checkExport(bank_, board());
        if (check.needsConfirmation() &&
            !prompts_->askSaveAnyway(this, QString::fromStdString(check.warning))) {
            return;
        }
        // The filter stays whatever the last dialog used.
        commonDialog1_.setFileName(QStringLiteral("Zozedovad.ino"));
        if (!commonDialog1_.showSave(this)) {
            return; // cancelled: nothing is written
        }
        writeSketch(bank_, commonDialog1_.fileName(), board(), OverBudget::Allow);
    });
}

void frmMain::optCurWave_Click(std::int16_t index) {
    guarded([this, index] {
        bank_.CurWave = index; // stays current even when the redraw fails
        UpdateDisplay();
    });
}

void frmMain::UpdateDisplay() {
    describeSlots(); // a slot's name may have changed with what came before this redraw
    PicIn->clear();
    const std::int16_t slot = bank_.CurWave;
    const BufferDesc desc = bank_.WaveDesc[slot];
    const std::int32_t last = checkedSub(desc.bufferBytes, std::int32_t{1});
    const QString name = QString::fromStdString(bank_.WaveName[slot]);
    if (last < 0) {
        PicIn->setAccessibleDescription(
            QStringLiteral("Slot %1, %2: no samples").arg(slot).arg(name));
        return; // nothing to draw; the readouts and WaveData still describe the slot before
    }

    bank_.WaveData.assign(static_cast<std::size_t>(desc.bufferBytes), 0);
    bank_.WaveDataSlot = 0; // holds no slot's bytes until the copy below

    const std::int32_t endIndex = bank_.OutBufLen[slot];
    drawLinesAndMarker(endIndex, last);

    showReadout(*lblBits, QString::number(desc.bitsPerSample) + QStringLiteral(" bit"));
    showReadout(*lblFreq, QString::number(desc.sampleRate) + QStringLiteral(" Hz"));
    showReadout(*lblSamples, QString::number(desc.bufferBytes) + QStringLiteral(" input samples"));
    showReadout(*lblOutbuflen, QString::number(endIndex) + QStringLiteral(" output samples"));

    bufferOf(bank_, slot).ReadBuffer(bank_.WaveData);
    bank_.WaveDataSlot = slot;

    drawTrace();

    // QSlider shows a value outside 0..last at the nearer end; the slot keeps its own.
    sldBuffer->setMaximum(last);
    sldBuffer->setValue(endIndex);
    PicIn->setAccessibleDescription(QStringLiteral("Slot %1, %2: %3 samples, end index %4")
                                        .arg(slot)
                                        .arg(name)
                                        .arg(desc.bufferBytes)
                                        .arg(endIndex));

    std::int32_t total = 0;
    for (std::int16_t n = kFirstSlot; n <= kLastSlot; n = checkedAdd<std::int16_t>(n, 1)) {
        total = checkedAdd(total, bank_.OutBufLen[n]);
    }
    showReadout(*lblTotalSample, QStringLiteral("Total Samples: \r\n") + QString::number(total));
    showReadout(*lblFilename, name);
    updateBudgetMeter();
}

void frmMain::drawLinesAndMarker(std::int32_t endIndex, std::int32_t last) {
    const float W = PicIn->scaleWidth();
    const float H = PicIn->scaleHeight();
    PicIn->line(0, 0, 0, H, kRedLine);
    PicIn->line(0, H / 2, W, H / 2, kRedLine);
    const std::int32_t marker = indexToX(endIndex, last, toInt32HalfEven(W));
    PicIn->line(marker, 0, marker, H, kGreenMarker);
}

void frmMain::drawTrace() {
    const std::int32_t Wr = toInt32HalfEven(PicIn->scaleWidth());
    const std::int32_t Hr = toInt32HalfEven(PicIn->scaleHeight());
    PicIn->paint(kBlueTrace,
                 [&](QPainter& painter) { drawTraceFast(painter, bank_.WaveData, Wr, Hr); });
}

void frmMain::previewEndMarker(std::int32_t endIndex) {
    guarded([this, endIndex] {
        if (bank_.WaveDataSlot != bank_.CurWave || bank_.WaveData.empty()) {
            return; // the view does not show the current slot's samples: nothing to move
        }
        PicIn->clear();
        drawLinesAndMarker(endIndex, static_cast<std::int32_t>(bank_.WaveData.size() - 1));
        drawTrace();
    });
}

} // namespace wtb
