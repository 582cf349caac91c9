#include "messages/ExportNotes.h"

#include "messages/DomainMessages.h"
#include "slots/Resampler.h"
#include "slots/SlotDuration.h"

#include <array>
#include <charconv>

namespace wtb {

namespace {

std::string oneDecimal(double value) {
    std::array<char, 32> text{};
    const auto [end, error] =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 1);
    return error == std::errc() ? std::string(text.data(), end) : std::string();
}

} // namespace

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

std::string oversizedSlotNote(const OversizedSlot& oversized, Board board) {
    const std::string slot = std::to_string(oversized.slot);
    const std::string lastFitting = std::to_string(oversized.fittingSamples - 1);
    std::string note = "Slot " + slot + " alone takes " + std::to_string(oversized.bytes) +
                       " bytes of the table, " + oneDecimal(oversized.timesOver()) + " times the " +
                       std::to_string(oversized.room) + " bytes the " +
                       std::string(boardInfo(board).displayName) + " has room for.";
    const std::string seconds = secondsText(oversized.fittingSamples, oversized.rate);
    const std::string trim = "ended at index " + lastFitting + " or earlier" +
                             (seconds.empty() ? std::string() : " (its first " + seconds + " s)");
    if (oversized.fittingRate) {
        note += " It would fit resampled to " + std::to_string(*oversized.fittingRate) +
                " Hz or lower, or " + trim;
    } else {
        note += " Even resampled to " + std::to_string(kLowestTargetRate) +
                " Hz it would not fit; it would fit when " + trim;
    }
    note += oversized.fitsAsAdpcm ? ", or as 4-bit ADPCM." : ".";
    return note;
}

std::string mixedRatesWarning(const SlotRates& rates) {
    if (!rates.mixed()) {
        return {};
    }
    std::string atRates;
    for (const SlotRates::Group& group : rates.groups) {
        atRates += (atRates.empty() ? "" : ", ") +
                   std::string(group.slots.size() == 1 ? "slot " : "slots ") +
                   slotRangesText(group.slots) + " at " + std::to_string(group.rate) + " Hz";
    }
    return "The slots are not all at one sample rate: " + atRates +
           ". Played at one rate, the slots at the others sound at the wrong pitch and speed; "
           "the player sketch plays each slot at its own rate.";
}

} // namespace wtb
