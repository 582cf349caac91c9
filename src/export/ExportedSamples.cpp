#include "export/ExportedSamples.h"

#include "common/RuntimeError.h"

#include <string>

namespace wtb {

std::vector<std::uint8_t> exportedSamples(const SlotBank& bank, std::int16_t slot) {
    const auto bytes = bufferOf(bank, slot).bytes();
    const auto size = static_cast<std::int64_t>(bytes.size());
    const std::int32_t endIndex = bank.OutBufLen[slot];
    if (size == 0 || endIndex < -1 || endIndex >= size) {
        raise(ErrorKind::Bounds,
              "Slot " + std::to_string(slot) + " has no exported sound: its end index " +
                  std::to_string(endIndex) + " lies outside -1.." + std::to_string(size - 1) +
                  " (the slot holds " + std::to_string(size) + " samples).");
    }
    std::vector<std::uint8_t> samples(bytes.begin(), bytes.begin() + (endIndex + 1));
    if (!samples.empty()) {
        samples.front() = 128;
        samples.back() = 128;
    }
    return samples;
}

} // namespace wtb
