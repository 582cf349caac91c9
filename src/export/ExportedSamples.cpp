#include "export/ExportedSamples.h"

#include "common/RuntimeError.h"

#include <string>

namespace wtb {

std::span<const std::uint8_t> exportableSamples(const SlotBank& bank, std::int16_t slot) {
    const std::span<const std::uint8_t> bytes = bufferOf(bank, slot).bytes();
    const auto size = static_cast<std::int64_t>(bytes.size());
    const std::int32_t endIndex = bank.OutBufLen[slot];
    if (size == 0) {
        raise(ErrorKind::Bounds, "Slot " + std::to_string(slot) +
                                     " holds no samples (size 0); import a sound into it "
                                     "before saving the wavetable.");
    }
    if (endIndex < -1 || endIndex > size - 1) {
        raise(ErrorKind::Bounds, "Slot " + std::to_string(slot) +
                                     " cannot be saved: its end index " + std::to_string(endIndex) +
                                     " lies outside -1.." + std::to_string(size - 1) +
                                     " (the slot holds " + std::to_string(size) + " samples).");
    }
    return bytes;
}

std::vector<std::uint8_t> exportedSamples(const SlotBank& bank, std::int16_t slot) {
    const std::span<const std::uint8_t> bytes = exportableSamples(bank, slot);
    std::vector<std::uint8_t> samples(bytes.begin(), bytes.begin() + (bank.OutBufLen[slot] + 1));
    if (!samples.empty()) {
        samples.front() = 128;
        samples.back() = 128;
    }
    return samples;
}

} // namespace wtb
