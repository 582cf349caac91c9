#include "workspace/Workspace.h"

namespace wtb {

bool Workspace::setKeys(std::int16_t slot, const std::optional<KeyRange>& keys) {
    checkSlotNumber(slot);
    if (keys) {
        if (const std::string problem = keyRangeProblem(*keys); !problem.empty()) {
            raise(ErrorKind::Bounds, "Slot " + std::to_string(slot) +
                                         " cannot take that key map: " + problem +
                                         ". Nothing was changed.");
        }
    }
    Slot mapped = bank_[slot];
    mapped.keys = keys;
    mapped.unusable.reset(); // whatever its line held for a key map, the slot now has this one
    return apply(keys ? QStringLiteral("set keys of slot %1").arg(slot)
                      : QStringLiteral("remove key map of slot %1").arg(slot),
                 {{slot, std::move(mapped)}});
}

} // namespace wtb
