#include "workspace/Workspace.h"

#include "workspace/Operations.h"
#include "workspace/WorkspaceFault.h"

namespace wtb {

bool Workspace::setKeys(std::int16_t slot, const std::optional<KeyRange>& keys) {
    checkSlotNumber(slot);
    if (keys) {
        if (std::optional<SlotProblem> problem = keyRangeProblem(*keys)) {
            problem->facts.add("slot", slot);
            problem->facts.add("problem", static_cast<std::int64_t>(problem->fault));
            raise(ErrorKind::Bounds, WorkspaceFault::KeyMapRefused, std::move(problem->facts));
        }
    }
    Slot mapped = bank_[slot];
    mapped.keys = keys;
    mapped.unusable.reset(); // whatever its line held for a key map, the slot now has this one
    return apply(keys ? changeText(Operation::Keys, slot) : removalText(Operation::Keys, slot),
                 {{slot, std::move(mapped)}});
}

} // namespace wtb
