#pragma once

#include "slots/Slot.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wtb {

// The sample rates of the slots a sketch holds (those with an end index of 0 or more): one
// place for the window's question, the command line's warning and `list`'s last line.
struct SlotRates {
    struct Group {
        std::int32_t rate = 0;
        std::vector<std::int16_t> slots; // ascending
    };
    std::vector<Group> groups; // ascending by rate; empty when no slot is in the table

    // Whether the slots in the table are at more than one rate.
    bool mixed() const { return groups.size() > 1; }
    // The rate most slots are at; on a tie, the lowest of them (the smaller table). 0 when no
    // slot is in the table.
    std::int32_t mostCommonRate() const;
    // The slots in the table at a rate other than `rate`, ascending.
    std::vector<std::int16_t> slotsNotAt(std::int32_t rate) const;
};

SlotRates slotRates(const SlotBank& bank);

// "1-4, 7, 9-16": slot numbers as ranges.
std::string slotRangesText(const std::vector<std::int16_t>& slots);

// The rate to offer resampling to: the target rate when one is chosen, else the most common.
std::int32_t resampleRateFor(const SlotRates& rates, std::optional<std::int32_t> target);

// `list`'s last line, without its line end, fields separated by TAB:
//   "Rates", "all", the rate                      every slot in the table at one rate
//   "Rates", "mixed", "RATE: SLOTS" per rate       ascending by rate, SLOTS as slotRangesText
//   "Rates", "none"                                no slot in the table
std::string ratesLine(const SlotRates& rates);

} // namespace wtb
