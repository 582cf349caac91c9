#pragma once

#include "editing/SlotSound.h"

#include <QUndoCommand>

#include <cstdint>
#include <functional>
#include <vector>

namespace wtb {

// One edit of one or more slots on the window's undo stack. It holds each slot as it was
// before and after the edit; undo and redo put them back exactly and redraw. The edit itself
// has already been made when the command is pushed, so its first redo does nothing.
class SlotEditCommand : public QUndoCommand {
public:
    struct Change {
        std::int16_t slot;
        SlotSnapshot before;
        SlotSnapshot after;
    };

    SlotEditCommand(const QString& text, SlotBank& bank, std::vector<Change> changes,
                    std::function<void()> redraw);

    void undo() override;
    void redo() override;

private:
    void restore(SlotSnapshot Change::*side);

    SlotBank& bank_;
    std::vector<Change> changes_;
    std::function<void()> redraw_;
    bool applied_ = true;
};

// A trim: only the end index of one slot changes, so only the two end indices are kept.
class EndIndexCommand : public QUndoCommand {
public:
    EndIndexCommand(SlotBank& bank, std::int16_t slot, std::int32_t before, std::int32_t after,
                    std::function<void()> redraw);

    void undo() override;
    void redo() override;

private:
    SlotBank& bank_;
    std::int16_t slot_;
    std::int32_t before_;
    std::int32_t after_;
    std::function<void()> redraw_;
    bool applied_ = true;
};

} // namespace wtb
