#pragma once

#include "slots/Slot.h"
#include "slots/SoundFile.h"

#include <QString>

namespace wtb {

// The slot a sound file makes: its sound converted to 8-bit unsigned mono (at the target rate
// and normalised when the options ask for it), its end index at the last sample, its name the
// file's name. Raises a sound error naming the file when it cannot be loaded or holds no
// samples.
Slot slotFromFile(const QString& path, const DecodeOptions& options = {});

} // namespace wtb
