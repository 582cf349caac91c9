#pragma once

#include "slots/Slot.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace wtb {

// The name a sketch is offered and written under when the user gives none: the wavetable's
// file NAME.ino, the player's folder NAME holding NAME/NAME.ino.
inline constexpr std::string_view kDefaultSketchName = "Zozedovad";

// kDefaultSketchName with the Arduino IDE's ".ino", as one NUL-terminated text.
inline constexpr auto kDefaultSketchFileText = [] {
    constexpr std::string_view suffix = ".ino";
    std::array<char, kDefaultSketchName.size() + suffix.size() + 1> text{};
    std::copy(kDefaultSketchName.begin(), kDefaultSketchName.end(), text.begin());
    std::copy(suffix.begin(), suffix.end(), text.begin() + kDefaultSketchName.size());
    return text;
}();
inline constexpr const char* kDefaultSketchFileName = kDefaultSketchFileText.data();

// avr-gcc refuses any object larger than this many bytes, so no sample array may hold more.
inline constexpr std::int32_t kSamplesPerArray = 32'767;

// The complete text of the sketch file for all sixteen slots: the sample table `wave_store`,
// the start table `wave_start` and the two accessors, every line ending in CR LF.
//
// Each slot contributes end index + 1 samples (first and last written as 0, the others as
// byte - 128; a first or last sample the slot's loop starts or ends on as byte - 128 too). When
// any slot has a loop, loopAccessorText follows the accessors; otherwise the text is the table,
// the starts and the two accessors alone. A total sample count beyond 32 bits is an overflow error,
// checked before any slot; a slot whose end index is below -1 or past its last sample, or whose
// sound is empty, is a bounds error naming the slot and the numbers.
//
// A table of 32,768 to 65,535 samples is split into arrays `wave_store_1`, `wave_store_2`, ...
// of at most kSamplesPerArray samples, and `Zozedovad_Get_Sample` picks the array, so a player
// reads it through the same accessors. Any other size keeps the one array `wave_store`; beyond
// 65,535 samples no AVR sketch can read the table, and the writer refuses it.
//
// With `guardTables` (the Mega 2560) the start and loop tables are declared so that no three
// 0x21 bytes follow each other in them (progmemTableOpen).
std::string buildSketchText(const SlotBank& bank, bool guardTables = false);

// The sample count T of the table, once every slot is known to export: raises the errors
// buildSketchText raises, in the same order, without building any text.
std::int32_t exportableSampleCount(const SlotBank& bank);

} // namespace wtb
