#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace wtb {

// A sound as the program holds it: unsigned 8-bit mono samples, zero line at 128.
struct Sound8 {
    std::vector<std::uint8_t> bytes;
    std::int32_t sampleRate = 0;
};

// How a sample in -1..1 becomes a byte: times numerator / denominator, rounded to nearest
// (halves away from zero), moved to the zero line at 128 and clamped to 0..255. The plain
// conversion is 128 / 1; a normalised one is 127 / peak, so the peak lands exactly on 127.
struct SampleScale {
    double numerator = 128.0;
    double denominator = 1.0;
};
std::uint8_t toUnsigned8(double sample, const SampleScale& scale = {});

// How a file is brought in besides the conversion to 8-bit mono.
struct DecodeOptions {
    // The rate to convert to (kLowestTargetRate..kHighestTargetRate); none keeps the file's.
    std::optional<std::int32_t> targetRate;
    // Scale so the largest distance from the zero line becomes 127, judged on the file's
    // full-resolution samples; a silent file stays silent.
    bool normalise = false;
};

// Reads any sound file libsndfile understands and converts it to 8-bit unsigned mono at the
// file's own rate, or at the target rate: channels averaged, resampled (anti-aliased) when the
// rates differ, rounded to nearest once, clamped. An 8-bit mono file at the rate asked for
// keeps its bytes exactly unless it is normalised. Raises a sound error naming the file when it
// cannot be read, and a bounds error for a target rate outside the range.
Sound8 decodeSoundFile(const QString& path, const DecodeOptions& options = {});

// The complete bytes of an 8-bit unsigned mono WAV file holding the samples.
std::string encodeWav8(std::span<const std::uint8_t> bytes, std::int32_t sampleRate);

} // namespace wtb
