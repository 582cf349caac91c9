#pragma once

#include "window/KeyboardAccess.h"

#include <utility>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace wtb {

class ClickSlider;
class WaveformView;

// Every control of the main window, made and placed by createWindowControls.
struct WindowControls {
    WaveformView* waveformView = nullptr;
    QPushButton* importButton = nullptr;
    QButtonGroup* slotButtons = nullptr; // ids 1..16
    QLabel* bitsReadout = nullptr;
    QLabel* rateReadout = nullptr;
    QLabel* samplesReadout = nullptr;
    ClickSlider* endSlider = nullptr;
    QLabel* endReadout = nullptr;
    QPushButton* saveButton = nullptr;
    QLabel* totalReadout = nullptr;
    QLabel* nameReadout = nullptr;
    QPushButton* playButton = nullptr;

    // Beyond the original window, in the free area right of "Play wav file".
    QComboBox* targetRateBox = nullptr;
    QCheckBox* normaliseOnImportBox = nullptr;
    QPushButton* playOutputButton = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* savePlayerButton = nullptr;
    QPushButton* resampleSlotButton = nullptr;
    QPushButton* resampleAllButton = nullptr;
    QPushButton* normaliseSlotButton = nullptr;
    QPushButton* normaliseAllButton = nullptr;
    QComboBox* boardBox = nullptr;
    QProgressBar* budgetMeter = nullptr;
    QComboBox* formatBox = nullptr;
    QLabel* snrReadout = nullptr; // the current slot's SNR in ADPCM; empty for PCM
    QLabel* exportNote = nullptr; // what the last export changed, if anything

    // Each command button and the command it runs.
    std::vector<std::pair<QPushButton*, WindowCommand>> commandButtons() const;
};

// Creates every control on `window` at its place, in the original tab order, with its caption
// and font; slot 1's button is checked. Names, tooltips and connections are the window's.
WindowControls createWindowControls(QWidget* window);

// The text the target-rate box shows for "no conversion".
QString keepSourceRateText();

} // namespace wtb
