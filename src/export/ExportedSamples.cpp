#include "export/ExportedSamples.h"

#include "common/RuntimeError.h"

#include <string>

namespace wtb {

std::span<const std::uint8_t> exportableSamples(const Slot& slot, std::int16_t slotNumber) {
    const std::int32_t size = slot.sampleCount();
    if (size == 0) {
        raise(ErrorKind::Bounds, "Slot " + std::to_string(slotNumber) +
                                     " holds no samples (size 0); import a sound into it "
                                     "before saving the wavetable.");
    }
    if (slot.endIndex < -1 || slot.endIndex > size - 1) {
        raise(ErrorKind::Bounds,
              "Slot " + std::to_string(slotNumber) + " cannot be saved: its end index " +
                  std::to_string(slot.endIndex) + " lies outside -1.." + std::to_string(size - 1) +
                  " (the slot holds " + std::to_string(size) + " samples).");
    }
    if (slot.loop && !slot.holdsLoop(*slot.loop)) {
        raise(ErrorKind::Bounds,
              "Slot " + std::to_string(slotNumber) + " cannot be saved: its loop " +
                  std::to_string(slot.loop->start) + ".." + std::to_string(slot.loop->end) +
                  " lies outside the samples it keeps, 0.." + std::to_string(slot.endIndex) +
                  ". Set the loop again.");
    }
    return slot.samples.bytes();
}

std::vector<std::uint8_t> exportedSamples(const Slot& slot, std::int16_t slotNumber) {
    const std::span<const std::uint8_t> bytes = exportableSamples(slot, slotNumber);
    std::vector<std::uint8_t> samples(bytes.begin(), bytes.begin() + slot.keptSamples());
    if (!samples.empty()) {
        if (!slot.loop || slot.loop->start != 0) {
            samples.front() = 128;
        }
        if (!slot.loop || slot.loop->end != slot.endIndex) {
            samples.back() = 128;
        }
    }
    return samples;
}

} // namespace wtb
