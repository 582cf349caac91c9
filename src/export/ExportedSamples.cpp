#include "export/ExportedSamples.h"

#include "common/RuntimeError.h"
#include "export/ExportFault.h"

#include <string>

namespace wtb {

std::span<const std::uint8_t> exportableSamples(const Slot& slot, std::int16_t slotNumber) {
    const std::int32_t size = slot.sampleCount();
    if (size == 0) {
        raise(ErrorKind::Bounds, ExportFault::SlotEmpty, {{"slot", slotNumber}});
    }
    if (slot.endIndex < -1 || slot.endIndex > size - 1) {
        raise(
            ErrorKind::Bounds, ExportFault::EndIndexOutside,
            {{"slot", slotNumber}, {"end", slot.endIndex}, {"last", size - 1}, {"samples", size}});
    }
    if (slot.loop && !slot.holdsLoop(*slot.loop)) {
        raise(ErrorKind::Bounds, ExportFault::LoopOutside,
              {{"slot", slotNumber},
               {"start", slot.loop->start},
               {"end", slot.loop->end},
               {"last", slot.endIndex}});
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
