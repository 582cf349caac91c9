#pragma once

#include "common/RuntimeError.h"

#include <cstdint>

namespace wtb {

// The faults of the workspace layer, raised with their facts; messages/WorkspaceMessages.cpp words
// them. Each entry names the facts it carries; "because" marks one raised with its cause.
enum class WorkspaceFault : std::uint16_t {
    KeyMapRefused,        // slot, problem (a SlotFault of a key range) and its facts
    TrimOutside,          // index, slot, last
    SingleCycleKeepsRate, // slot, cells, rate, to, toCells
    ResampleRefused,      // slot, rate; because
    NoSamplesToLoop,      // slot
    NothingKeptToLoop,    // slot, end
    LoopStartsBeforeZero, // slot, start, end
    LoopStartsAfterEnd,   // slot, start, end
    LoopEndsPastKept,     // slot, start, end, kept
    TooManyFiles,         // files, first, lastSlot
    ImportedTogether,     // slot, files; because
    StartCutOutside,      // index, slot, last; byEndIndex when the end index holds it back
    FolderReadOnly,       // folder
    NoSingleCycle,        // slot; because
    CycleTooHigh,         // slot, cells, format, highest
    PlayingTimeUnwritten, // seconds (real)
};

constexpr FaultDomain faultDomain(WorkspaceFault) {
    return FaultDomain::Workspace;
}

} // namespace wtb
