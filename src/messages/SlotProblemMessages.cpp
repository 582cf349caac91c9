#include "messages/Messages.h"

#include "messages/DomainMessages.h"

namespace wtb {

namespace {

std::string quotedFact(const Facts& facts, std::string_view name) {
    return "\"" + facts.text(name) + "\"";
}

// "in line 5 of "kit/Settings.txt"": where a field was read.
std::string place(const Facts& facts) {
    return "in line " + plainNumber(facts, "line") + " of " + quotedFact(facts, "file");
}

// The fields as read, TAB between them, each quoted: "1", "2", "3".
std::string quotedFields(const std::string& fields) {
    std::string quoted;
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = fields.find('\t', from);
        quoted += (from > 0 ? ", \"" : "\"") + fields.substr(from, tab - from) + "\"";
        if (tab == std::string::npos) {
            return quoted;
        }
        from = tab + 1;
    }
}

std::string loopSpan(const Facts& facts) {
    return "loop " + plainNumber(facts, "start") + ".." + plainNumber(facts, "end") + " " +
           place(facts);
}

std::string keyRangeText(SlotFault fault, const Facts& facts) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    switch (fault) {
    case SlotFault::RootOutside:
        return "the root " + number("note") + " is outside the notes 0..127";
    case SlotFault::LowestOutside:
        return "the lowest note " + number("note") + " is outside the notes 0..127";
    case SlotFault::HighestOutside:
        return "the highest note " + number("note") + " is outside the notes 0..127";
    case SlotFault::LowestAboveHighest:
        return "the lowest note " + number("low") + " lies above the highest, " + number("high");
    case SlotFault::FineTuneOutside:
        return "the fine tune " + number("cents") + " is outside -50..50 cents";
    default:
        raiseUnwordedFault(faultCode(fault));
    }
}

std::string keyMapText(SlotFault fault, const Facts& facts) {
    const auto held = [&] { return "key map " + quotedFact(facts, "field") + " " + place(facts); };
    switch (fault) {
    case SlotFault::KeyMapMalformed:
        return held() + " is not \"keys\" and four numbers: the root, lowest and highest note and "
                        "fine tune";
    case SlotFault::KeyMapNumberNotWhole:
        return held() + " holds " + quotedFact(facts, "number") + ", which is not a whole number";
    case SlotFault::KeyMapUnusable:
        return held() + " cannot be used: " +
               keyRangeText(static_cast<SlotFault>(facts.number("keyProblem")), facts);
    default:
        return keyRangeText(fault, facts);
    }
}

std::string loopIndexText(const char* which, const Facts& facts, const char* why) {
    return std::string(which) + " " + quotedFact(facts, "field") + " " + place(facts) + why;
}

} // namespace

std::string slotProblemText(SlotFault fault, const Facts& facts) {
    const char* const notWhole = " is not a whole number";
    const char* const negative = " lies before the first sample, index 0";
    switch (fault) {
    case SlotFault::EndIndexNotNumber:
        return "end index " + quotedFact(facts, "field") + " " + place(facts) +
               " is not a number (it reads as 0)";
    case SlotFault::LoopFieldCount: {
        const std::int64_t count = facts.number("count");
        return "loop " + place(facts) + " has " + std::to_string(count) +
               (count == 1 ? " field, " : " fields, ") + quotedFields(facts.text("fields")) +
               ", where a loop has two: its start and its end";
    }
    case SlotFault::LoopStartNotWhole:
        return loopIndexText("loop start", facts, notWhole);
    case SlotFault::LoopEndNotWhole:
        return loopIndexText("loop end", facts, notWhole);
    case SlotFault::LoopStartNegative:
        return loopIndexText("loop start", facts, negative);
    case SlotFault::LoopEndNegative:
        return loopIndexText("loop end", facts, negative);
    case SlotFault::LoopStartsAfterEnd:
        return loopSpan(facts) + " starts after it ends";
    case SlotFault::LoopPastSound:
        return loopSpan(facts) + " ends past its last sample, index " + plainNumber(facts, "limit");
    case SlotFault::LoopPastEndIndex:
        return loopSpan(facts) + " ends past its end index, " + plainNumber(facts, "limit");
    default:
        return keyMapText(fault, facts);
    }
}

std::string slotProblemText(const SlotProblem& problem) {
    return slotProblemText(problem.fault, problem.facts);
}

std::string unusableFieldsRemedy(UnusableFields::Field field) {
    switch (field) {
    case UnusableFields::Field::EndIndex:
        return "Set its end point again.";
    case UnusableFields::Field::Loop:
        return "Set its loop again, or remove it.";
    case UnusableFields::Field::KeyMap:
        return "Set its keys again, or remove its key map.";
    }
    raise(ErrorKind::Internal, "A settings field has no remedy.");
}

std::string unusableFieldsNote(const UnusableSlot& unusable) {
    const std::string slot = std::to_string(unusable.slot);
    return "Slot " + slot + "'s " + slotProblemText(unusable.fields.problem) +
           ". The line stays as it is in the file until slot " + slot +
           " is changed; no sketch can be exported until then.";
}

} // namespace wtb
