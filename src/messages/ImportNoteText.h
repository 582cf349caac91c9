#pragma once

#include "editing/SlotImport.h"

#include <string>

namespace wtb {

// The sentence the window and the shell show for a note of an import, naming the file:
// "\"motor.wav\" has 3 loops; its slot takes the first forward one (frames 100 to 399)."
std::string importNoteText(const ImportNote& note);

} // namespace wtb
