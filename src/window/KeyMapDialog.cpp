#include "window/KeyMapDialog.h"

#include "workspace/Choices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace wtb {

namespace {

enum Column { SlotColumn, RootColumn, LowColumn, HighColumn, ColumnCount };

QTableWidgetItem* cell(const QString& text, bool editable, const QString& tip) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(editable ? item->flags() | Qt::ItemIsEditable
                            : item->flags() & ~Qt::ItemIsEditable);
    item->setToolTip(tip);
    return item;
}

} // namespace

QString noteCellText(std::int32_t note, std::int32_t fineCents) {
    QString text = QStringLiteral("%1 (%2)").arg(note).arg(QString::fromStdString(noteName(note)));
    if (fineCents != 0) {
        text += QStringLiteral(" %1%2 cents")
                    .arg(fineCents > 0 ? QStringLiteral("+") : QString())
                    .arg(fineCents);
    }
    return text;
}

std::optional<std::int32_t> noteFromCellText(const QString& text) {
    const QString typed = text.section(u'(', 0, 0).trimmed();
    return noteFromText(typed.toStdString());
}

KeyMapDialog::KeyMapDialog(Hooks hooks, const PlayerOptions& options, QWidget* parent)
    : QDialog(parent), hooks_(std::move(hooks)), pins_(options.pins) {
    setObjectName(QStringLiteral("keyMapDialog"));
    setWindowTitle(QStringLiteral("Keys and Player"));
    setAccessibleName(QStringLiteral("Keys and player"));
    auto* layout = new QVBoxLayout(this);

    auto* tableLabel = new QLabel(QStringLiteral("&Notes that play each slot (type a number "
                                                 "0..127 or a name such as C4 or F#3):"));
    table_ = new QTableWidget(kSlotCount, ColumnCount);
    table_->setObjectName(QStringLiteral("keyMapTable"));
    table_->setAccessibleName(QStringLiteral("Key map"));
    table_->setToolTip(QStringLiteral("Each slot plays at its own rate on its root note, and on "
                                      "the notes from its lowest to its highest at their "
                                      "pitch; F2 or typing edits a note"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Slot"), QStringLiteral("Root"),
                                       QStringLiteral("Lowest"), QStringLiteral("Highest")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->setTabKeyNavigation(false); // Tab leaves the table for the next control
    tableLabel->setBuddy(table_);
    layout->addWidget(tableLabel);
    layout->addWidget(table_);

    removeButton_ = new QPushButton(QStringLiteral("&Default keys for this slot"));
    removeButton_->setObjectName(QStringLiteral("removeKeyMapButton"));
    removeButton_->setAccessibleName(QStringLiteral("Default keys for this slot"));
    removeButton_->setToolTip(QStringLiteral("Remove the selected slot's key map: slot N then "
                                             "plays at its own rate on note 35 + N alone"));
    layout->addWidget(removeButton_);
    notesProblem_ = new QLabel;
    notesProblem_->setObjectName(QStringLiteral("keyMapProblem"));
    notesProblem_->setWordWrap(true);
    layout->addWidget(notesProblem_);

    auto* form = new QFormLayout;
    createPlayerControls(form, options);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(table_, &QTableWidget::itemChanged, this, &KeyMapDialog::cellEdited);
    connect(removeButton_, &QPushButton::clicked, this, &KeyMapDialog::removeKeyMap);
    resize(460, 600);
    showSlots();
}

void KeyMapDialog::createPlayerControls(QFormLayout* form, const PlayerOptions& options) {
    voicesBox_ = new QSpinBox;
    voicesBox_->setObjectName(QStringLiteral("voicesBox"));
    voicesBox_->setRange(1, kMostVoices);
    voicesBox_->setValue(options.voices);
    voicesBox_->setAccessibleName(QStringLiteral("Voices"));
    voicesBox_->setToolTip(QStringLiteral("How many sounds the player sketch mixes at once; 1 "
                                          "plays one sound at a time at its own rate"));
    form->addRow(QStringLiteral("&Voices:"), voicesBox_);

    midiBox_ = new QCheckBox(QStringLiteral("&MIDI input on the serial RX pin"));
    midiBox_->setObjectName(QStringLiteral("midiBox"));
    midiBox_->setChecked(options.midi);
    midiBox_->setAccessibleName(QStringLiteral("MIDI input"));
    midiBox_->setToolTip(QStringLiteral("Play notes from MIDI on the serial input instead of "
                                        "slot numbers sent as lines (the Leonardo: Serial1)"));
    form->addRow(midiBox_);

    baudBox_ = new QComboBox;
    baudBox_->setObjectName(QStringLiteral("midiBaudBox"));
    baudBox_->addItem(QStringLiteral("31,250 (a MIDI socket)"), kDinMidiBaud);
    baudBox_->addItem(QStringLiteral("115,200 (a USB-serial bridge)"), kUsbMidiBaud);
    baudBox_->setCurrentIndex(baudBox_->findData(options.midiBaud));
    baudBox_->setAccessibleName(QStringLiteral("MIDI baud rate"));
    baudBox_->setToolTip(QStringLiteral("The rate MIDI arrives at: 31,250 baud from a DIN MIDI "
                                        "input, 115,200 from a computer through a USB-serial "
                                        "bridge"));
    baudBox_->setEnabled(options.midi);
    form->addRow(QStringLiteral("MIDI &baud:"), baudBox_);

    pinsEdit_ = new QLineEdit(triggerPinsText(options.pins));
    pinsEdit_->setObjectName(QStringLiteral("triggerPinsEdit"));
    pinsEdit_->setPlaceholderText(QStringLiteral("SLOT=PIN, as 1=2, 2=3"));
    pinsEdit_->setAccessibleName(QStringLiteral("Trigger pins"));
    pinsEdit_->setToolTip(QStringLiteral("Buttons from a pin to ground that play a slot: "
                                         "SLOT=PIN pairs separated by commas"));
    form->addRow(QStringLiteral("Trigger &pins:"), pinsEdit_);
    pinsProblem_ = new QLabel;
    pinsProblem_->setObjectName(QStringLiteral("triggerPinsProblem"));
    form->addRow(pinsProblem_);

    connect(voicesBox_, &QSpinBox::valueChanged, this, &KeyMapDialog::optionsEdited);
    connect(midiBox_, &QCheckBox::toggled, this, [this](bool midi) {
        baudBox_->setEnabled(midi);
        optionsEdited();
    });
    connect(baudBox_, &QComboBox::activated, this, &KeyMapDialog::optionsEdited);
    connect(pinsEdit_, &QLineEdit::editingFinished, this, [this] {
        const std::optional<std::vector<TriggerPin>> pins = triggerPinsFromText(pinsEdit_->text());
        pinsProblem_->setText(pins ? QString()
                                   : QStringLiteral("Not pins: give SLOT=PIN pairs, each slot "
                                                    "1..16 and pin 0..69 once. Kept: %1")
                                         .arg(triggerPinsText(pins_)));
        if (pins) {
            pins_ = *pins;
            optionsEdited();
        }
    });
}

PlayerOptions KeyMapDialog::options() const {
    PlayerOptions options;
    options.voices = voicesBox_->value();
    options.midi = midiBox_->isChecked();
    options.midiBaud = baudBox_->currentData().toInt();
    options.pins = pins_;
    return options;
}

void KeyMapDialog::optionsEdited() {
    hooks_.setOptions(options());
}

void KeyMapDialog::showSlots() {
    filling_ = true;
    const SlotBank& bank = hooks_.bank();
    for (const std::int16_t number : allSlotNumbers()) {
        const Slot& slot = bank[number];
        const KeyRange keys = slot.keys.value_or(defaultKeyRange(number));
        const QString kind =
            slot.keys ? QStringLiteral("its key map")
                      : QStringLiteral("no key map: the default note 35 + %1").arg(number);
        const int row = number - 1;
        table_->setItem(
            row, SlotColumn,
            cell(QStringLiteral("%1 %2").arg(number).arg(QString::fromStdString(slot.name)), false,
                 QStringLiteral("Slot %1: %2").arg(number).arg(kind)));
        table_->setItem(row, RootColumn, cell(noteCellText(keys.root, keys.fineCents), true, kind));
        table_->setItem(row, LowColumn, cell(noteCellText(keys.low), true, kind));
        table_->setItem(row, HighColumn, cell(noteCellText(keys.high), true, kind));
        for (int column = SlotColumn; column < ColumnCount; ++column) {
            QFont font = table_->item(row, column)->font();
            font.setItalic(!slot.keys); // the default map, not one the user set
            table_->item(row, column)->setFont(font);
        }
    }
    filling_ = false;
}

void KeyMapDialog::cellEdited(QTableWidgetItem* item) {
    if (filling_) {
        return;
    }
    const auto number = static_cast<std::int16_t>(item->row() + 1);
    const Slot& slot = hooks_.bank()[number];
    KeyRange keys = slot.keys.value_or(defaultKeyRange(number));
    const std::optional<std::int32_t> note = noteFromCellText(item->text());
    if (!note) {
        notesProblem_->setText(QStringLiteral("\"%1\" is not a note: type a number 0..127 or a "
                                              "name from C-1 to G9, such as C4 or F#3. Slot %2 "
                                              "was not changed.")
                                   .arg(item->text())
                                   .arg(number));
        showSlots(); // the cell shows what the slot has
        return;
    }
    notesProblem_->clear();
    switch (item->column()) {
    case RootColumn:
        if (*note != keys.root) {
            keys.fineCents = 0; // a root of the user's own: the pitch is the note's
        }
        keys.root = *note;
        break;
    case LowColumn:
        keys.low = *note;
        break;
    case HighColumn:
        keys.high = *note;
        break;
    default:
        return;
    }
    hooks_.setKeys(number, keys);
    showSlots();
}

void KeyMapDialog::removeKeyMap() {
    const int row = table_->currentRow();
    if (row < 0) {
        return;
    }
    hooks_.setKeys(static_cast<std::int16_t>(row + 1), std::nullopt);
    showSlots();
}

} // namespace wtb
