#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace wtb {

// The name of a player sketch's folder and file when the user gives none.
inline constexpr std::string_view kDefaultPlayerName = "Zozedovad";

// The highest sample rate the player takes: the rate the tool resamples up to, which its
// interrupt serves with room to spare on a 16 MHz board. 0 is a slot without a rate; it never
// plays.
inline constexpr std::int32_t kPlayerHighestRate = 96'000;

// The complete text of a player sketch: a header comment, the table export's text unchanged,
// each slot's rate, and the interrupt-driven player, lines ending CR LF.
//
// `tableText` is what buildSketchText gives for the bank (one array or the split form);
// `rates` holds slots 1..16's sample rates in Hz. A rate below 0 or above kPlayerHighestRate is
// a bounds error naming the slot and the rate.
std::string buildPlayerSketchText(std::string_view tableText,
                                  std::span<const std::int32_t, 16> rates);

} // namespace wtb
