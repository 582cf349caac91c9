#pragma once

#include "slots/Slot.h"

#include <cstdint>
#include <span>

// Trims at the start of a sound, and of its quiet head and tail. The end-point slider only
// moves the end index; these remove samples, so the slot's end index and loop move with them.
namespace wtb {

// What became of a slot's loop when samples before it were removed.
enum class LoopAfterCut {
    None,      // the slot has no loop
    Kept,      // the loop moved with the sound, its samples as they were
    Shortened, // the loop began before the cut: it now begins at the slot's first sample
    Removed,   // the loop ended before the cut: nothing of it is left
};

// A slot after a cut of its start.
struct StartCut {
    Slot slot;
    std::int32_t removed = 0; // samples removed: the old index of the new first sample
    LoopAfterCut loop = LoopAfterCut::None;
};

// The first sample a cut of the start at `index` keeps: `index` moved forward to the next
// place where the sound crosses the zero line (crossesZeroLineAt), looking no further than
// `last`; `index` itself when it is 0, when the sound crosses the line just before it, or
// when it does not cross the line again by `last`. Raises a bounds error for an `index` or a
// `last` outside the samples, or an `index` past `last`.
std::int32_t startCutIndex(std::span<const std::uint8_t> samples, std::int32_t index,
                           std::int32_t last);

// The slot without its first `count` samples: the end index and the loop move with the sound
// (an end index below 0 stays as it is). A loop that began before the cut begins at the new
// first sample; one that ended before it is removed. Raises a bounds error for a count
// outside 0..last sample.
StartCut withoutFirstSamples(const Slot& slot, std::int32_t count);

// The last index the start of the slot may be cut at: its end index, since the table keeps at
// least the sample there, or its last sample when the table holds none of it (end index below
// 0) or the end index lies past the sound. -1 for a slot without samples.
std::int32_t lastStartCut(const Slot& slot);

// The slot with its samples before `index` removed, the cut moved forward to the next zero
// crossing (startCutIndex) but never past the end index, so the table keeps at least one
// sample. Raises a bounds error for an index outside 0..lastStartCut(slot).
StartCut cutStart(const Slot& slot, std::int32_t index);

// A sample is quiet when it lies within `threshold` steps of the zero line: |sample - 128| <=
// threshold. Two steps by default: one is the 8-bit rounding of a silent recording's own noise
// and dither (127..129), the second allows for the hiss of a quiet room; at 36 dB below full
// level nothing of a sound's body is taken for silence.
inline constexpr std::int32_t kDefaultSilenceThreshold = 2;
inline constexpr std::int32_t kHighestSilenceThreshold = 127;

// A slot after its quiet head and tail were trimmed.
struct SilenceTrim {
    Slot slot;
    std::int32_t removed = 0; // quiet samples removed from the start
    bool silent = false;      // no sample the table keeps is above the threshold
};

// The slot without its quiet head and tail, judged on the samples the table keeps (0 to the
// end index):
// - the new first sample is the last quiet one before the first sample above the threshold:
//   within the threshold of the zero line, so the sound still starts from rest;
// - the end index goes just after the last sample above the threshold, then on through quiet
//   samples to the next zero crossing (crossesZeroLineAt) when there is one before the old end
//   index; it never moves later than the old end index;
// - a loop's samples are always kept: the head stops at the loop's start, the end at its end.
// A slot whose table holds no sample (end index below 0) or only quiet ones (`silent`) is
// left as it was. Raises a bounds error for a threshold outside 0..kHighestSilenceThreshold.
SilenceTrim trimSilence(const Slot& slot, std::int32_t threshold);

} // namespace wtb
