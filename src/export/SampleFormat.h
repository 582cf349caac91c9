#pragma once

#include <optional>
#include <string_view>

namespace wtb {

// How the sketch's table holds the samples: one byte each, or 4-bit IMA ADPCM in blocks
// (about twice the sound in the same flash, decoded by the board as it plays).
enum class SampleFormat { Pcm8, Adpcm4 };

// As the window shows it: "8-bit PCM", "4-bit ADPCM".
std::string_view sampleFormatDisplayName(SampleFormat format);

// As the command line and the preferences spell it: "pcm8", "adpcm4".
std::string_view sampleFormatId(SampleFormat format);

// The format with this id; nothing for any other text.
std::optional<SampleFormat> sampleFormatFromId(std::string_view id);

} // namespace wtb
