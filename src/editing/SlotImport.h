#pragma once

#include "slots/Slot.h"
#include "slots/SoundFile.h"

#include <QString>

#include <string>
#include <vector>

namespace wtb {

// Sentences for the user about how a file came in (its loop left out, and why), each one
// naming the file; empty when there is nothing to say.
using ImportNotes = std::vector<std::string>;

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
