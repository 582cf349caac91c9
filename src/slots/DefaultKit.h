#pragma once

#include "slots/Slot.h"
#include "slots/SoundFile.h"

#include <string>
#include <vector>

namespace wtb {

inline constexpr std::int32_t kDefaultKitRate = 8000;

struct KitSound {
    std::string name;
    Sound8 sound;
};

// The sixteen sounds a new working folder starts with: drum-machine voices, then basic
// waveforms, all at one rate, each starting and ending on the zero line. Small enough in total
// that the sketch made from them leaves most of an Uno's flash free.
std::vector<KitSound> defaultKit();

// The kit as the sixteen slots of a new folder, each ending at its last sample.
SlotBank defaultKitBank();

} // namespace wtb
