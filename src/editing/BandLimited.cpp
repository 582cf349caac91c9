#include "editing/BandLimited.h"

#include <array>
#include <cmath>

namespace wtb {

namespace {

constexpr int kZeroCrossings = 16; // each side of the kernel's centre, at the cutoff
constexpr int kSteps = 512;        // table entries per zero crossing
constexpr double kBeta = 8.0;      // Kaiser window: stop band near -80 dB

using KernelTable = std::array<double, kZeroCrossings * kSteps + 2>;

// sinc(u) times the Kaiser window over |u| <= kZeroCrossings, at u = i / kSteps; read with a
// straight line between entries, which is far finer than the 8 bits the result ends in.
KernelTable makeKernel() {
    KernelTable table{};
    const double norm = std::cyl_bessel_i(0.0, kBeta);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const double u = double(i) / kSteps;
        const double ratio = u / kZeroCrossings;
        if (ratio >= 1.0) {
            table[i] = 0.0;
            continue;
        }
        const double window = std::cyl_bessel_i(0.0, kBeta * std::sqrt(1.0 - ratio * ratio)) / norm;
        const double sinc = u == 0.0 ? 1.0 : std::sin(M_PI * u) / (M_PI * u);
        table[i] = sinc * window;
    }
    return table;
}

double kernel(double u) {
    static const KernelTable table = makeKernel();
    const double at = std::abs(u) * kSteps;
    const auto index = static_cast<std::size_t>(at);
    if (index + 1 >= table.size()) {
        return 0.0;
    }
    const double fraction = at - double(index);
    return table[index] + (table[index + 1] - table[index]) * fraction;
}

} // namespace

BandLimitedReader::BandLimitedReader(std::span<const double> samples, double cutoff,
                                     std::int32_t wrap)
    : samples_(samples), cutoff_(cutoff), wrap_(wrap) {}

double BandLimitedReader::sample(std::int64_t index) const {
    const auto size = static_cast<std::int64_t>(samples_.size());
    if (wrap_ > 0 && wrap_ <= size) {
        if (index < 0) {
            index += ((-index + wrap_ - 1) / wrap_) * wrap_;
        } else if (index >= size) {
            index -= ((index - size) / wrap_ + 1) * wrap_;
        }
    }
    if (index < 0 || index >= size) {
        return 0.0;
    }
    return samples_[static_cast<std::size_t>(index)];
}

double BandLimitedReader::reach() const {
    return kZeroCrossings / cutoff_;
}

double BandLimitedReader::operator()(double position) const {
    const double reach = this->reach();
    const auto first = static_cast<std::int64_t>(std::ceil(position - reach));
    const auto last = static_cast<std::int64_t>(std::floor(position + reach));
    double sum = 0.0;
    double gain = 0.0;
    for (std::int64_t index = first; index <= last; ++index) {
        const double weight = kernel(cutoff_ * (position - double(index)));
        sum += sample(index) * weight;
        gain += weight;
    }
    // Divided by the weights' own sum, a steady level reads the same between samples as on
    // them: the window's ripple would otherwise favour whole positions by a few parts in 10^5,
    // as much as a low tone's correlation changes within a sample of its peak.
    return sum / gain;
}

} // namespace wtb
