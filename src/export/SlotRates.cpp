#include "export/SlotRates.h"

#include <algorithm>
#include <map>

namespace wtb {

SlotRates slotRates(const SlotBank& bank) {
    std::map<std::int32_t, std::vector<std::int16_t>> byRate;
    for (const std::int16_t number : allSlotNumbers()) {
        if (bank[number].endIndex >= 0) {
            byRate[bank[number].sampleRate].push_back(number);
        }
    }
    SlotRates rates;
    for (auto& [rate, slots] : byRate) {
        rates.groups.push_back({rate, std::move(slots)});
    }
    return rates;
}

std::int32_t SlotRates::mostCommonRate() const {
    const Group* most = nullptr;
    for (const Group& group : groups) {
        // Ascending by rate, so a tie keeps the lower rate.
        if (most == nullptr || group.slots.size() > most->slots.size()) {
            most = &group;
        }
    }
    return most ? most->rate : 0;
}

std::vector<std::int16_t> SlotRates::slotsNotAt(std::int32_t rate) const {
    std::vector<std::int16_t> slots;
    for (const Group& group : groups) {
        if (group.rate != rate) {
            slots.insert(slots.end(), group.slots.begin(), group.slots.end());
        }
    }
    std::sort(slots.begin(), slots.end());
    return slots;
}

std::string slotRangesText(const std::vector<std::int16_t>& slots) {
    std::string text;
    for (std::size_t i = 0; i < slots.size();) {
        std::size_t last = i;
        while (last + 1 < slots.size() && slots[last + 1] == slots[last] + 1) {
            ++last;
        }
        if (!text.empty()) {
            text += ", ";
        }
        text += std::to_string(slots[i]);
        if (last > i) {
            text += "-" + std::to_string(slots[last]);
        }
        i = last + 1;
    }
    return text;
}

std::int32_t resampleRateFor(const SlotRates& rates, std::optional<std::int32_t> target) {
    return target ? *target : rates.mostCommonRate();
}

std::string ratesLine(const SlotRates& rates) {
    if (rates.groups.empty()) {
        return "Rates\tnone";
    }
    if (!rates.mixed()) {
        return "Rates\tall\t" + std::to_string(rates.groups.front().rate);
    }
    std::string line = "Rates\tmixed";
    for (const SlotRates::Group& group : rates.groups) {
        line += "\t" + std::to_string(group.rate) + ": " + slotRangesText(group.slots);
    }
    return line;
}

} // namespace wtb
