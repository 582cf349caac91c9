#pragma once

#include "slots/SlotFault.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wtb {

inline constexpr std::int32_t kLowestNote = 0;
inline constexpr std::int32_t kHighestNote = 127;
inline constexpr std::int32_t kMostFineCents = 50;

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

// Why `keys` cannot be a slot's key map (the lowest note 130 outside the notes 0..127); none
// when it can: root, lowest and highest note within 0..127, the lowest at or below the highest
// (the root may lie outside them), the fine tune within -50..50 cents.
std::optional<SlotProblem> keyRangeProblem(const KeyRange& keys);

// The note nearest `hertz` (A4 = 440 Hz) as the root, and how far above it the pitch lies as
// the fine tune, playing on every note; the root is clamped to 0..127 (fine tune 0 then).
KeyRange keyRangeOfPitch(double hertz);

// A note's name with middle C (60) as C4 and sharps for the black keys: "C-1" .. "G9", "F#3".
std::string noteName(std::int32_t note);

// A note given as a number 0..127 or as a name: a letter A..G (either case), an optional "#"
// or "b", and an octave -1..9, as "C4", "f#3", "Bb-1"; nothing for any other text or a note
// outside 0..127.
std::optional<std::int32_t> noteFromText(std::string_view text);

} // namespace wtb
