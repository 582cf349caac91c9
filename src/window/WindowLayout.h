#pragma once

#include "window/WindowCommands.h"

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
class EndIndexBox;
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
    QLabel* lastNote = nullptr; // "Last note": what the last action that has one said

    // Beside the end readout, and under "Play wav file".
    EndIndexBox* endIndexBox = nullptr; // the end index, typed exactly
    QLabel* playingIndicator = nullptr; // "Playing" while a sound plays
    QLabel* statusLine = nullptr;       // what was last written, and its size

    // Each command button and the command it runs.
    std::vector<std::pair<QPushButton*, WindowCommand>> commandButtons() const;
};

// Creates every control on `window` at its place, in the original tab order, with its caption
// and font; slot 1's button is checked. Names, tooltips and connections are the window's.
WindowControls createWindowControls(QWidget* window);

// The window's first size, at which every control stands where the original put it.
inline constexpr int kDefaultWindowWidth = 851;
inline constexpr int kDefaultWindowHeight = 303;

// Places the controls for a window of `size` (at least the first size): the picture takes the
// extra width and height, the slider below it the extra width; the buttons and readouts right
// of the picture keep their places from the top right corner, the controls below the slider
// theirs from the bottom left. At the first size every control is where createWindowControls
// put it.
void fitWindowControls(QWidget* window, QSize size);

// The text the target-rate box shows for "no conversion".
QString keepSourceRateText();

} // namespace wtb
