#pragma once

#include "export/SampleFormat.h"
#include "slots/Resampler.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace wtb {

// The name of a player sketch's folder and file when the user gives none.
inline constexpr std::string_view kDefaultPlayerName = "Zozedovad";

// The highest sample rate the player takes: the highest the tool resamples to, which its
// interrupt serves on a 16 MHz board (the player tests hold it to that). 0 is a slot without a
// rate; it never plays.
inline constexpr std::int32_t kPlayerHighestRate = kHighestTargetRate;

// The highest rate the ADPCM player takes: its interrupt decodes a sample in up to about 200
// clock cycles on the Uno and 250 on the Mega (measured in the player tests), so at 48 kHz a
// sample period of 333 cycles still leaves the board time of its own.
inline constexpr std::int32_t kAdpcmPlayerHighestRate = 48'000;

// The complete text of a player sketch: a header comment, the table export's text unchanged,
// each slot's rate, and the interrupt-driven player, lines ending CR LF.
//
// `tableText` is what buildSketchText gives for the bank (one array or the split form);
// `rates` holds slots 1..16's sample rates in Hz. A rate below 0 or above kPlayerHighestRate is
// a bounds error naming the slot and the rate.
std::string buildPlayerSketchText(std::string_view tableText,
                                  std::span<const std::int32_t, 16> rates);

// The player sketch for a table in `format`: for Pcm8 the text above; for Adpcm4 `tableText`
// is buildAdpcmSketchText's, and the interrupt decodes the next sample with the table's reader;
// a rate above kAdpcmPlayerHighestRate is then a bounds error naming the slot and the rate.
//
// A table text with loops (loopAccessorText in it, so any slot has a loop) makes a player that
// repeats a slot's loop from Zozedovad_Play until Zozedovad_Release() lets it run on to the end
// index, or Zozedovad_Stop() stops it; its serial line releases on the letter r. In ADPCM the
// loop restarts from the reader's state kept at its start. Without loops the text is as before.
std::string buildPlayerSketchText(std::string_view tableText,
                                  std::span<const std::int32_t, 16> rates, SampleFormat format);

} // namespace wtb
