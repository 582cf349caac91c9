#include "editing/Normalise.h"

#include "slots/SoundFile.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace wtb {

std::vector<std::uint8_t> normaliseBytes(std::span<const std::uint8_t> bytes) {
    int peak = 0;
    for (const std::uint8_t byte : bytes) {
        peak = std::max(peak, std::abs(byte - 128));
    }
    if (peak == 0) {
        return {bytes.begin(), bytes.end()};
    }
    // The same rule as a file normalised at import, so an 8-bit file gives the same bytes
    // whichever way it is normalised.
    const SampleScale scale{127.0, peak / 128.0};
    std::vector<std::uint8_t> result(bytes.size());
    std::transform(bytes.begin(), bytes.end(), result.begin(), [&scale](std::uint8_t byte) {
        return toUnsigned8((byte - 128) / 128.0, scale);
    });
    return result;
}

SlotSound normaliseSlotSound(const SlotSound& sound) {
    return SlotSound{normaliseBytes(sound.bytes), sound.rate, sound.endIndex};
}

namespace {

// The slot's normalised sound, when normalising changes it.
std::optional<SlotSound> normalisedIfChanged(const SlotBank& bank, std::int16_t slot) {
    const SlotSound sound = slotSoundOf(bank, slot);
    SlotSound normalised = normaliseSlotSound(sound);
    if (normalised == sound) {
        return std::nullopt;
    }
    return normalised;
}

} // namespace

bool normaliseSlot(SlotBank& bank, std::int16_t slot) {
    std::optional<SlotSound> normalised = normalisedIfChanged(bank, slot);
    if (!normalised) {
        return false;
    }
    storeSlotSounds(bank, {{slot, std::move(*normalised)}});
    return true;
}

std::vector<std::int16_t> normaliseAllSlots(SlotBank& bank) {
    std::vector<std::pair<std::int16_t, SlotSound>> changes;
    std::vector<std::int16_t> changed;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        if (!bank.WaveBuffer[slot]) {
            continue;
        }
        if (std::optional<SlotSound> normalised = normalisedIfChanged(bank, slot)) {
            changes.emplace_back(slot, std::move(*normalised));
            changed.push_back(slot);
        }
    }
    storeSlotSounds(bank, std::move(changes));
    return changed;
}

} // namespace wtb
