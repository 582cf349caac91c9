#pragma once

#include "slots/KeyRange.h"
#include "slots/Slot.h"

#include <array>
#include <cstdint>
#include <optional>

namespace wtb {

// How the mixing player steps through a slot, in integer arithmetic that the board repeats
// exactly: a voice's position advances by a 16.16 fixed-point step each mixing period and
// plays the sample its whole part points at (no interpolation).

inline constexpr std::int32_t kLowestMixRate = 1'000;
// The largest step: two samples a period, an octave above a slot at the mixing rate. A higher
// note would make the interrupt decode more samples than its measured worst allows; it is not
// played.
inline constexpr std::uint32_t kLargestStep = 2u << 16;

// round(2^(i / 12) * 32768), i = 0..11: the semitones within an octave, as the board holds them.
inline constexpr std::array<std::uint16_t, 12> kSemitoneSteps = {
    32768, 34716, 36781, 38968, 41285, 43740, 46341, 49097, 52016, 55109, 58386, 61858};

// A slot's step at its root note: round(rate / mixRate * 2^(-fineCents / 1200) * 65536).
// 0 for a rate or mixing rate of 0.
std::uint32_t rootStep(std::int32_t rate, std::int32_t mixRate, std::int32_t fineCents);

// The step of the note `semitones` above the root (below for a negative number): rootStep
// times the semitone's kSemitoneSteps entry / 32768, then shifted by whole octaves, truncated.
// Nothing when it is 0 or exceeds kLargestStep: such a note does not play.
std::optional<std::uint32_t> noteStep(std::uint32_t rootStep, std::int32_t semitones);

// The gain a velocity (1..127) scales a voice's signed sample by, in 128ths: 127 gives 128,
// so the sample stays exactly as it is.
inline std::int32_t velocityGain(std::int32_t velocity) {
    return velocity + (velocity >> 6);
}

// The signed sample scaled by a gain: (sample * gain) >> 7, rounded down as the board's shift.
inline std::int32_t scaledSample(std::int32_t sample, std::int32_t gain) {
    return (sample * gain) >> 7;
}

// The slot a note plays: the first of slots 1..16 in the table (end index 0 or more, a rate
// above 0) whose key range (its own, else defaultKeyRange) holds the note. Nothing when none.
std::optional<std::int16_t> slotForNote(const SlotBank& bank, std::int32_t note);

// The slot's key range: its own, else defaultKeyRange.
KeyRange slotKeys(const Slot& slot, std::int16_t number);

} // namespace wtb
