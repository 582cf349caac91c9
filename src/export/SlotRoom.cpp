#include "export/SlotRoom.h"

#include "export/Adpcm.h"
#include "export/FlashBudget.h"
#include "slots/Resampler.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace wtb {

namespace {

std::int32_t shareOfTable(std::int32_t samples, SampleFormat format) {
    return format == SampleFormat::Adpcm4 ? adpcmBytesFor(samples) : samples;
}

// The most samples whose share of the table is at most `room` bytes (the share grows with the
// count, a sample at a time).
std::int32_t mostSamplesIn(std::int32_t room, SampleFormat format) {
    if (format == SampleFormat::Pcm8) {
        return std::max(room, 0);
    }
    // Over four bits a sample: twice the room in samples never fits.
    std::int64_t fits = 0;
    std::int64_t tooMany = std::int64_t{room} * 2 + 1;
    while (tooMany - fits > 1) {
        const std::int64_t middle = (fits + tooMany) / 2;
        if (adpcmBytesFor(static_cast<std::int32_t>(middle)) <= room) {
            fits = middle;
        } else {
            tooMany = middle;
        }
    }
    return static_cast<std::int32_t>(fits);
}

} // namespace

double OversizedSlot::timesOver() const {
    const double tenths = std::round(static_cast<double>(bytes) * 10.0 / static_cast<double>(room));
    return std::max(tenths, 11.0) / 10.0;
}

std::optional<OversizedSlot> oversizedSlot(const Slot& slot, std::int16_t number, Board board,
                                           SampleFormat format) {
    // A hand-edited end index past the sound is the export's to refuse; weigh what is there.
    const std::int32_t kept = slot.keptSamples();
    const std::int32_t room = tableRoom(board, format, slot.loop.has_value());
    if (kept <= 0 || shareOfTable(kept, format) <= room) {
        return std::nullopt;
    }
    OversizedSlot oversized;
    oversized.slot = number;
    oversized.rate = slot.sampleRate;
    oversized.bytes = shareOfTable(kept, format);
    oversized.room = room;
    oversized.fittingSamples = mostSamplesIn(room, format);
    // Resampled, the end index moves to the same time, rounded, and then only back; at
    // (fitting - 1) * rate / kept the samples kept stay within fittingSamples either way.
    if (slot.sampleRate > 0 && oversized.fittingSamples > 1) {
        const std::int64_t highest =
            (std::int64_t{oversized.fittingSamples} - 1) * slot.sampleRate / kept / 100 * 100;
        if (highest >= kLowestTargetRate) {
            oversized.fittingRate = static_cast<std::int32_t>(highest);
        }
    }
    oversized.fitsAsAdpcm =
        format == SampleFormat::Pcm8 &&
        adpcmBytesFor(kept) <= tableRoom(board, SampleFormat::Adpcm4, slot.loop.has_value());
    return oversized;
}

} // namespace wtb
