#pragma once

#include "export/PlayerOptions.h"
#include "export/SampleFormat.h"
#include "slots/KeyRange.h"
#include "slots/Resampler.h"
#include "slots/Slot.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace wtb {

// The generated header of a player sketch folder, beside the user's NAME.ino: the tables and
// the player. Each export replaces it.
inline constexpr std::string_view kPlayerHeaderName = "Zozedovad.h";

// The highest sample rate the player takes: the highest the tool resamples to, which its
// interrupt serves on a 16 MHz board (the player tests hold it to that). 0 is a slot without a
// rate; it never plays.
inline constexpr std::int32_t kPlayerHighestRate = kHighestTargetRate;

// The highest rate the ADPCM player takes: its interrupt decodes a sample in up to about 200
// clock cycles on the Uno and 250 on the Mega (measured in the player tests), so at 48 kHz a
// sample period of 333 cycles still leaves the board time of its own.
inline constexpr std::int32_t kAdpcmPlayerHighestRate = 48'000;

// What the mixing player holds besides the table: its options, its mixing rate and each
// slot's key range and step at its root note (rootStep), slots 1..16.
struct MixerSetup {
    PlayerOptions options;
    std::int32_t mixRate = 0;
    std::array<std::uint32_t, kSlotCount> rootSteps{};
    std::array<KeyRange, kSlotCount> keys{};
    bool guardTables = false; // the board refuses 0x21 runs (boardRefusesBangRuns)
};
// The highest rate the player of `format` plays.
constexpr std::int32_t playerHighestRate(SampleFormat format) {
    return format == SampleFormat::Adpcm4 ? std::min(kPlayerHighestRate, kAdpcmPlayerHighestRate)
                                          : kPlayerHighestRate;
}

// What a player is made of besides its table.
struct PlayerParts {
    SampleFormat format = SampleFormat::Pcm8;
    bool loops = false; // the table holds loops (loopAccessorText): the player plays them
    std::optional<MixerSetup> mixer; // the mixing player; none: the one-sound player
};

// The text of the player's header, lines ending CR LF: a header comment, the switches that
// choose the player's parts, `tableText` (the table export's text for the bank in `parts`'
// format: buildSketchText or buildAdpcmSketchText) unchanged, each slot's rate, and the
// interrupt-driven player. `rates` holds slots 1..16's sample rates in Hz. A rate below 0 or
// above the player's highest for the format (kPlayerHighestRate, kAdpcmPlayerHighestRate) is a
// bounds error naming the slot and the rate. With `parts.mixer` the player is the mixing one
// (sketch/mixer.h with its MIDI, trigger pin and serial line inputs) and its tables.
std::string buildPlayerHeaderText(std::string_view tableText,
                                  std::span<const std::int32_t, kSlotCount> rates,
                                  PlayerParts parts);

// The user's NAME.ino, written once into a player sketch folder: the header's #include,
// setup() and loop() with the serial line's demo, and a button example in comments. Lines end
// CR LF.
std::string playerUserSketchText();

} // namespace wtb
