#include "export/LoopedOutput.h"

#include "common/CheckedInt.h"
#include "common/RuntimeError.h"
#include "export/AdpcmSketch.h"
#include "export/ExportFault.h"
#include "export/ExportedSamples.h"

#include <string>

namespace wtb {

std::vector<std::uint8_t> LoopedOutput::played(std::int32_t passes) const {
    if (passes < 1) {
        raise(ErrorKind::Bounds, ExportFault::LoopPassesTooFew, {{"passes", passes}});
    }
    const auto size = [](const std::vector<std::uint8_t>& part) {
        return static_cast<std::int32_t>(part.size());
    };
    const std::int32_t total =
        checkedAdd(checkedAdd(size(attack), checkedMul(passes, size(loop))), size(tail));
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(total));
    out.insert(out.end(), attack.begin(), attack.end());
    for (std::int32_t pass = 0; pass < passes && !loop.empty(); ++pass) {
        out.insert(out.end(), loop.begin(), loop.end());
    }
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

LoopedOutput loopedOutput(const Slot& slot, std::int16_t slotNumber, SampleFormat format) {
    std::vector<std::uint8_t> samples = format == SampleFormat::Adpcm4
                                            ? previewAdpcm(slot, slotNumber).samples
                                            : exportedSamples(slot, slotNumber);
    LoopedOutput output;
    if (!slot.loop) {
        output.attack = std::move(samples);
        return output;
    }
    // exportedSamples has refused a loop outside the samples kept.
    const auto start = samples.begin() + slot.loop->start;
    const auto end = samples.begin() + slot.loop->end + 1;
    output.attack.assign(samples.begin(), start);
    output.loop.assign(start, end);
    output.tail.assign(end, samples.end());
    return output;
}

} // namespace wtb
