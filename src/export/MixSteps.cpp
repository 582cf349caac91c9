#include "export/MixSteps.h"

#include <cmath>

namespace wtb {

std::uint32_t rootStep(std::int32_t rate, std::int32_t mixRate, std::int32_t fineCents) {
    if (rate <= 0 || mixRate <= 0) {
        return 0;
    }
    const double ratio = static_cast<double>(rate) / static_cast<double>(mixRate) *
                         std::exp2(-static_cast<double>(fineCents) / 1200.0);
    return static_cast<std::uint32_t>(std::llround(ratio * 65536.0));
}

std::optional<std::uint32_t> noteStep(std::uint32_t rootStep, std::int32_t semitones) {
    // Whole octaves rounded down, so the semitone within the octave is 0..11.
    const std::int32_t octaves = semitones >= 0 ? semitones / 12 : -((11 - semitones) / 12);
    const std::uint32_t semitone =
        kSemitoneSteps[static_cast<std::size_t>(semitones - 12 * octaves)];
    // Split so that no product passes 32 bits, as on the board: exactly (rootStep * semitone)
    // >> 15.
    std::uint32_t step =
        ((rootStep >> 16) * semitone << 1) + (((rootStep & 0xFFFFu) * semitone) >> 15);
    if (octaves >= 0) {
        if (step > (kLargestStep >> octaves)) {
            return std::nullopt;
        }
        step <<= octaves;
    } else {
        step = -octaves >= 32 ? 0 : step >> -octaves;
    }
    if (step == 0 || step > kLargestStep) {
        return std::nullopt;
    }
    return step;
}

KeyRange slotKeys(const Slot& slot, std::int16_t number) {
    return slot.keys ? *slot.keys : defaultKeyRange(number);
}

std::optional<std::int16_t> slotForNote(const SlotBank& bank, std::int32_t note) {
    for (const std::int16_t number : allSlotNumbers()) {
        const Slot& slot = bank[number];
        if (slot.endIndex < 0 || slot.sampleRate <= 0 || slot.sampleCount() == 0) {
            continue;
        }
        const KeyRange keys = slotKeys(slot, number);
        if (note >= keys.low && note <= keys.high) {
            return number;
        }
    }
    return std::nullopt;
}

} // namespace wtb
