#pragma once

#include "common/RuntimeError.h"
#include "slots/KeyRange.h"
#include "slots/SlotFault.h"

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace wtb {

inline constexpr std::int16_t kFirstSlot = 1;
inline constexpr std::int16_t kLastSlot = 16;
inline constexpr std::int32_t kSlotCount = kLastSlot;

// A sound's 8-bit unsigned mono samples, zero line at 128. Never changed once made, so copies
// of a slot (for undo, or for a save running beside the window) share one block of samples.
class Samples {
public:
    Samples();
    explicit Samples(std::vector<std::uint8_t> bytes);

    std::span<const std::uint8_t> bytes() const { return *bytes_; }
    std::int32_t size() const { return static_cast<std::int32_t>(bytes_->size()); }
    bool empty() const { return bytes_->empty(); }
    std::uint8_t operator[](std::int32_t index) const;

    bool operator==(const Samples& other) const;

private:
    std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
};

// A sustain loop: the samples start..end, both played, repeat while a note is held.
struct Loop {
    std::int32_t start = 0;
    std::int32_t end = 0;

    std::int32_t length() const { return end - start + 1; }

    bool operator==(const Loop&) const = default;
};

// Fields of a slot's settings line that the program cannot use (a hand edit broke them). They
// are written back exactly as read until the slot itself is changed, and every export refuses
// the slot, so nothing the user typed is lost or taken for something else.
struct UnusableFields {
    enum class Field { EndIndex, Loop, KeyMap };

    std::string stored;            // the line after the name and its TAB, as read
    SlotProblem problem;           // which field, what it holds and why it cannot be used
    Field field = Field::EndIndex; // the first field found broken; says what the user does

    bool operator==(const UnusableFields&) const = default;
};

// One wave slot: its sound at its sample rate, the index of the last sample the sketch keeps,
// its name (UTF-8, kept byte for byte as read) and an optional loop inside the kept samples.
// A value: copying a slot copies no samples.
struct Slot {
    Samples samples;
    std::int32_t sampleRate = 0; // Hz
    std::int32_t endIndex = 0;   // -1 keeps no sample; a hand-edited file may hold any value
    std::string name;
    std::optional<Loop> loop;
    std::optional<KeyRange> keys;           // the notes that play it; none: defaultKeyRange
    std::optional<UnusableFields> unusable; // only as read from a folder, until the slot changes

    std::int32_t sampleCount() const { return samples.size(); }
    std::int32_t lastIndex() const { return samples.size() - 1; }
    // The samples an export keeps, 0..end index: never more than the slot holds and never
    // negative, whatever a hand-edited end index says.
    std::int32_t keptSamples() const;
    // Whether `candidate` lies within the samples the sketch keeps (0..end index).
    bool holdsLoop(const Loop& candidate) const;

    bool operator==(const Slot&) const = default;
};

// The table lengths a single cycle can have: powers of two, as a synth steps through a table
// by the top bits of a phase counter.
inline constexpr std::int32_t kShortestCycle = 32;
inline constexpr std::int32_t kLongestCycle = 2048;
bool isCycleLength(std::int32_t length);

// Whether the slot is a single cycle: a table of a cycle length, kept and looped whole. Its
// rate is what plays its pitch, so a change of rate must keep its cells.
bool isSingleCycle(const Slot& slot);

// The slot numbers 1..16, in order.
std::vector<std::int16_t> allSlotNumbers();

// Raises a bounds error unless `slot` is one of the slots 1..16.
void checkSlotNumber(std::int32_t slot);

// The sixteen slots, numbered 1..16. A stray slot number is an error, never another slot.
class SlotBank {
public:
    Slot& operator[](std::int32_t slot);
    const Slot& operator[](std::int32_t slot) const;

    bool operator==(const SlotBank&) const = default;

private:
    std::array<Slot, kSlotCount> slots_;
};

// The most samples the table of a bank can count: the end indices plus one, over all slots, are
// 32-bit numbers in the listing, the budget and the sketch.
inline constexpr std::int64_t kMostTableSamples = INT32_MAX;

// The table's samples: the sum over the slots of end index plus one, in 64 bits.
std::int64_t tableSampleCount(const SlotBank& bank);

// Raises, naming the slot, unless `slot` can stand in slot `number` of `bank` (whose slot
// `number` it would replace) and still be saved and exported: at least one sample (unless the
// slot held none already, as an empty slot file leaves it), a rate of at least 1 Hz, and a
// table of the bank within kMostTableSamples (unless the table was beyond it already, from a
// hand-edited folder: a change must be able to mend that). Says how much would fit. Checked
// before a change is made.
void requireSavableSlot(const Slot& slot, std::int16_t number, const SlotBank& bank);

// A slot whose stored fields cannot be used; they stay as they are until the slot is changed.
struct UnusableSlot {
    std::int16_t slot = kFirstSlot;
    UnusableFields fields;
};

// Each slot whose stored fields cannot be used, in slot order.
std::vector<UnusableSlot> unusableSlots(const SlotBank& bank);

// Raises a bounds error naming the first slot whose stored fields cannot be used, what they
// hold and what to do, before anything is exported from the bank.
void requireUsableFields(const SlotBank& bank);

} // namespace wtb
