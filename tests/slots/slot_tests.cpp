#include "slots/Slot.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

namespace wtb {
namespace {

Slot slotOf(std::int32_t sampleCount, std::int32_t endIndex) {
    Slot slot;
    slot.samples = Samples(std::vector<std::uint8_t>(static_cast<std::size_t>(sampleCount), 128));
    slot.sampleRate = 8000;
    slot.endIndex = endIndex;
    return slot;
}

// A hand-edited settings file may hold any end index; the export keeps only samples the slot
// holds, so the count stays within 0..the sample count.
TEST(KeptSamples, FollowTheEndIndexWithinTheSamplesHeld) {
    struct Case {
        std::int32_t sampleCount;
        std::int32_t endIndex;
        std::int32_t kept;
    };
    for (const Case& c :
         {Case{10, 9, 10}, Case{10, 0, 1}, Case{10, 4, 5}, Case{10, -1, 0}, Case{10, -7, 0},
          Case{10, INT32_MIN, 0}, Case{10, 10, 10}, Case{10, INT32_MAX, 10}, Case{0, -1, 0},
          Case{0, 0, 0}, Case{0, 5, 0}, Case{1, 0, 1}}) {
        EXPECT_EQ(slotOf(c.sampleCount, c.endIndex).keptSamples(), c.kept)
            << c.sampleCount << " samples, end index " << c.endIndex;
    }
}

} // namespace
} // namespace wtb
