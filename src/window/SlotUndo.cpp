#include "window/SlotUndo.h"

namespace wtb {

SlotEditCommand::SlotEditCommand(const QString& text, SlotBank& bank, std::vector<Change> changes,
                                 std::function<void()> redraw)
    : QUndoCommand(text), bank_(bank), changes_(std::move(changes)), redraw_(std::move(redraw)) {}

void SlotEditCommand::undo() {
    restore(&Change::before);
}

void SlotEditCommand::redo() {
    if (applied_) {
        applied_ = false; // pushed after the edit was made
        return;
    }
    restore(&Change::after);
}

void SlotEditCommand::restore(SlotSnapshot Change::*side) {
    for (const Change& change : changes_) {
        restoreSlotSnapshot(bank_, change.slot, change.*side);
    }
    redraw_();
}

EndIndexCommand::EndIndexCommand(SlotBank& bank, std::int16_t slot, std::int32_t before,
                                 std::int32_t after, std::function<void()> redraw)
    : QUndoCommand(QStringLiteral("Trim slot %1").arg(slot)), bank_(bank), slot_(slot),
      before_(before), after_(after), redraw_(std::move(redraw)) {}

void EndIndexCommand::undo() {
    bank_.OutBufLen[slot_] = before_;
    redraw_();
}

void EndIndexCommand::redo() {
    if (applied_) {
        applied_ = false;
        return;
    }
    bank_.OutBufLen[slot_] = after_;
    redraw_();
}

} // namespace wtb
