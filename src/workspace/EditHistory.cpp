#include "workspace/EditHistory.h"

namespace wtb {

void EditHistory::record(const QString& text, std::vector<Change> changes) {
    steps_.resize(done_);
    steps_.push_back({text, std::move(changes)});
    if (steps_.size() > kLimit) {
        steps_.erase(steps_.begin());
    }
    done_ = steps_.size();
}

QString EditHistory::undoText() const {
    return canUndo() ? steps_[done_ - 1].text : QString();
}

QString EditHistory::redoText() const {
    return canRedo() ? steps_[done_].text : QString();
}

bool EditHistory::undo(SlotBank& bank) {
    if (!canUndo()) {
        return false;
    }
    --done_;
    for (const Change& change : steps_[done_].changes) {
        bank[change.slot] = change.before;
    }
    return true;
}

bool EditHistory::redo(SlotBank& bank) {
    if (!canRedo()) {
        return false;
    }
    for (const Change& change : steps_[done_].changes) {
        bank[change.slot] = change.after;
    }
    ++done_;
    return true;
}

} // namespace wtb
