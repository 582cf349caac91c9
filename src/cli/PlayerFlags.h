#pragma once

#include "cli/CommandTable.h"
#include "workspace/Choices.h"

#include <QString>

#include <vector>

namespace wtb::cli {

// The player's options from the flags given to `export --player` or `upload` (--voices,
// --mix-rate, --midi, --midi-baud, --pins); a usage error names the value that is not one and
// says what is. Ranges the board decides (the cycles, its pins) are the export's.
PlayerOptions playerOptionsFrom(const GivenOptions& given);

// "SLOT=PIN,..." as trigger pins; a usage error for anything else.
std::vector<TriggerPin> triggerPinsArgument(const QString& text);

} // namespace wtb::cli
