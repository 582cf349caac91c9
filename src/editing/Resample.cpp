#include "editing/Resample.h"

#include "common/CheckedInt.h"
#include "common/RoundHalfEven.h"
#include "editing/ZeroCrossingTrim.h"
#include "slots/Resampler.h"
#include "slots/SoundFile.h"

#include <algorithm>

namespace wtb {

std::vector<std::uint8_t> resampleBytes(std::span<const std::uint8_t> bytes, std::int32_t fromRate,
                                        std::int32_t toRate) {
    checkTargetRate(toRate);
    std::vector<double> samples(bytes.size());
    std::transform(bytes.begin(), bytes.end(), samples.begin(),
                   [](std::uint8_t byte) { return (byte - 128) / 128.0; });
    const std::vector<double> converted = resampleSamples(samples, fromRate, toRate);
    std::vector<std::uint8_t> result(converted.size());
    std::transform(converted.begin(), converted.end(), result.begin(),
                   [](double sample) { return toUnsigned8(sample); });
    return result;
}

std::int32_t resampledEndIndex(std::int32_t endIndex, std::int32_t oldLength,
                               std::span<const std::uint8_t> newBytes, std::int32_t fromRate,
                               std::int32_t toRate) {
    const std::int32_t newLast =
        checkedSub(toInt32Checked(newBytes.size(), "A sound length"), std::int32_t{1});
    if (endIndex < 0) {
        return endIndex;
    }
    if (endIndex == oldLength - 1) {
        return newLast;
    }
    // Exact in double: the product stays below 2^48.
    std::int32_t mapped = toInt32HalfEven(double(endIndex) * toRate / fromRate);
    if (endIndex < oldLength) {
        mapped = std::min(mapped, newLast);
    }
    if (mapped < 0) {
        return mapped; // the sound came out empty
    }
    return zeroCrossingEnd(newBytes, mapped).value_or(mapped);
}

SlotSound resampleSlotSound(const SlotSound& sound, std::int32_t targetRate) {
    checkTargetRate(targetRate);
    if (sound.rate == targetRate) {
        return sound;
    }
    SlotSound result;
    result.bytes = resampleBytes(sound.bytes, sound.rate, targetRate);
    result.rate = targetRate;
    result.endIndex =
        resampledEndIndex(sound.endIndex, toInt32Checked(sound.bytes.size(), "A sound length"),
                          result.bytes, sound.rate, targetRate);
    return result;
}

bool resampleSlot(SlotBank& bank, std::int16_t slot, std::int32_t targetRate) {
    checkTargetRate(targetRate);
    const SlotSound sound = slotSoundOf(bank, slot);
    if (sound.rate == targetRate) {
        return false;
    }
    storeSlotSounds(bank, {{slot, resampleSlotSound(sound, targetRate)}});
    return true;
}

std::vector<std::int16_t> resampleSlotsAtOtherRates(SlotBank& bank, std::int32_t targetRate) {
    checkTargetRate(targetRate);
    std::vector<std::pair<std::int16_t, SlotSound>> changes;
    std::vector<std::int16_t> changed;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        if (bank.WaveBuffer[slot] &&
            bank.WaveBuffer[slot]->description().sampleRate != targetRate) {
            changes.emplace_back(slot, resampleSlotSound(slotSoundOf(bank, slot), targetRate));
            changed.push_back(slot);
        }
    }
    storeSlotSounds(bank, std::move(changes));
    return changed;
}

} // namespace wtb
