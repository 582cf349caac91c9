#include "messages/DomainMessages.h"
#include "messages/Messages.h"

namespace wtb {

std::string workspaceMessage(WorkspaceFault fault, const Facts& facts,
                             const std::string& /*cause*/) {
    switch (fault) {
    case WorkspaceFault::KeyMapRefused:
        return "Slot " + plainNumber(facts, "slot") + " cannot take that key map: " +
               slotProblemText(static_cast<SlotFault>(facts.number("problem")), facts) +
               ". Nothing was changed.";
    }
    raiseUnwordedFault(faultCode(fault));
}

} // namespace wtb
