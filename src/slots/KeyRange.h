#pragma once

#include <cstdint>

namespace wtb {

inline constexpr std::int32_t kLowestNote = 0;
inline constexpr std::int32_t kHighestNote = 127;

// The MIDI notes that play a slot, and the note at which it plays at its own rate: note k
// plays it at rate x 2^((k - root - fineCents / 100) / 12).
struct KeyRange {
    std::int32_t root = 60;
    std::int32_t low = kLowestNote; // lowest and highest notes that play the slot, both included
    std::int32_t high = kHighestNote;
    std::int32_t fineCents = 0; // -50..50: at its own rate the slot sounds this far above root

    bool operator==(const KeyRange&) const = default;
};

// The map of a slot the user gave none: slot N at its own rate on note 35 + N alone (36..51).
inline KeyRange defaultKeyRange(std::int16_t slotNumber) {
    const std::int32_t note = 35 + slotNumber;
    return KeyRange{note, note, note, 0};
}

} // namespace wtb
