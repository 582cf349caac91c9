#pragma once

#include "slots/Slot.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace wtb {

inline constexpr const char* kSettingsFileName = "Settings.txt";

struct SettingsLine {
    std::string name;
    std::int32_t endIndex = 0;
    std::optional<Loop> loop;

    bool operator==(const SettingsLine&) const = default;
};

using SettingsLines = std::array<SettingsLine, 16>;

// The end index stored in a settings line: the field's leading number (optional spaces, sign,
// digits, fraction, exponent) read as a double and rounded half to even. A field that does not
// begin with a number gives 0; a number outside the 32-bit range raises an overflow error.
std::int32_t parseEndIndex(std::string_view field);

// Reads the sixteen lines of name, TAB, end index[, TAB, loop start, TAB, loop end]. A line
// has a loop only when both loop fields are whole numbers; other fields after the end index and
// lines after the sixteenth are ignored. Fewer lines, a line without a TAB or an end index out
// of range raise an error naming `fileName` and the line.
SettingsLines parseSettings(std::string_view text, const std::string& fileName);

// Sixteen lines of name, TAB, end index, each ending in CR LF; a slot with a loop adds TAB, loop
// start, TAB, loop end before the line end, so a bank without loops reads as it always did.
std::string formatSettings(const SettingsLines& lines);

} // namespace wtb
