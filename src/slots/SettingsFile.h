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
    std::optional<KeyRange> keys;
    std::optional<UnusableFields> unusable; // then written back as read, for all fields

    bool operator==(const SettingsLine&) const = default;
};

using SettingsLines = std::array<SettingsLine, kSlotCount>;

// The end index stored in a settings line: the field's leading number (optional spaces, sign,
// digits, fraction, exponent) read as a double and rounded half to even; nothing when the field
// does not begin with a number. A number outside the 32-bit range raises an overflow error.
std::optional<std::int32_t> readEndIndex(std::string_view field);
// readEndIndex, with 0 for a field that does not begin with a number.
std::int32_t parseEndIndex(std::string_view field);

// Where a field was read, as the facts "line" (5) and "file" ("kit/Settings.txt").
Facts settingsPlace(std::size_t lineNumber, const std::string& fileName);

// Reads the sixteen lines of name, TAB, end index[, TAB, loop start, TAB, loop end][, TAB, key
// map]; lines after the sixteenth are ignored. The key map is "keys ROOT LOW HIGH FINE", one
// space between each (keyRangeProblem says what it may hold). An end index that is not a
// number, loop fields that are not two whole numbers from 0 with the start at or before the
// end, and a key map that cannot be used make the line `unusable` (its end index 0 for a broken
// end index; no loop for a broken loop; no key map for a broken one, its loop kept), which says
// why. Fewer lines, a line without a TAB or an end
// index out of range raise an error naming `fileName` and the line.
SettingsLines parseSettings(std::string_view text, const std::string& fileName);

// The fields of line `lineIndex` (0 for slot 1) after its name and TAB, exactly as stored in
// `text`, which parseSettings read without error.
std::string storedFields(std::string_view text, std::size_t lineIndex);

// Sixteen lines of name, TAB, end index, each ending in CR LF; a slot with a loop adds TAB, loop
// start, TAB, loop end before the line end, and a slot with a key map then its key map field, so
// a bank without loops or key maps reads as it always did. An
// unusable line is written back exactly as it was read.
std::string formatSettings(const SettingsLines& lines);

} // namespace wtb
