#include "cli/SlotListing.h"

#include "cli/KeysCommand.h"
#include "slots/SlotName.h"
#include "workspace/Session.h"

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

// A playing time as seconds with three decimals ("0.300", "616.816"); empty for none.
std::string secondsText(std::optional<std::int64_t> milliseconds) {
    if (!milliseconds) {
        return {};
    }
    std::string thousandths = std::to_string(*milliseconds % 1000);
    thousandths.insert(0, 3 - thousandths.size(), '0');
    return std::to_string(*milliseconds / 1000) + "." + thousandths;
}

} // namespace

std::string formatSlotList(const SlotBank& bank) {
    std::string out;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const Slot& each = bank[slot];
        const std::int32_t kept = each.keptSamples();
        std::vector<std::string> fields{
            std::to_string(slot),
            oneFieldName(each.name),
            std::to_string(each.sampleRate),
            std::to_string(each.sampleCount()),
            std::to_string(each.endIndex),
            std::to_string(std::int64_t{each.endIndex} + 1),
            secondsText(playingMilliseconds(each.sampleCount(), each.sampleRate)),
            secondsText(playingMilliseconds(kept, each.sampleRate))};
        if (each.loop) {
            fields.push_back(std::to_string(each.loop->start));
            fields.push_back(std::to_string(each.loop->end));
        }
        if (each.keys) {
            fields.push_back(keysListField(each));
        }
        appendLine(out, fields);
    }
    const SlotTotals totals = slotTotals(bank);
    const PlayingTimes times = playingTimes(bank);
    appendLine(out, {"total", "", "", std::to_string(totals.samples), "",
                     std::to_string(totals.tableBytes), secondsText(times.soundMs),
                     secondsText(times.tableMs)});
    return out;
}

} // namespace wtb::cli
