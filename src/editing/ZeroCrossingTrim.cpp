#include "editing/ZeroCrossingTrim.h"

#include "common/CheckedInt.h"

namespace wtb {

namespace {

constexpr std::uint8_t kZeroLine = 128;
// The walk never takes the end below this index on its own, however long the silence.
constexpr std::int32_t kLowestWalkedEnd = 127;

bool onOrAboveZeroLine(std::span<const std::uint8_t> waveData, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= waveData.size()) {
        raise(ErrorKind::Bounds, "WaveData index " + std::to_string(index) + " is outside 0.." +
                                     std::to_string(waveData.size() - 1) + ".");
    }
    return waveData[static_cast<std::size_t>(index)] >= kZeroLine;
}

} // namespace

std::optional<std::int32_t> zeroCrossingEnd(std::span<const std::uint8_t> waveData,
                                            std::int32_t sliderValue) {
    if (waveData.empty()) {
        return std::nullopt;
    }
    const std::int32_t highest = toInt32Checked(waveData.size() - 1, "A WaveData length");
    std::int32_t end = sliderValue;
    // The counter only bounds the walk; it is not the end index.
    for (std::int32_t step = sliderValue; step <= highest; step = checkedAdd(step, 1)) {
        if (end <= 1) {
            // Stepping to index 0 (or below) leaves no earlier sample to compare with.
            return 0;
        }
        end = checkedSub(end, 1);
        const bool here = onOrAboveZeroLine(waveData, end);
        const bool before = onOrAboveZeroLine(waveData, end - 1);
        if (here && !before) {
            break; // rising through the zero line
        }
        if (before && !here) {
            break; // falling through it
        }
        if (end == kLowestWalkedEnd) {
            break;
        }
    }
    return end;
}

namespace {

// WaveData is refilled by each redraw of a slot with samples; it is only this slot's sound
// when the redraw was of this slot and the sizes still agree.
bool waveDataHoldsSlot(const SlotBank& bank, std::int16_t slot) {
    const auto& buffer = bank.WaveBuffer[slot];
    return bank.WaveDataSlot == slot && buffer && !bank.WaveData.empty() &&
           buffer->bytes().size() == bank.WaveData.size();
}

} // namespace

bool trimCurrentSlot(SlotBank& bank, std::int32_t sliderValue) {
    std::int32_t& endIndex = bank.OutBufLen[bank.CurWave]; // a stray slot number raises here
    if (!waveDataHoldsSlot(bank, bank.CurWave)) {
        return false;
    }
    const std::optional<std::int32_t> end = zeroCrossingEnd(bank.WaveData, sliderValue);
    if (!end) {
        return false;
    }
    // The walk cannot fail part-way, so storing only its result leaves the same end index as
    // storing every step.
    endIndex = *end;
    return true;
}

} // namespace wtb
