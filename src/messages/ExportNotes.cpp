#include "messages/ExportNotes.h"

#include "messages/DomainMessages.h"

namespace wtb {

std::string flashFigureText(const FlashBudget& budget) {
    return "Player sketch: " + groupedNumber(budget.bytes) + " of " + groupedNumber(budget.room) +
           " bytes of flash";
}

std::string overBudgetWarning(const ExportCheck& check) {
    return exportMessage(ExportFault::OverBudget, overBudgetFacts(check), {});
}

std::string guardedBytesNote(std::int32_t changedBytes) {
    return std::to_string(changedBytes) + (changedBytes == 1 ? " byte" : " bytes") +
           " of the table changed by one level for the Mega 2560, so that no three 0x21 bytes "
           "follow each other: older Mega bootloaders stop an upload at \"!!!\".";
}

} // namespace wtb
