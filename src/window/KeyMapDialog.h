#pragma once

#include "slots/Slot.h"
#include "workspace/Choices.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTableWidgetItem;

namespace wtb {

// The notes that play each slot and how the player sketch plays, in one dialog: a table of the
// sixteen slots (slot, root, lowest and highest note, each number with its name) whose note
// cells are edited in place, and the player's voices and inputs. It changes nothing itself:
// each edit goes to the window, which makes it through the workspace (one undoable step) or
// remembers the options, and then shows the slots again (showSlots).
class KeyMapDialog : public QDialog {
    Q_OBJECT

public:
    struct Hooks {
        // The slots as they are now.
        std::function<const SlotBank&()> bank;
        // Sets or removes a slot's key map; a failure is the window's to show.
        std::function<void(std::int16_t slot, const std::optional<KeyRange>& keys)> setKeys;
        // The player's options as the user left them.
        std::function<void(const PlayerOptions& options)> setOptions;
    };

    KeyMapDialog(Hooks hooks, const PlayerOptions& options, QWidget* parent = nullptr);

    // Fills the table from the slots: a slot without a key map shows its default one, marked.
    void showSlots();

    QTableWidget* table() const { return table_; }
    PlayerOptions options() const;

private:
    void createPlayerControls(QFormLayout* form, const PlayerOptions& options);
    void cellEdited(QTableWidgetItem* item);
    void removeKeyMap();
    void optionsEdited();

    Hooks hooks_;
    QTableWidget* table_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QLabel* notesProblem_ = nullptr; // why the last note typed was not taken
    QSpinBox* voicesBox_ = nullptr;
    QCheckBox* midiBox_ = nullptr;
    QComboBox* baudBox_ = nullptr;
    QLineEdit* pinsEdit_ = nullptr;
    QLabel* pinsProblem_ = nullptr;
    std::vector<TriggerPin> pins_;
    bool filling_ = false; // while showSlots writes the cells, their changes are not edits
};

// A note as a cell shows it: "60 (C4)", with the fine tune after a root: "57 (A3) +12 cents".
QString noteCellText(std::int32_t note, std::int32_t fineCents = 0);
// A cell's text as typed: a note number or name, optionally followed by " (NAME...)" as the
// cell shows it; nothing for any other text.
std::optional<std::int32_t> noteFromCellText(const QString& text);

} // namespace wtb
