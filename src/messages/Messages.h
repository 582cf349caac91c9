#pragma once

#include "common/RuntimeError.h"
#include "slots/Slot.h"

#include <string>

namespace wtb {

// The sentence of a fault, made from its code and facts (and its cause's sentence): the one
// wording the window and the shell share, so a fault reads the same in both.
std::string faultMessage(const RuntimeError& error);

// What is wrong with a slot's stored fields or a key map, as a phrase to build into a sentence:
// "loop end "abc" in line 5 of "Settings.txt" is not a whole number".
std::string slotProblemText(const SlotProblem& problem);
std::string slotProblemText(SlotFault fault, const Facts& facts);
// What the user does about a broken field: "Set its loop again, or remove it."
std::string unusableFieldsRemedy(UnusableFields::Field field);
// The note a face shows for a slot read with fields it cannot use.
std::string unusableFieldsNote(const UnusableSlot& unusable);

// Makes faultMessage the wording of every fault raised from now on; each face calls it once at
// its start, before any work.
void installMessages();

} // namespace wtb
