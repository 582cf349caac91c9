#include "messages/DomainMessages.h"
#include "messages/Messages.h"

namespace wtb {

namespace {

std::string loopMessage(WorkspaceFault fault, const Facts& facts) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    const auto loop = [&] {
        return "The loop " + number("start") + " to " + number("end") + " does not fit slot " +
               number("slot") + ": ";
    };
    switch (fault) {
    case WorkspaceFault::NoSamplesToLoop:
        return "There are no samples in slot " + number("slot") + " to loop.";
    case WorkspaceFault::NothingKeptToLoop:
        return "The end index of slot " + number("slot") + " is " + number("end") +
               ": the sketch keeps none of its samples, so it cannot loop.";
    case WorkspaceFault::LoopStartsBeforeZero:
        return loop() + "it must start at sample 0 or later.";
    case WorkspaceFault::LoopStartsAfterEnd:
        return loop() + "it must start at or before the sample where it ends.";
    case WorkspaceFault::LoopEndsPastKept:
        return loop() +
               "it must end at or before the slot's end (the green end marker), at sample " +
               number("kept") + ".";
    default:
        raiseUnwordedFault(faultCode(fault));
    }
}

std::string importMessage(WorkspaceFault fault, const Facts& facts, const std::string& cause) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    switch (fault) {
    case WorkspaceFault::TooManyFiles: {
        const std::int64_t first = facts.number("first");
        const std::int64_t left = facts.number("lastSlot") - first + 1;
        return number("files") + " files from slot " + number("first") +
               " would need the slots up to " + std::to_string(first + facts.number("files") - 1) +
               ", but the slots end at " + number("lastSlot") + ": from slot " + number("first") +
               ", " + std::to_string(left) + (left == 1 ? " file fits" : " files fit") +
               ". Nothing was imported.";
    }
    case WorkspaceFault::ImportedTogether:
        return cause + " It was to go into slot " + number("slot") + "; the " + number("files") +
               " files are imported together or not at all, so nothing was imported.";
    default:
        return loopMessage(fault, facts);
    }
}

std::string cycleMessage(WorkspaceFault fault, const Facts& facts, const std::string& cause) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    const auto none = [&] { return "Slot " + number("slot") + " gives no single cycle. "; };
    switch (fault) {
    case WorkspaceFault::NoSingleCycle:
        return none() + cause;
    case WorkspaceFault::CycleTooHigh:
        return none() + "Its pitch is too high: even a table of " + number("cells") +
               " cells would play faster than the " + facts.text("format") +
               " player's highest rate, " + number("highest") + " Hz.";
    case WorkspaceFault::SingleCycleKeepsRate:
        return "Slot " + number("slot") + " is a single cycle of " + number("cells") +
               " cells, looped whole, at " + number("rate") +
               " Hz, the rate that plays its pitch. Resampled to " + number("to") +
               " Hz it would have " + number("toCells") +
               " cells, no table length, so it keeps its cells and its rate (the player plays "
               "each slot at its own rate). For another table, make the single cycle again with "
               "the length wanted. Nothing was changed.";
    default:
        return importMessage(fault, facts, cause);
    }
}

} // namespace

std::string workspaceMessage(WorkspaceFault fault, const Facts& facts, const std::string& cause) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    switch (fault) {
    case WorkspaceFault::KeyMapRefused:
        return "Slot " + number("slot") + " cannot take that key map: " +
               slotProblemText(static_cast<SlotFault>(facts.number("problem")), facts) +
               ". Nothing was changed.";
    case WorkspaceFault::TrimOutside:
        return "End index " + number("index") + " is outside slot " + number("slot") +
               ", whose samples are 0.." + number("last") + ".";
    case WorkspaceFault::StartCutOutside:
        return "Index " + number("index") + " is outside slot " + number("slot") +
               ", whose start can be cut at 0.." + number("last") +
               (facts.has("byEndIndex") ? " (its end index: the table keeps at least that sample)."
                                        : ".");
    case WorkspaceFault::ResampleRefused:
        return "Slot " + number("slot") + " cannot be resampled to " + number("rate") +
               " Hz: " + cause + " Nothing was changed.";
    case WorkspaceFault::FolderReadOnly:
        return "The working folder \"" + facts.text("folder") +
               "\" was opened for reading only and cannot be saved.";
    case WorkspaceFault::PlayingTimeUnwritten:
        return "A playing time of " + std::to_string(facts.real("seconds")) +
               " seconds has no text in milliseconds.";
    default:
        return cycleMessage(fault, facts, cause);
    }
}

} // namespace wtb
