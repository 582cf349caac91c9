#include "cli/SlotListing.h"

#include "export/FlashBudget.h"
#include "slots/SlotName.h"

#include <cstdint>
#include <vector>

namespace wtb::cli {

namespace {

void appendLine(std::string& out, const std::vector<std::string>& fields) {
    bool first = true;
    for (const std::string& field : fields) {
        if (!first) {
            out += '\t';
        }
        out += field;
        first = false;
    }
    out += '\n';
}

} // namespace

std::string formatSlotList(const SlotBank& bank) {
    std::string out;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const Slot& each = bank[slot];
        std::vector<std::string> fields{std::to_string(slot),
                                        oneFieldName(each.name),
                                        std::to_string(each.sampleRate),
                                        std::to_string(each.sampleCount()),
                                        std::to_string(each.endIndex),
                                        std::to_string(std::int64_t{each.endIndex} + 1)};
        if (each.loop) {
            fields.push_back(std::to_string(each.loop->start));
            fields.push_back(std::to_string(each.loop->end));
        }
        appendLine(out, fields);
    }
    const SlotTotals totals = slotTotals(bank);
    appendLine(out, {"total", "", "", std::to_string(totals.samples), "",
                     std::to_string(totals.tableBytes)});
    return out;
}

} // namespace wtb::cli
