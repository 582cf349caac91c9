#pragma once

#include "slots/Slot.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace wtb {

// The undo history of a bank: each step keeps the slots it changed as they were before and
// after, so undo and redo put them back exactly. Copies of slots share their samples, so a
// step costs little more than the slots it really changed.
class EditHistory {
public:
    struct Change {
        std::int16_t slot;
        Slot before;
        Slot after;
    };

    struct Step {
        QString text;
        std::vector<Change> changes;
    };

    // The most steps kept; the oldest goes first.
    static constexpr std::size_t kLimit = 100;

    // Records a step that was just made; the steps that could be redone are dropped.
    void record(const QString& text, std::vector<Change> changes);

    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    QString undoText() const;
    QString redoText() const;

    // Puts the slots of the last step back as they were before it (undo) or after it (redo);
    // false when there is nothing to undo or redo.
    bool undo(SlotBank& bank);
    bool redo(SlotBank& bank);

    // The step undo would take back; null when there is none.
    const Step* lastDone() const { return canUndo() ? &steps_[done_ - 1] : nullptr; }

private:
    std::vector<Step> steps_;
    std::size_t done_ = 0; // steps_[0..done_) are in effect
};

} // namespace wtb
