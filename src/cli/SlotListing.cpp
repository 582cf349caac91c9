#include "cli/SlotListing.h"

#include <algorithm>
#include <cstdint>

namespace wtb::cli {

namespace {

std::string oneFieldName(std::string name) {
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return name;
}

void appendLine(std::string& out, std::initializer_list<std::string> fields) {
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
    // Wider than the slots' own numbers, so a listing never fails, whatever the folder holds.
    std::int64_t allSamples = 0;
    std::int64_t allTableBytes = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const BufferDesc desc = bank.WaveDesc[slot];
        const std::int64_t tableBytes = std::int64_t{bank.OutBufLen[slot]} + 1;
        allSamples += desc.bufferBytes;
        allTableBytes += tableBytes;
        appendLine(out, {std::to_string(slot), oneFieldName(bank.WaveName[slot]),
                         std::to_string(desc.sampleRate), std::to_string(desc.bufferBytes),
                         std::to_string(bank.OutBufLen[slot]), std::to_string(tableBytes)});
    }
    appendLine(out,
               {"total", "", "", std::to_string(allSamples), "", std::to_string(allTableBytes)});
    return out;
}

} // namespace wtb::cli
