#pragma once

#include "common/Facts.h"
#include "slots/Slot.h"
#include "slots/SoundFile.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace wtb {

// What the user is told about how a file came in: its loop left out, and why, or kept with a
// remark. Each note carries the file's slot name ("file"); messages/ImportNoteText.h words it.
enum class ImportNoteKind : std::uint8_t {
    LoopNotForward,      // mode (a FileLoopMode): the first loop, none of them forward
    LoopNamesNoMarker,   // (none): an AIFF loop whose marker the file does not hold
    LoopHoldsNoFrame,    // start, end
    LoopEndsBeforeStart, // start, end
    LoopOutsideFrames,   // start, end, frames (the file's)
    LoopLostAtRate,      // start, end, rate (the slot's)
    SeveralLoops,        // loops (declared), start, end (the forward one taken)
    SeamJumps,           // jump (levels at the seam)
};

struct ImportNote {
    ImportNoteKind kind;
    Facts facts;
    bool operator==(const ImportNote&) const = default;
};

// Empty when there is nothing to say.
using ImportNotes = std::vector<ImportNote>;

// The slot a sound file makes: its sound converted to 8-bit unsigned mono (at the target rate
// and normalised when the options ask for it), its end index at the last sample, its name the
// file's name. Raises a sound error naming the file when it cannot be loaded or holds no
// samples.
//
// The first forward loop of the file's instrument record becomes the slot's loop, carried to
// the same time at the slot's rate and snapped within a couple of samples (carryLoop). A file
// whose loops are all ping-pong or backward, or whose forward loop does not lie within its
// frames, comes in without a loop, and `notes`, when given, says so; it also says when the
// file has several loops, and when the loop's seam is not seamless.
Slot slotFromFile(const QString& path, const DecodeOptions& options = {},
                  ImportNotes* notes = nullptr);

} // namespace wtb
