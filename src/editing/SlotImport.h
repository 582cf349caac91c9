#pragma once

#include "slots/SlotBank.h"
#include "slots/SoundFile.h"

#include <QString>

#include <cstdint>
#include <string>

namespace wtb {

// A slot name from a file title, as UTF-8. TAB, CR, LF and every other control or
// line-separator character becomes a space, so the name stays on its one line in
// Settings.txt and in the sketch's comment.
std::string slotNameFromFileTitle(const QString& title);

// Replaces the slot's sound with the file at `path`, converted to 8-bit unsigned mono (at the
// target rate and normalised when the options ask for it). On
// success the slot gets the new buffer (the old one is released), its description, the whole
// sound as its end index (size - 1) and the file's name as its name. When the file cannot be
// loaded or holds no samples the slot is left exactly as it was and a sound error names the
// file and the reason.
void importIntoSlot(SlotBank& bank, std::int16_t slot, const QString& path,
                    const DecodeOptions& options = {});

} // namespace wtb
