#pragma once

#include <cstdint>
#include <span>

namespace wtb {

// Reads a sound between its samples: a windowed-sinc low-pass (Kaiser window, 16 zero crossings
// each side at the cutoff) evaluated at any position, so a value read half-way between two
// samples is the band-limited sound there, not a straight line between them. With a cutoff
// below 1 it also removes what lies above the cutoff, so the values can be taken further apart
// than the samples without folding high partials down.
//
// Positions outside the samples read the sample one `wrap` further in (a repeating sound's
// earlier or later period); with no wrap, they read 0.
class BandLimitedReader {
public:
    // `cutoff`: the highest frequency kept, a fraction (0..1] of half the samples' rate.
    BandLimitedReader(std::span<const double> samples, double cutoff, std::int32_t wrap = 0);

    double operator()(double position) const;

    // How far either side of a position the samples it reads lie.
    double reach() const;

private:
    double sample(std::int64_t index) const;

    std::span<const double> samples_;
    double cutoff_;
    std::int64_t wrap_;
};

} // namespace wtb
