#include "slots/Slot.h"

#include "slots/SlotFault.h"

#include <algorithm>

namespace wtb {

Samples::Samples() : bytes_(std::make_shared<const std::vector<std::uint8_t>>()) {}

Samples::Samples(std::vector<std::uint8_t> bytes) {
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        raise(ErrorKind::Overflow, SlotFault::SoundTooLong, {{"samples", bytes.size()}});
    }
    bytes_ = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
}

std::uint8_t Samples::operator[](std::int32_t index) const {
    if (index < 0 || index >= size()) {
        raise(ErrorKind::Bounds, SlotFault::SampleIndexOutside,
              {{"index", index}, {"last", size() - 1}});
    }
    return (*bytes_)[static_cast<std::size_t>(index)];
}

bool Samples::operator==(const Samples& other) const {
    return bytes_ == other.bytes_ || *bytes_ == *other.bytes_;
}

bool isCycleLength(std::int32_t length) {
    return length >= kShortestCycle && length <= kLongestCycle && (length & (length - 1)) == 0;
}

bool isSingleCycle(const Slot& slot) {
    return isCycleLength(slot.sampleCount()) && slot.endIndex == slot.lastIndex() &&
           slot.loop == Loop{0, slot.lastIndex()};
}

std::int32_t Slot::keptSamples() const {
    // In 64 bits: a hand-edited end index may be INT32_MAX.
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(std::int64_t{endIndex} + 1, 0, sampleCount()));
}

bool Slot::holdsLoop(const Loop& candidate) const {
    return candidate.start >= 0 && candidate.start <= candidate.end && candidate.end <= endIndex &&
           candidate.end <= lastIndex();
}

std::vector<std::int16_t> allSlotNumbers() {
    std::vector<std::int16_t> slots;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        slots.push_back(slot);
    }
    return slots;
}

void checkSlotNumber(std::int32_t slot) {
    if (slot < kFirstSlot || slot > kLastSlot) {
        raise(ErrorKind::Bounds, SlotFault::SlotNumberOutside,
              {{"slot", slot}, {"first", kFirstSlot}, {"last", kLastSlot}});
    }
}

Slot& SlotBank::operator[](std::int32_t slot) {
    checkSlotNumber(slot);
    return slots_[static_cast<std::size_t>(slot - kFirstSlot)];
}

const Slot& SlotBank::operator[](std::int32_t slot) const {
    checkSlotNumber(slot);
    return slots_[static_cast<std::size_t>(slot - kFirstSlot)];
}

std::int64_t tableSampleCount(const SlotBank& bank) {
    std::int64_t total = 0;
    for (const std::int16_t number : allSlotNumbers()) {
        total += std::int64_t{bank[number].endIndex} + 1;
    }
    return total;
}

void requireSavableSlot(const Slot& slot, std::int16_t number, const SlotBank& bank) {
    if (slot.samples.empty() && !bank[number].samples.empty()) {
        raise(ErrorKind::Bounds, SlotFault::SlotLeftEmpty, {{"slot", number}});
    }
    if (slot.sampleRate < 1) {
        raise(ErrorKind::Bounds, SlotFault::SlotRateUnplayable,
              {{"slot", number}, {"rate", slot.sampleRate}});
    }
    const std::int64_t before = tableSampleCount(bank);
    const std::int64_t others = before - (std::int64_t{bank[number].endIndex} + 1);
    const std::int64_t after = others + std::int64_t{slot.endIndex} + 1;
    if (after > kMostTableSamples && after > before) {
        raise(ErrorKind::Size, SlotFault::TableTooLarge,
              {{"slot", number},
               {"samples", std::int64_t{slot.endIndex} + 1},
               {"others", others},
               {"most", kMostTableSamples},
               {"fitting", std::max<std::int64_t>(0, kMostTableSamples - others)}});
    }
}

std::vector<UnusableSlot> unusableSlots(const SlotBank& bank) {
    std::vector<UnusableSlot> slots;
    for (const std::int16_t number : allSlotNumbers()) {
        if (const auto& unusable = bank[number].unusable) {
            slots.push_back({number, *unusable});
        }
    }
    return slots;
}

void requireUsableFields(const SlotBank& bank) {
    for (const std::int16_t number : allSlotNumbers()) {
        if (const auto& unusable = bank[number].unusable) {
            Facts facts = unusable->problem.facts;
            facts.add("slot", number);
            facts.add("fieldKind", static_cast<std::int64_t>(unusable->field));
            facts.add("problem", static_cast<std::int64_t>(unusable->problem.fault));
            raise(ErrorKind::Bounds, SlotFault::FieldsUnusable, std::move(facts));
        }
    }
}

} // namespace wtb
