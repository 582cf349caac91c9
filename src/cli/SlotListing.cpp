#include "cli/SlotListing.h"

#include "cli/KeysCommand.h"
#include "export/FlashBudget.h"
#include "slots/SlotDuration.h"
#include "slots/SlotName.h"

#include <algorithm>

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
    double soundSeconds = 0;
    double tableSeconds = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const Slot& each = bank[slot];
        const std::int32_t kept = each.keptSamples();
        std::vector<std::string> fields{std::to_string(slot),
                                        oneFieldName(each.name),
                                        std::to_string(each.sampleRate),
                                        std::to_string(each.sampleCount()),
                                        std::to_string(each.endIndex),
                                        std::to_string(std::int64_t{each.endIndex} + 1),
                                        secondsText(each.sampleCount(), each.sampleRate),
                                        secondsText(kept, each.sampleRate)};
        if (each.loop) {
            fields.push_back(std::to_string(each.loop->start));
            fields.push_back(std::to_string(each.loop->end));
        }
        if (each.keys) {
            fields.push_back(keysListField(each));
        }
        appendLine(out, fields);
        if (each.sampleRate > 0) {
            soundSeconds += static_cast<double>(each.sampleCount()) / each.sampleRate;
            tableSeconds += static_cast<double>(kept) / each.sampleRate;
        }
    }
    const SlotTotals totals = slotTotals(bank);
    appendLine(out, {"total", "", "", std::to_string(totals.samples), "",
                     std::to_string(totals.tableBytes), secondsText(soundSeconds),
                     secondsText(tableSeconds)});
    return out;
}

} // namespace wtb::cli
