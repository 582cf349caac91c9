#include "window/WindowLayout.h"

#include "window/ClickSlider.h"
#include "window/EndIndexBox.h"
#include "window/LabelledComboBox.h"
#include "window/WaveformView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace wtb {

namespace {

constexpr std::int32_t kCommonRates[] = {8000, 11025, 16000, 16384, 22050, 32000, 32768, 44100};

// The original layout is drawn up in twips; 15 twips make one pixel at 96 dots per inch.
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

QPushButton* button(QWidget* window, const char* name, const QString& caption,
                    const QRect& geometry) {
    auto* made = place(window, new QPushButton(caption), name, geometry);
    made->setAutoDefault(false);
    made->setDefault(false);
    return made;
}

QLabel* readout(QWidget* window, const char* name, const QRect& geometry) {
    auto* text = place(window, new QLabel, name, geometry);
    text->setTextFormat(Qt::PlainText); // names are shown as they are, never as markup
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setFocusPolicy(Qt::NoFocus);
    return text;
}

QFont totalFont() {
    // The face this window was designed with is rarely installed; take a comparable one.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

QButtonGroup* slotButtons(QWidget* window, QList<QWidget*>& tabOrder) {
    auto* group = new QButtonGroup(window);
    group->setObjectName(QStringLiteral("slotButtons"));
    group->setExclusive(true);
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const int column = (slot - 1) % 4;
        const int row = (slot - 1) / 4;
        const QByteArray name = "slotButton" + QByteArray::number(slot);
        auto* option = place(window, new QRadioButton(QString::number(slot)), name.constData(),
                             fromTwips(120 + 600 * column, 2640 + 480 * row, 495, 375));
        group->addButton(option, slot);
        tabOrder << option;
    }
    group->button(1)->setChecked(true);
    return group;
}

void createOriginalControls(QWidget* window, WindowControls& c) {
    // Created in the design's tab order; the labels and the picture take no focus.
    c.waveformView = place(window, new WaveformView(fromTwips(120, 120, 8655, 1935).size()),
                           "waveformView", fromTwips(120, 120, 8655, 1935));
    c.waveformView->setFocusPolicy(Qt::NoFocus);
    c.importButton = button(window, "importButton", QStringLiteral("Import wav..."),
                            fromTwips(8880, 120, 1695, 735));
    QList<QWidget*> tabOrder{c.importButton};
    c.slotButtons = slotButtons(window, tabOrder);
    c.bitsReadout = readout(window, "bitsReadout", fromTwips(8880, 1320, 1695, 375));
    c.rateReadout = readout(window, "rateReadout", fromTwips(8880, 1680, 1695, 375));
    c.samplesReadout = readout(window, "samplesReadout", fromTwips(8880, 2040, 1695, 375));
    c.endSlider = place(window, new ClickSlider, "endSlider", fromTwips(120, 2160, 8655, 255));
    c.endReadout = readout(window, "endReadout", fromTwips(8880, 2400, 1695, 375));
    c.saveButton = button(window, "saveButton", QStringLiteral("Save Wavetable..."),
                          fromTwips(10800, 120, 1695, 735));
    c.totalReadout = readout(window, "totalReadout", fromTwips(10800, 1800, 1695, 615));
    c.totalReadout->setFont(totalFont());
    c.nameReadout = readout(window, "nameReadout", fromTwips(8880, 960, 1695, 375));
    c.playButton = button(window, "playButton", QStringLiteral("Play wav file"),
                          fromTwips(2640, 2640, 1935, 975));
    tabOrder << c.endSlider << c.saveButton << c.playButton;
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
}

void createEditingControls(QWidget* window, WindowControls& c) {
    c.targetRateBox = labelledComboBox(
        window, {"targetRateLabel", QStringLiteral("Target rate (Hz):"), QRect(316, 194, 90, 20),
                 "targetRateBox", QRect(408, 192, 124, 22)});
    c.targetRateBox->setEditable(true);
    c.targetRateBox->setInsertPolicy(QComboBox::NoInsert);
    c.targetRateBox->addItem(keepSourceRateText());
    for (const std::int32_t rate : kCommonRates) {
        c.targetRateBox->addItem(QString::number(rate));
    }
    c.normaliseOnImportBox = place(window, new QCheckBox(QStringLiteral("Normalise on import")),
                                   "normaliseOnImportBox", QRect(544, 192, 150, 22));
    c.playOutputButton =
        button(window, "playOutputButton", QStringLiteral("Play output"), QRect(316, 220, 100, 24));
    c.stopButton = button(window, "stopButton", QStringLiteral("Stop"), QRect(420, 220, 70, 24));
    c.savePlayerButton = button(window, "savePlayerButton", QStringLiteral("Save Player Sketch..."),
                                QRect(524, 220, 130, 24));
    c.resampleSlotButton = button(window, "resampleSlotButton", QStringLiteral("Resample slot"),
                                  QRect(316, 248, 100, 24));
    c.resampleAllButton = button(window, "resampleAllButton", QStringLiteral("Resample all"),
                                 QRect(420, 248, 100, 24));
    c.normaliseSlotButton = button(window, "normaliseSlotButton", QStringLiteral("Normalise slot"),
                                   QRect(524, 248, 100, 24));
    c.normaliseAllButton = button(window, "normaliseAllButton", QStringLiteral("Normalise all"),
                                  QRect(628, 248, 100, 24));
    c.boardBox =
        labelledComboBox(window, {"boardLabel", QStringLiteral("Board:"), QRect(316, 278, 40, 20),
                                  "boardBox", QRect(358, 276, 180, 22)});
    c.budgetMeter = place(window, new QProgressBar, "budgetMeter", QRect(544, 276, 290, 22));
    c.budgetMeter->setTextVisible(true);
    // The sample format: right of "Save Player Sketch...", after the board in the tab order.
    c.formatBox =
        labelledComboBox(window, {"formatLabel", QStringLiteral("&Format:"),
                                  QRect(660, 222, 46, 20), "formatBox", QRect(708, 220, 126, 22)});
    QWidget::setTabOrder(c.boardBox, c.formatBox);
    c.snrReadout = readout(window, "snrReadout", QRect(734, 250, 100, 20));
    c.lastNote = readout(window, "lastNote", QRect(700, 194, 134, 20));
}

void createStatusControls(QWidget* window, WindowControls& c) {
    // Under the total, beside the end readout it sets.
    c.endIndexBox = place(window, new EndIndexBox, "endIndexBox", QRect(720, 163, 113, 22));
    c.endIndexBox->setPrefix(QStringLiteral("End: "));
    // Under "Play wav file", in the room the slot buttons leave.
    c.playingIndicator = readout(window, "playingIndicator", QRect(176, 246, 129, 18));
    c.statusLine = readout(window, "statusLine", QRect(176, 266, 129, 34));
    c.statusLine->setWordWrap(false);
}

// Each control's place at the first size, kept on the control.
constexpr char kFirstGeometry[] = "wtbFirstGeometry";

void rememberFirstGeometry(QWidget* window) {
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        child->setProperty(kFirstGeometry, child->geometry());
    }
}

} // namespace

QString keepSourceRateText() {
    return QStringLiteral("Keep source rate");
}

std::vector<std::pair<QPushButton*, WindowCommand>> WindowControls::commandButtons() const {
    return {{importButton, WindowCommand::Import},
            {saveButton, WindowCommand::Save},
            {playButton, WindowCommand::Play},
            {playOutputButton, WindowCommand::PlayOutput},
            {stopButton, WindowCommand::Stop},
            {savePlayerButton, WindowCommand::SavePlayer},
            {resampleSlotButton, WindowCommand::ResampleSlot},
            {resampleAllButton, WindowCommand::ResampleAll},
            {normaliseSlotButton, WindowCommand::NormaliseSlot},
            {normaliseAllButton, WindowCommand::NormaliseAll}};
}

WindowControls createWindowControls(QWidget* window) {
    WindowControls controls;
    createOriginalControls(window, controls);
    createEditingControls(window, controls);
    createStatusControls(window, controls);
    rememberFirstGeometry(window);
    return controls;
}

void fitWindowControls(QWidget* window, QSize size) {
    const int wider = std::max(size.width() - kDefaultWindowWidth, 0);
    const int taller = std::max(size.height() - kDefaultWindowHeight, 0);
    const QRect picture = fromTwips(120, 120, 8655, 1935);
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QVariant first = child->property(kFirstGeometry);
        if (!first.isValid()) {
            continue;
        }
        QRect place = first.toRect();
        if (place == picture) {
            place.adjust(0, 0, wider, taller);
        } else if (qobject_cast<ClickSlider*>(child)) {
            place.adjust(0, taller, wider, taller);
        } else if (place.left() > picture.right() && place.top() < fromTwips(0, 2640, 0, 0).y()) {
            place.translate(wider, 0); // right of the picture, above the slot buttons
        } else {
            place.translate(0, taller);
        }
        child->setGeometry(place);
    }
}

} // namespace wtb
