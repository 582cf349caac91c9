#pragma once

#include <cstdint>
#include <span>

namespace wtb {

// The fundamentals looked for: from 20 Hz up to a quarter of the sample rate (a period of at
// least 4 samples, the fewest a cycle can be cut from).
inline constexpr double kLowestFundamental = 20.0; // Hz
inline constexpr std::int32_t kShortestPeriod = 4; // samples

enum class PitchFinding {
    Found,
    TooShort,     // too few samples to hold two periods of even the highest fundamental
    Silent,       // nothing but one level around the index
    NoSteadyPitch // the sound does not repeat itself there (noise, a chord, a glide)
};

struct Pitch {
    PitchFinding finding = PitchFinding::NoSteadyPitch;
    double period = 0.0; // samples, with its fraction, when found
};

// The fundamental period of `samples` (any level line; a steady offset does not matter) around
// the sample `at`, which must lie within them.
//
// A first estimate comes from the cumulative mean normalised difference (YIN) over a frame
// holding two of the longest periods, taking the first dip below the threshold. Its quarter,
// third, half, double and triple are then weighed by normalised cross-correlation, read between
// whole lags with a band-limited interpolation, and the shortest that matches the sound about
// as well as the best is the period: a strong second partial does not pass for the fundamental,
// nor a period of a few samples for a multiple of it. That period is refined by the correlation
// at 2, 4, 8 and 16 periods' lag, up to 16 periods either side of `at` as far as the samples
// reach: an error of a fraction of a sample in the lag becomes that fraction divided by the
// number of periods. The doubling stops where the sound stops resembling itself that many
// periods on.
Pitch fundamentalPeriod(std::span<const double> samples, std::int32_t at, std::int32_t sampleRate);

} // namespace wtb
